// The structure comparison on definitions built in memory: no database, every rule and every
// acceptance of the control tables' rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/porownanie.h"

namespace {

using db::FieldType;
using konw::MapyTabeli;
using konw::StrukturaTabeli;
using konw::WierszeKontrolne;

constexpr FieldType S = FieldType::String, I = FieldType::Integer, A = FieldType::AutoInc,
                    D = FieldType::Date, DT = FieldType::DateTime, B = FieldType::Boolean,
                    F = FieldType::Float, M = FieldType::Memo, BL = FieldType::Blob;

db::IndexDef indeks(const std::string& pola) {
  return {"", pola, false, false, false, false};
}

// Two tables with an ID key and a NAZWA field, alike unless a case changes them.
StrukturaTabeli ib() {
  return {"PLANY", {{"ID", I, 0, 1}, {"NAZWA", S, 40, 2}}, {indeks("ID")}};
}
StrukturaTabeli pdx() {
  return {"Plany", {{"ID", A, 0, 1}, {"Nazwa", S, 40, 2}}, {indeks("ID")}};
}

struct Przypadek {
  const char* nazwa;
  StrukturaTabeli ib, pdx;
  MapyTabeli mapy;
  bool zMapami;
  unsigned klasy;
  std::string opis;  // the lines without their leading CR LF, joined by "|"
};

std::string linie(const std::string& tekst) {
  std::string out;
  for (std::size_t p = 0; (p = tekst.find("\r\n", p)) != std::string::npos; p += 2) {
    const std::size_t k = tekst.find("\r\n", p + 2);
    const std::string linia = tekst.substr(p + 2, k == std::string::npos ? std::string::npos : k - p - 2);
    if (!linia.starts_with("    (podobny")) out += (out.empty() ? "" : "|") + linia;
  }
  return out;
}

TEST(PorownanieStruktur, EveryRuleAndEveryAcceptance) {
  auto zmien = [](StrukturaTabeli t, auto&& f) {
    f(t);
    return t;
  };
  const WierszeKontrolne brak;
  std::vector<Przypadek> przypadki = {
      {"identical; Integer/AutoInc accepted", ib(), pdx(), {}, false, 8, ""},
      {"accepted type pairs; a timestamp into a date loses its time of day",
       zmien(ib(),
             [](auto& t) {
               t.pola.push_back({"DATA", D, 0, 3}), t.pola.push_back({"T", S, 1, 4});
             }),
       zmien(pdx(),
             [](auto& t) {
               t.pola.push_back({"DATA", DT, 0, 3}), t.pola.push_back({"T", B, 0, 4});
             }),
       {},
       false,
       10,
       "    pole traci porę dnia: DATA (firebird: Date, paradox: DateTime)"},
      {"single-precision FLOAT fed by Number, Currency, BCD or Long Integer is critical; DOUBLE is not",
       zmien(ib(),
             [](auto& t) {
               t.pola.push_back({"N", F, 0, 3, 0, 4}), t.pola.push_back({"C", F, 0, 4, 0, 4}),
                   t.pola.push_back({"B", F, 0, 5, 0, 4}), t.pola.push_back({"I", F, 0, 6, 0, 4}),
                   t.pola.push_back({"D", F, 0, 7, 0, 8});
             }),
       zmien(pdx(),
             [](auto& t) {
               t.pola.push_back({"N", F, 0, 3}), t.pola.push_back({"C", FieldType::Currency, 0, 4}),
                   t.pola.push_back({"B", FieldType::BCD, 2, 5, 2}), t.pola.push_back({"I", I, 0, 6}),
                   t.pola.push_back({"D", F, 0, 7});
             }),
       {},
       false,
       12,
       "    inny typ pola: N (firebird: Float (FLOAT, pojedyncza precyzja), paradox: Float)|"
       "    inny typ pola: C (firebird: Float (FLOAT, pojedyncza precyzja), paradox: Currency)|"
       "    inny typ pola: B (firebird: Float (FLOAT, pojedyncza precyzja), paradox: BCD)|"
       "    inny typ pola: I (firebird: Float (FLOAT, pojedyncza precyzja), paradox: Integer)"},
      {"fewer decimals is an error even where the sizes are accepted; a Number has any",
       zmien(ib(),
             [](auto& t) {
               t.pola.push_back({"B", FieldType::BCD, 1, 3, 1}),
                   t.pola.push_back({"R", FieldType::BCD, 2, 4, 2}), t.pola.push_back({"N", F, 0, 5, 2});
             }),
       zmien(pdx(),
             [](auto& t) {
               t.pola.push_back({"B", FieldType::BCD, 2, 3, 2}),
                   t.pola.push_back({"R", FieldType::BCD, 2, 4, 2}), t.pola.push_back({"N", F, 0, 5});
             }),
       {brak, {{std::string("B"), std::int64_t{2}, std::int64_t{1}}}, brak, brak},
       true,
       10,
       "    mniej miejsc po przecinku: B (firebird: 1, paradox: 2)|"
       "    mniej miejsc po przecinku: N (firebird: 2, paradox: dowolnie)"},
      {"other type is critical",
       zmien(ib(), [](auto& t) { t.pola[1].typ = I; }),
       pdx(),
       {},
       false,
       12,
       "    inny typ pola: NAZWA (firebird: Integer, paradox: String)"},
      {"Float into Integer is critical too",
       zmien(ib(),
             [](auto& t) {
               t.pola[1] = {"NAZWA", I, 0, 2};
             }),
       zmien(pdx(),
             [](auto& t) {
               t.pola[1] = {"NAZWA", F, 0, 2};
             }),
       {},
       false,
       12,
       "    inny typ pola: NAZWA (firebird: Integer, paradox: Float)"},
      {"size, not accepted by a row of other sizes",
       zmien(ib(), [](auto& t) { t.pola[1].rozmiar = 50; }),
       pdx(),
       {brak, {{std::string("nazwa"), std::int64_t{40}, std::int64_t{60}}}, brak, brak},
       true,
       12,
       "    inny rozmiar pola: NAZWA (firebird: 50, paradox: 40)"},
      {"size accepted by its exact row",
       zmien(ib(), [](auto& t) { t.pola[1].rozmiar = 50; }),
       pdx(),
       {brak, {{std::string("nazwa"), std::int64_t{40}, std::int64_t{50}}}, brak, brak},
       true,
       8,
       ""},
      {"blob and memo sizes are not compared",
       zmien(ib(),
             [](auto& t) {
               t.pola[1] = {"NAZWA", BL, 8, 2};
             }),
       zmien(pdx(),
             [](auto& t) {
               t.pola[1] = {"NAZWA", M, 10, 2};
             }),
       {},
       false,
       12,
       "    inny typ pola: NAZWA (firebird: Blob, paradox: Memo)"},
      {"position is an error, accepted by its row",
       zmien(ib(), [](auto& t) { t.pola[0].numer = 2, t.pola[1].numer = 1; }),
       pdx(),
       {brak, brak, {{std::string("ID"), std::int64_t{1}, std::int64_t{2}}}, brak},
       true,
       10,
       "    inna kolejność pola: NAZWA (firebird: 1, paradox: 2)"},
      {"missing on either side",
       zmien(ib(),
             [](auto& t) {
               t.pola.push_back({"NOWE", I, 0, 3});
             }),
       zmien(pdx(),
             [](auto& t) {
               t.pola.push_back({"STARE", I, 0, 3});
             }),
       {},
       false,
       14,
       "    brak pola (w paradox): NOWE|    brak pola (w firebird): STARE"},
      {"a computed column is named as such: a note alone, an error where Paradox values are left out",
       zmien(ib(),
             [](auto& t) {
               t.pola.push_back({"SUMA", F, 0, 3, 0, 8, true}), t.pola[1].wyliczane = true;
               t.pola[1].typ = I;
             }),
       pdx(),
       {},
       false,
       11,
       "    pole wyliczane (w firebird), dane z paradox nie są kopiowane: NAZWA|"
       "    pole wyliczane (w firebird): SUMA"},
      {"a field Paradox lacks is accepted by position 0; a mapped name is compared as its counterpart",
       zmien(ib(),
             [](auto& t) {
               t.pola.push_back({"NOWE", I, 0, 3}), t.pola[1].nazwa = "NAZWA_PL";
             }),
       pdx(),
       {{{std::string("NAZWA"), std::string("NAZWA_PL")}},
        brak,
        {{std::string("nowe"), std::int64_t{0}, std::int64_t{3}}},
        brak},
       true,
       8,
       ""},
      {"indexes each side lacks; a longer similar one is only a note",
       zmien(ib(),
             [](auto& t) {
               t.indeksy = {indeks("ID;NAZWA"), indeks("NAZWA")};
             }),
       zmien(pdx(),
             [](auto& t) {
               t.indeksy = {indeks("ID"), indeks("NAZWA;ID")};
             }),
       {},
       false,
       15,
       "    brak indeksu  (w paradox): ID;NAZWA|    brak indeksu  (w paradox): NAZWA|    brak indeksu (w "
       "firebird): ID|    brak indeksu (w firebird): NAZWA;ID"},
      {"missing indexes accepted by ListaIndekSkip",
       zmien(ib(), [](auto& t) { t.indeksy = {indeks("NAZWA")}; }),
       pdx(),
       {brak,
        brak,
        brak,
        {{std::string("x"), std::string("PLANY"), std::string("nazwa")},
         {std::string("plany"), std::string("x"), std::string("ID")}}},
       true,
       8,
       ""},
      {"a Firebird table without indexes is a note, accepted by *",
       zmien(ib(), [](auto& t) { t.indeksy.clear(); }),
       zmien(pdx(), [](auto& t) { t.indeksy.clear(); }),
       {},
       false,
       9,
       "    tabela firebird nie posiada żadnego indeksu"},
      {"... and with its * row nothing",
       zmien(ib(), [](auto& t) { t.indeksy.clear(); }),
       zmien(pdx(), [](auto& t) { t.indeksy.clear(); }),
       {brak, brak, brak, {{std::string("PLANY"), std::string(""), std::string("*")}}},
       true,
       8,
       ""},
  };
  for (const Przypadek& p : przypadki) {
    int kroki = 0;
    const auto w = konw::PorownajStruktury(p.ib, p.pdx, p.zMapami ? &p.mapy : nullptr, [&] { ++kroki; });
    EXPECT_EQ(w.klasy, p.klasy) << p.nazwa;
    EXPECT_EQ(linie(w.opis), p.opis) << p.nazwa;
    EXPECT_EQ(kroki, static_cast<int>(p.ib.pola.size() + p.pdx.pola.size() + p.ib.indeksy.size() +
                                      p.pdx.indeksy.size()))
        << p.nazwa;
    EXPECT_EQ(w.opis.size(), w.informacje.size() + w.bledy.size() + w.krytyczne.size())
        << "every line is in exactly one class list: " << p.nazwa;
  }
}

TEST(PorownanieStruktur, MapsAndTheOpeningFailure) {
  const MapyTabeli mapy{
      {{std::string("Grupa"), std::string("GRUPA_WYD")}, {std::string("X"), db::Value{db::Null{}}}},
      {},
      {},
      {}};
  EXPECT_EQ(mapy.OdpowiednikPola("grupa", true), "GRUPA_WYD");
  EXPECT_EQ(mapy.OdpowiednikPola("grupa_wyd", false), "Grupa");
  EXPECT_EQ(mapy.OdpowiednikPola("x", true), "") << "a null counterpart is an empty name";
  EXPECT_EQ(mapy.OdpowiednikPola("INNE", true), "INNE");
  EXPECT_EQ(mapy.OdpowiednikKlucza("ID;GRUPA;;X", true), "ID;GRUPA_WYD;;");

  const auto w = konw::BladOtwarcia("paradox!");
  EXPECT_EQ(w.klasy, 14u);
  EXPECT_EQ(w.opis, "\r\n  błąd otwarcia tabeli paradox!");
  EXPECT_EQ(w.krytyczne, w.opis);
  EXPECT_TRUE(w.bledy.empty());
}

}  // namespace
