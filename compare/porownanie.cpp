// The structure comparison of one table: what each side lacks, the types, sizes and positions of the
// fields both sides have, and the indexes. Every difference is one line of one class.
#include "compare/porownanie.h"

#include <cstdint>
#include <initializer_list>

#include "control/konwersja_dm.h"
#include "db/engine.h"
#include "platform/operator.h"

namespace konw {

namespace {

using db::FieldType;

// The outcome being built: a line goes to the full description and to the list of its class.
void zapisz(WynikPorownania& w, const std::string& linia, unsigned char klasa) {
  w.opis += "\r\n" + linia;
  std::string& lista = klasa == kKlasaInformacja ? w.informacje : klasa == kKlasaBlad ? w.bledy : w.krytyczne;
  lista += "\r\n" + linia;
  w.klasy |= klasa;
}

// "A", or "A (B)" when the counterpart is named otherwise.
std::string zOdpowiednikiem(const std::string& nazwa, const std::string& odpowiednik) {
  return nazwa == odpowiednik ? nazwa : nazwa + " (" + odpowiednik + ")";
}

// Types that the copy carries over although the engine names them differently.
bool zgodneTypy(FieldType ib, FieldType pdx) {
  return ib == pdx || (ib == FieldType::Integer && pdx == FieldType::AutoInc) ||
         (ib == FieldType::Date && pdx == FieldType::DateTime) ||
         (ib == FieldType::String && pdx == FieldType::Boolean);
}

// Whether a control table has a row whose first columns (from `od`) equal these values, text ignoring case.
bool jestWiersz(const WierszeKontrolne& wiersze, std::size_t od, std::initializer_list<db::Value> wartosci) {
  for (const auto& wiersz : wiersze) {
    std::size_t k = od;
    bool zgodny = true;
    for (const db::Value& v : wartosci)
      zgodny = zgodny && k < wiersz.size() && db::valuesEqual(wiersz[k++], v, true);
    if (zgodny) return true;
  }
  return false;
}

// The Firebird type as the lines name it: a FLOAT column apart from DOUBLE PRECISION.
std::string NazwaTypuFirebird(const PoleTabeli& p) {
  if (p.typ == FieldType::Float && p.szerokosc == 4)
    return NazwaTypuPola(p.typ) + " (FLOAT, pojedyncza precyzja)";
  return NazwaTypuPola(p.typ);
}

// A single-precision FLOAT keeps about seven digits: too few for amounts, counts and identifiers.
bool liczbaWPojedynczejPrecyzji(const PoleTabeli& ib, FieldType pdx) {
  return ib.typ == FieldType::Float && ib.szerokosc == 4 &&
         (pdx == FieldType::Float || pdx == FieldType::Currency || pdx == FieldType::BCD ||
          pdx == FieldType::Integer || pdx == FieldType::AutoInc);
}

// Whether the Firebird column keeps fewer decimals than the Paradox values may have (a Number, any).
bool mniejMiejscPoPrzecinku(const PoleTabeli& ib, const PoleTabeli& pdx) {
  const bool numeric = ib.typ == FieldType::BCD || (ib.typ == FieldType::Float && ib.skala > 0);
  if (!numeric) return false;
  if (pdx.typ == FieldType::BCD) return pdx.skala > ib.skala;
  return pdx.typ == FieldType::Float;
}

const PoleTabeli* znajdzPole(const StrukturaTabeli& t, const std::string& nazwa) {
  for (const PoleTabeli& p : t.pola)
    if (equalsIgnoreCase(p.nazwa, nazwa)) return &p;
  return nullptr;
}

}  // namespace

std::string MapyTabeli::OdpowiednikPola(const std::string& nazwa, bool doFirebird) const {
  const std::size_t szukane = doFirebird ? 0 : 1;
  for (const auto& wiersz : pola)
    if (wiersz.size() == 2 && db::valuesEqual(wiersz[szukane], std::string(nazwa), true))
      return db::isNull(wiersz[1 - szukane]) ? std::string() : db::valueToText(wiersz[1 - szukane]);
  return nazwa;
}

std::string MapyTabeli::OdpowiednikKlucza(const std::string& klucz, bool doFirebird) const {
  std::string wynik;
  for (const std::string& nazwa : splitList(klucz)) wynik += ";" + OdpowiednikPola(nazwa, doFirebird);
  return wynik.substr(1);
}

std::string NazwaTypuPola(FieldType type) {
  return db::fieldTypeName(type);
}

WynikPorownania BladOtwarcia(const char* strona) {
  // A table that cannot be opened ends the comparison: the line stands in the critical list alone,
  // while the outcome counts as both an error and a critical one.
  WynikPorownania w;
  const std::string linia = std::string("\r\n  błąd otwarcia tabeli ") + strona;
  w.opis = w.krytyczne = linia;
  w.klasy |= kKlasaBlad | kKlasaKrytyczna;
  return w;
}

namespace {

// A field of the Firebird table against its counterpart in the Paradox table.
void PorownajPole(WynikPorownania& w, const PoleTabeli& poleI, const StrukturaTabeli& pdx,
                  const MapyTabeli* mapy) {
  auto liczba = [](std::int64_t n) { return std::to_string(n); };
  const std::string A = upperAscii(poleI.nazwa);
  const std::string B = mapy ? upperAscii(mapy->OdpowiednikPola(A, false)) : A;
  const std::string nazwa = zOdpowiednikiem(A, B);

  const PoleTabeli* poleP = znajdzPole(pdx, B);
  // A computed column takes no values: with no Paradox counterpart nothing is missing, with one the
  // Paradox values are not copied.
  if (poleI.wyliczane) {
    if (poleP)
      zapisz(w, "    pole wyliczane (w firebird), dane z paradox nie są kopiowane: " + nazwa, kKlasaBlad);
    else
      zapisz(w, "    pole wyliczane (w firebird): " + nazwa, kKlasaInformacja);
    return;
  }
  if (!poleP) {
    if (!mapy || !jestWiersz(mapy->kolejnosc, 0, {A, std::int64_t{0}}))
      zapisz(w, "    brak pola (w paradox): " + nazwa, kKlasaBlad);
    return;
  }
  const bool innyTyp = !zgodneTypy(poleI.typ, poleP->typ) || liczbaWPojedynczejPrecyzji(poleI, poleP->typ);
  if (innyTyp)
    zapisz(w,
           "    inny typ pola: " + nazwa + " (firebird: " + NazwaTypuFirebird(poleI) +
               ", paradox: " + NazwaTypuPola(poleP->typ) + ")",
           kKlasaKrytyczna);
  // Pairs the copy carries over with a loss, whatever the control tables accept.
  if (poleI.typ == FieldType::Date && poleP->typ == FieldType::DateTime)
    zapisz(w, "    pole traci porę dnia: " + nazwa + " (firebird: Date, paradox: DateTime)", kKlasaBlad);
  if (!innyTyp && mniejMiejscPoPrzecinku(poleI, *poleP))
    zapisz(w,
           "    mniej miejsc po przecinku: " + nazwa + " (firebird: " + liczba(poleI.skala) + ", paradox: " +
               (poleP->typ == FieldType::BCD ? liczba(poleP->skala) : std::string("dowolnie")) + ")",
           kKlasaBlad);

  // Blob and memo sizes are what each engine keeps in the record, not the field's capacity.
  if (poleI.typ == poleP->typ && poleI.typ != FieldType::Blob && poleP->typ != FieldType::Memo &&
      poleI.rozmiar != poleP->rozmiar &&
      (!mapy ||
       !jestWiersz(mapy->rozmiary, 0, {A, std::int64_t{poleP->rozmiar}, std::int64_t{poleI.rozmiar}})))
    zapisz(w,
           "    inny rozmiar pola: " + nazwa + " (firebird: " + liczba(poleI.rozmiar) +
               ", paradox: " + liczba(poleP->rozmiar) + ")",
           kKlasaKrytyczna);

  if (poleI.numer != poleP->numer &&
      (!mapy || !jestWiersz(mapy->kolejnosc, 0, {A, std::int64_t{poleP->numer}, std::int64_t{poleI.numer}})))
    zapisz(w,
           "    inna kolejność pola: " + nazwa + " (firebird: " + liczba(poleI.numer) +
               ", paradox: " + liczba(poleP->numer) + ")",
           kKlasaBlad);
}

// The indexes of both tables, each against the other's.
void PorownajIndeksy(WynikPorownania& w, const StrukturaTabeli& ib, const StrukturaTabeli& pdx,
                     const MapyTabeli* mapy, const std::function<void()>& nastepny) {
  // ListaIndekSkip accepts a missing index by the Firebird or the Paradox table's name and the key.
  auto pominiety = [&](std::size_t kolumnaTabeli, const std::string& tabela, const std::string& klucz) {
    if (!mapy) return false;
    for (const auto& wiersz : mapy->indeksy)
      if (wiersz.size() == 3 && db::valuesEqual(wiersz[kolumnaTabeli], tabela, true) &&
          db::valuesEqual(wiersz[2], klucz, true))
        return true;
    return false;
  };

  if (ib.indeksy.empty() && !pominiety(0, ib.nazwa, "*"))
    zapisz(w, "    tabela firebird nie posiada żadnego indeksu", kKlasaInformacja);

  // Firebird indexes that Paradox lacks.
  for (const db::IndexDef& indeksI : ib.indeksy) {
    nastepny();
    const std::string& K = indeksI.fields;
    const std::string H = upperAscii(mapy ? mapy->OdpowiednikKlucza(upperAscii(K), false) : K);
    bool znaleziony = false;
    for (const db::IndexDef& indeksP : pdx.indeksy)
      znaleziony = znaleziony || upperAscii(indeksP.fields) == H;
    if (!znaleziony && !pominiety(1, pdx.nazwa, K))
      zapisz(w, "    brak indeksu  (w paradox): " + H, kKlasaBlad);
  }

  // Paradox indexes that Firebird lacks. A Firebird index that begins with the same fields serves
  // the same searches, so its absence is only worth a note.
  for (const db::IndexDef& indeksP : pdx.indeksy) {
    nastepny();
    const std::string& K = indeksP.fields;
    const std::string H = upperAscii(mapy ? mapy->OdpowiednikKlucza(upperAscii(K), true) : K);
    bool znaleziony = false;
    std::string podobny;
    for (const db::IndexDef& indeksI : ib.indeksy) {
      const std::string L = upperAscii(indeksI.fields);
      znaleziony = znaleziony || L == H;
      if (L.size() > H.size() && L.compare(0, H.size(), H) == 0 && L[H.size()] == ';' &&
          (podobny.empty() || L.size() > podobny.size()))
        podobny = L;
    }
    if (znaleziony || pominiety(0, ib.nazwa, K)) continue;
    if (podobny.empty())
      zapisz(w, "    brak indeksu (w firebird): " + H, kKlasaKrytyczna);
    else
      zapisz(w, "    brak indeksu (w firebird): " + H + "\r\n    (podobny indeks dłuższy: " + podobny + ")",
             kKlasaInformacja);
  }
}

}  // namespace

WynikPorownania PorownajStruktury(const StrukturaTabeli& ib, const StrukturaTabeli& pdx,
                                  const MapyTabeli* mapy, const std::function<void()>& krok) {
  WynikPorownania w;
  const std::function<void()> nastepny = [&] {
    if (krok) krok();
  };

  // Fields of the Firebird table.
  for (const PoleTabeli& poleI : ib.pola) {
    nastepny();
    PorownajPole(w, poleI, pdx, mapy);
  }

  // Fields of the Paradox table that Firebird lacks: no control table accepts these, their data would be
  // lost.
  for (const PoleTabeli& poleP : pdx.pola) {
    nastepny();
    const std::string C = upperAscii(poleP.nazwa);
    const std::string D = mapy ? upperAscii(mapy->OdpowiednikPola(C, true)) : C;
    if (!znajdzPole(ib, D))
      zapisz(w, "    brak pola (w firebird): " + zOdpowiednikiem(C, D), kKlasaKrytyczna);
  }

  PorownajIndeksy(w, ib, pdx, mapy, nastepny);
  return w;
}

StrukturaTabeli OpisTabeli(const db::TableDefinition& definicja) {
  StrukturaTabeli t{{}, {}, definicja.indexes};
  for (const db::FieldDef& f : definicja.fields)
    t.pola.push_back({f.name, f.type, f.size, f.number, f.scale, f.width, f.computed});
  return t;
}

StrukturaTabeli OpisTabeli(db::Table& table) {
  StrukturaTabeli t{table.tableName(), {}, {}};
  for (int i = 0; i < table.fieldCount(); ++i) {
    const db::Field& f = table.field(i);
    t.pola.push_back({f.name(), f.dataType(), f.size(), f.fieldNo(), f.def().scale, f.def().width});
  }
  table.refreshIndexDefs();
  t.indeksy = table.indexDefs();
  return t;
}

MapyTabeli WczytajMapy(TdmKonw& dm) {
  auto wiersze = [](db::Table& t, std::initializer_list<const char*> kolumny) {
    WierszeKontrolne out;
    if (!t.active()) return out;
    for (t.first(); !t.eof(); t.next()) {
      out.emplace_back();
      for (const char* k : kolumny) out.back().push_back(t.fieldByName(k).value());
    }
    return out;
  };
  return {wiersze(dm.tblPola, {"POLE_PDX", "POLE_IB"}),
          wiersze(dm.tblRozmiar, {"POLE_IB", "ROZMIAR_PDX", "ROZMIAR_IB"}),
          wiersze(dm.tblKolejnosc, {"POLE_IB", "NR_POLA_PDX", "NR_POLA_IB"}),
          wiersze(dm.tblIdxPomijane, {"TABELA_IB", "TABELA_PDX", "IDX_KLUCZ"})};
}

WynikPorownania PorownajStrukturyTabel(TdmKonw& dm, Operator& ui, const std::string& TabelaIB,
                                       const std::string& TabelaPDX, bool ZTabelamiKonf) {
  dm.TblI.close();
  dm.TblP.close();
  dm.TblI.setDatabase(&dm.DBi);
  dm.TblI.setTableName(TabelaIB);
  dm.TblP.setTableName(TabelaPDX);
  // An engine error is the only way a table fails to open; anything else is not the comparison's to judge.
  // The Firebird table's definitions are those opening it gives, read without opening it: through a
  // server an opening costs a query and a fetch.
  StrukturaTabeli ib;
  try {
    ib = OpisTabeli(dm.DBi.describeTable(TabelaIB));
  } catch (const db::EngineError&) {
    return BladOtwarcia("firebird!");
  }
  try {
    dm.TblP.open();
  } catch (const db::EngineError&) {
    return BladOtwarcia("paradox!");
  }
  StrukturaTabeli pdx = OpisTabeli(dm.TblP);
  // Its definitions are read: no cursor stays open on it.
  dm.TblP.close();
  ib.nazwa = TabelaIB;
  pdx.nazwa = TabelaPDX;
  const MapyTabeli mapy = ZTabelamiKonf ? WczytajMapy(dm) : MapyTabeli{};
  return PorownajStruktury(ib, pdx, ZTabelamiKonf ? &mapy : nullptr, [&] { ui.processMessages(); });
}

}  // namespace konw
