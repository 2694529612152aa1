// What a conversion would meet, found before it: every value a table's copy would send, against the
// column it goes into, without writing anywhere; and what in the Firebird database could change data
// behind a run (database-level triggers).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "convert/wartosci_kolumn.h"

namespace db {
class Database;
class Table;
}  // namespace db

namespace konw {

class TdmKonw;

// A value a copy would send that its column would not take unchanged, or a column no value fills.
struct WartoscDoSprawdzenia {
  std::uint64_t wiersz = 0;  // the source row, from 0 in the table's order
  std::string rekord;        // "Rekord nr N tabeli P (klucz: ...)", as the copy's error names it
  std::string pole;          // the Paradox field ("" for a column no field fills)
  std::string kolumna;       // the Firebird column
  std::string wartosc;       // the value sent, as a difference's line shows it
  Przyjecie przyjecie;
};

// Goes through every row of `zrodlo` (open) as the copy of the table `tabelaPdx` into `tabelaIb` sends it
// (the same INSERT, field rules and parameter values) and calls `znaleziona` for every value its column
// would refuse or change (PrzyjecieWKolumnie, the connection asked about text), and for a
// column of the INSERT that no field fills. Reads the Firebird table's definitions, nothing else of the
// database. `wiersze` counts the rows gone through, also when a row that cannot be read ends it
// (EngineError).
void PrzewidzKopie(TdmKonw& dm, db::Table& zrodlo, const std::string& tabelaPdx, const std::string& tabelaIb,
                   std::int64_t& wiersze, const std::function<void(const WartoscDoSprawdzenia&)>& znaleziona);

// The database-level triggers that are active (on connect, disconnect, the start, commit and rollback
// of a transaction, and DDL), one line each: they run around every statement of a run and may change
// what it writes.
std::vector<std::string> TriggeryBazy(db::Database& baza);

}  // namespace konw
