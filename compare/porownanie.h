// Comparison of a Firebird table's structure with its Paradox counterpart: fields (presence, type,
// size, position) and indexes, optionally through the control tables' rows that map field names and
// accept recorded differences. The comparison itself works on definitions only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/value.h"

namespace db {
class Table;
}

namespace konw {

class Operator;
class TdmKonw;

// Classes of a comparison's outcome, one byte of flags; kKlasaZawsze is always present.
constexpr unsigned char kKlasaInformacja = 1;
constexpr unsigned char kKlasaBlad = 2;
constexpr unsigned char kKlasaKrytyczna = 4;
constexpr unsigned char kKlasaZawsze = 8;

struct PoleTabeli {
  std::string nazwa;
  db::FieldType typ = db::FieldType::Unknown;
  int rozmiar = 0;
  int numer = 0;           // position, from 1
  int skala = 0;           // decimals of a BCD / NUMERIC (also of a NUMERIC the engine shows as Float)
  int szerokosc = 0;       // Float: 4 single, 8 double precision, 0 unknown
  bool wyliczane = false;  // Firebird COMPUTED BY: the copy leaves it out, the server works it out
};

struct StrukturaTabeli {
  std::string nazwa;
  std::vector<PoleTabeli> pola;
  std::vector<db::IndexDef> indeksy;
};

// Rows of a control table, each with the values of the columns the comparison searches, in order.
using WierszeKontrolne = std::vector<std::vector<db::Value>>;

// The control tables' rows that concern the compared pair.
struct MapyTabeli {
  WierszeKontrolne pola;       // ListaTabelPola: POLE_PDX, POLE_IB
  WierszeKontrolne rozmiary;   // ListaTabelRozmiary: POLE_IB, ROZMIAR_PDX, ROZMIAR_IB
  WierszeKontrolne kolejnosc;  // ListaTabelKolejnosc: POLE_IB, NR_POLA_PDX, NR_POLA_IB
  WierszeKontrolne indeksy;    // ListaIndekSkip: TABELA_IB, TABELA_PDX, IDX_KLUCZ

  // A field's name on the other side (the first row whose name matches ignoring case), else the name.
  std::string OdpowiednikPola(const std::string& nazwa, bool doFirebird) const;
  // An index field list ("A;B") with each name mapped; the ";" separators are kept.
  std::string OdpowiednikKlucza(const std::string& klucz, bool doFirebird) const;
};

struct WynikPorownania {
  unsigned char klasy = kKlasaZawsze;
  std::string opis, informacje, krytyczne, bledy;  // each line preceded by CR LF
};

// The differences between the two structures, each one line of one class; with `mapy` the control
// tables' rows map the names and accept differences. `krok` runs before each field and index.
WynikPorownania PorownajStruktury(const StrukturaTabeli& ib, const StrukturaTabeli& pdx,
                                  const MapyTabeli* mapy, const std::function<void()>& krok = {});

// The outcome when a side cannot be opened ("firebird!" or "paradox!").
WynikPorownania BladOtwarcia(const char* strona);

// The type's name as messages show it ("Unknown" .. "DataSet", "?" outside the enumeration).
std::string NazwaTypuPola(db::FieldType type);

// The definitions of an open table.
StrukturaTabeli OpisTabeli(db::Table& table);
// The same of a table's definitions read without opening it (db::Database::describeTable); no name.
StrukturaTabeli OpisTabeli(const db::TableDefinition& definicja);
// The control tables' rows for the current ListaTabel row (the detail tables as they stand).
MapyTabeli WczytajMapy(TdmKonw& dm);

// Compares the Firebird table TabelaIB with the Paradox table TabelaPDX through dm.TblI and dm.TblP
// (TblP on the database it was given), which stay on them, closed; TblP's definitions are read, while
// TblI's are read without opening it (through a server an opening costs round trips).
WynikPorownania PorownajStrukturyTabel(TdmKonw& dm, Operator& ui, const std::string& TabelaIB,
                                       const std::string& TabelaPDX, bool ZTabelamiKonf);

}  // namespace konw
