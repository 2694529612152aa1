// The verification after a real copy: a Paradox table written for the test into an embedded Firebird
// table with a column of every kind, values at the edges; exactly the values a column changed are named.
#include <gtest/gtest.h>

#include <algorithm>

#include "program_fixture.h"

namespace {

using namespace test;

class WeryfikacjaKopii : public ProgramNaBazach {
 protected:  // Copies KRANCE (listed with `tabelaIb`, no trigger) and returns the lines about what went
             // wrong. Outside a
  // run a line reaches only the first page of its categories: the errors page, or the general one.
  std::vector<std::string> kopiuj(const std::string& tabelaIb = "KRANCE") {
    writeControlTables(root.path / "PROG" / "KONWERSJA", {{1, "KRANCE", tabelaIb}}, {});
    auto& dm = *frm.dm();
    EXPECT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    EXPECT_TRUE(dm.tblLista.locate("TABELA", {std::string("KRANCE")}, false));
    frm.przebieg.Convert();
    frm.przebieg.SprawdzTabelePoZakonczeniu();
    std::vector<std::string> linie = ui.memo("mKomBl");
    for (const std::string& l : ui.memo("mKomunikaty"))
      if (l.starts_with("***")) linie.push_back(l);
    return linie;
  }
};

// Row 1 fits every column; row 2 has a value each numeric and date column cannot hold.
TEST_F(WeryfikacjaKopii, NamesExactlyTheValuesTheColumnsChanged) {
  sql("create table KRANCE (ID integer not null primary key, F float, DP double precision, N2 numeric(15,2), "
      "N0 numeric(9,0), I integer, D date, C char(10), V varchar(30), X varchar(30) character set none)");
  const db::Date dzien = db::dateFromYmd(2024, 12, 31);
  const db::Time przedPolnoca{(23 * 3600 + 59 * 60 + 59) * 1000000LL + 999000};
  db::paradox::TableSpec t;
  t.fields = {{"ID", '+', 0}, {"F", 'N', 0}, {"DP", 'N', 0}, {"N2", 'N', 0}, {"N0", 'N', 0},
              {"I", 'N', 0},  {"D", '@', 0}, {"C", 'A', 10}, {"V", 'A', 30}, {"X", 'A', 30}};
  t.keyFields = 1;
  db::paradox::writeTable(
      dane / "KRANCE.DB", t,
      {{std::int64_t{1}, 0.5, 1234567.89, 99999999.99, -2147483648.0, -2147483648.0, db::DateTime{dzien, {}},
        std::string("ab  "), std::string("Zażółć gęślą jaźń  "), std::string("Łódź")},
       {std::int64_t{2}, 1234567.89, 0.005, 0.005, 2.5, 2147483647.0, db::DateTime{dzien, przedPolnoca},
        std::string("  x"), std::string("ą"), std::string("ę ")}});

  const auto krytyczne = kopiuj();

  EXPECT_EQ(
      krytyczne,
      (std::vector<std::string>{
          "*** Tabela KRANCE, rekord 2, klucz ID=2, pole F: wysłano 1234567.89, zapisano 1234567.875 ***",
          "*** Tabela KRANCE, rekord 2, klucz ID=2, pole N2: wysłano 0.005, zapisano 0.01 ***",
          "*** Tabela KRANCE, rekord 2, klucz ID=2, pole N0: wysłano 2.5, zapisano 3 ***",
          "*** Tabela KRANCE, rekord 2, klucz ID=2, pole D: wysłano 2024-12-31 23:59:59.9990, zapisano "
          "2024-12-31 ***",
          "*** Tabela KRANCE: weryfikacja po kopiowaniu wykazała 4 różnice (wierszy wysłanych: 2, w tabeli "
          "firebird: 2) ***"}));
  EXPECT_TRUE(frm.przebieg.flagi.NiezgodnoscKrytyczna);
  EXPECT_TRUE(ui.memo("mKomInf").empty());
}

TEST_F(WeryfikacjaKopii, ACleanTableIsOneLineOfAdditionalInformation) {
  // Every value fits its column; on the second run a trigger of the table changes one on the way in,
  // which no rule of the columns foresees.
  for (const bool wyzwalacz : {false, true}) {
    SCOPED_TRACE(wyzwalacz ? "a trigger changes a value" : "clean");
    if (wyzwalacz) {
      sql("create trigger KRANCE_ZMIANA for KRANCE before insert as begin if (new.ID = 3) then new.N2 = 7; "
          "end");
    } else {
      sql("create table KRANCE (ID integer not null primary key, N2 numeric(15,2), C char(10))");
    }
    db::paradox::TableSpec t;
    t.fields = {{"ID", '+', 0}, {"N2", '$', 0}, {"C", 'A', 10}};
    t.keyFields = 1;
    std::vector<db::Row> wiersze;
    for (std::int64_t i = 1; i <= 5; ++i)
      wiersze.push_back({i, 0.1 * static_cast<double>(i), std::string("ż ")});
    db::paradox::writeTable(dane / "KRANCE.DB", t, std::move(wiersze));

    const auto krytyczne = kopiuj();
    if (wyzwalacz) {
      ASSERT_FALSE(krytyczne.empty());
      EXPECT_EQ(
          krytyczne[0],
          "*** Tabela KRANCE, rekord 3, klucz ID=3, pole N2: wysłano 0.30000000000000004, zapisano 7.00 ***");
      EXPECT_TRUE(frm.przebieg.flagi.NiezgodnoscKrytyczna);
    } else {
      EXPECT_TRUE(krytyczne.empty());
      EXPECT_FALSE(frm.przebieg.flagi.NiezgodnoscKrytyczna);
      EXPECT_EQ(
          std::ranges::count(ui.memo("mKomInf"), "Tabela KRANCE: zweryfikowano 5 wierszy, wartości zgodne"),
          1);
    }
  }
}

TEST_F(WeryfikacjaKopii, AnInjectedNameRefusesTheTableBeforeAnyStatement) {
  sql("create table KRANCE (ID integer not null primary key)");
  sql("insert into KRANCE (ID) values (99)");
  db::paradox::TableSpec t;
  t.fields = {{"ID", '+', 0}};
  t.keyFields = 1;
  db::paradox::writeTable(dane / "KRANCE.DB", t, {{std::int64_t{1}}});

  const auto krytyczne = kopiuj("KRANCE WHERE 1=0");

  ASSERT_EQ(krytyczne.size(), 1u);
  EXPECT_EQ(krytyczne[0],
            "*** ListaTabel, wiersz 1 (IDTF 1): TABELA_IB = \"KRANCE WHERE 1=0\" nie jest prawidłowym "
            "identyfikatorem - tabela nie zostanie skopiowana ***");
  EXPECT_TRUE(frm.przebieg.flagi.NiezgodnoscKrytyczna);
  frm.dm()->DBi.connect();
  db::Query q;
  q.setDatabase(&frm.dm()->DBi);
  q.addSql("select ID from KRANCE");
  q.open();
  EXPECT_EQ(q.field(0).asInteger(), 99) << "the Firebird table is untouched";
}

}  // namespace
