// The verification after a real copy: a Paradox table written for the test into an embedded Firebird
// table with a column of every kind, values at the edges; exactly the values a column changed are named.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

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
    // The table's section opening ("---", its label) and a line on both pages are left out.
    std::vector<std::string> linie;
    for (const auto* strona : {&ui.memo("mKomBl"), &ui.memo("mKomunikaty")})
      for (const std::string& l : *strona)
        if (l.starts_with("***") && std::ranges::count(linie, l) == 0) linie.push_back(l);
    return linie;
  }
  // The values of one row of KRANCE, each as the bytes it holds.
  std::vector<std::string> bajty(const std::string& kolumny, int id) {
    db::Query q;
    q.setDatabase(&frm.dm()->DBi);
    q.addSql("select " + kolumny + " from KRANCE where ID = " + std::to_string(id));
    q.open();
    std::vector<std::string> out;
    for (int i = 0; i < q.fieldCount(); ++i) {
      const db::Value& v = q.field(i).value();
      out.push_back(std::holds_alternative<db::Bytes>(v) ? std::get<db::Bytes>(v).data
                                                         : q.field(i).asString());
    }
    return out;
  }
};

const std::string kPolski = "Zażółć gęślą jaźń";
const std::string kPolski1250 = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1";

// Text goes into columns of no character set (OCTETS, NONE, a binary blob) as the table's own
// Windows-1250 bytes, and the read-back compares bytes: a column holding the text's UTF-8 is a difference.
// 0x81 and 0x98, which Windows-1250 leaves undefined, are stored as they are, in a WIN1250 column too.
TEST_F(WeryfikacjaKopii, ColumnsOfNoCharacterSetKeepTheTablesBytes) {
  const std::string nieokreslone = "x\u0081\u0098y";
  for (const bool utf8 : {false, true}) {
    SCOPED_TRACE(utf8 ? "a trigger stores UTF-8" : "clean");
    if (utf8) {
      std::string hex;
      for (unsigned char c : kPolski) hex += fmt::format("{:02X}", c);
      sql("create trigger KRANCE_UTF8 for KRANCE before insert as begin if (new.ID = 1) then new.O = x'" +
          hex + "'; end");
    } else {
      sql("create table KRANCE (ID integer not null primary key, O varchar(40) character set octets, "
          "N varchar(40) character set none, C char(20) character set octets, B blob sub_type 0, "
          "W varchar(40) character set win1250)");
    }
    db::paradox::TableSpec t;
    t.fields = {{"ID", '+', 0}, {"O", 'A', 40}, {"N", 'A', 40},
                {"C", 'A', 20}, {"B", 'M', 10}, {"W", 'A', 40}};
    t.keyFields = 1;
    std::vector<db::Row> wiersze;
    for (std::int64_t id : {1, 2}) {
      const std::string tekst = id == 1 ? kPolski : nieokreslone;
      wiersze.push_back({id, tekst, tekst, tekst, tekst, tekst});
    }
    db::paradox::writeTable(dane / "KRANCE.DB", t, std::move(wiersze));

    const auto krytyczne = kopiuj();

    const std::string w1250 = "x\x81\x98y";
    EXPECT_EQ(
        bajty("cast(W as varchar(40) character set octets), cast(N as varchar(40) character set octets), "
              "O, C, B",
              2),
        (std::vector<std::string>{w1250, w1250, w1250, w1250 + std::string(16, '\0'), w1250}));
    if (!utf8) {
      EXPECT_TRUE(krytyczne.empty()) << krytyczne.front();
      EXPECT_EQ(bajty("cast(N as varchar(40) character set octets), O, C, B", 1),
                (std::vector<std::string>{kPolski1250, kPolski1250, kPolski1250 + std::string(3, '\0'),
                                          kPolski1250}));
      EXPECT_EQ(bajty("W", 1), std::vector<std::string>{kPolski});
      EXPECT_EQ(
          std::ranges::count(ui.memo("mKomInf"), "Tabela KRANCE: zweryfikowano 2 wiersze, wartości zgodne"),
          1);
    } else {
      ASSERT_EQ(krytyczne.size(), 2u);
      EXPECT_EQ(
          krytyczne[0],
          "*** Tabela KRANCE, rekord 1, klucz ID=1, pole O: wysłano 0x5A61BFF3B3E62067EA9C6CB9206A619FF1, "
          "zapisano 0x5A61C5BCC3B3C582C4872067C499C59B6CC485206A61C5BAC584 ***");
      EXPECT_TRUE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
    }
  }
}

// An Alpha field whose text ends at a NUL, with letters left after it, is copied as the text before
// the NUL; the note goes to the additional information and marks no mismatch.
TEST_F(WeryfikacjaKopii, TextEndingAtANulIsANoteNotAMismatch) {
  sql("create table KRANCE (ID integer not null primary key, V varchar(20))");
  db::paradox::TableSpec t;
  t.fields = {{"ID", '+', 0}, {"V", 'A', 15}};
  t.keyFields = 1;
  db::paradox::writeTable(
      dane / "KRANCE.DB", t,
      {{std::int64_t{1}, std::string("QQQQQQQQQQQQQFe")}, {std::int64_t{2}, std::string("ab")}});
  // The 13 Q become NULs, as a real table holds them.
  const fs::path plik = dane / "KRANCE.DB";
  std::string zawartosc;
  {
    std::ifstream in(plik, std::ios::binary);
    zawartosc.assign(std::istreambuf_iterator<char>(in), {});
  }
  const auto gdzie = zawartosc.find("QQQQQQQQQQQQQFe");
  ASSERT_NE(gdzie, std::string::npos);
  zawartosc.replace(gdzie, 13, std::string(13, '\0'));
  std::ofstream(plik, std::ios::binary) << zawartosc;

  const auto krytyczne = kopiuj();

  EXPECT_TRUE(krytyczne.empty()) << krytyczne.front();
  EXPECT_FALSE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
  EXPECT_FALSE(frm.przebieg.flagi().Niezgodnosc);
  EXPECT_EQ(
      std::ranges::count(ui.memo("mKomInf"),
                         "*** Tabela KRANCE.DB, rekord 1, pole V: tekst kończy się znakiem NUL na pozycji 1, "
                         "po nim pole zawiera \"Fe\"; odczytano tekst do znaku NUL (pusty) ***"),
      1);
  EXPECT_EQ(bajty("V", 1), std::vector<std::string>{""});
  EXPECT_EQ(bajty("V", 2), std::vector<std::string>{"ab"});
}

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
  EXPECT_TRUE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
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
      wiersze.push_back({i, static_cast<double>(i) / 10, std::string("ż ")});
    db::paradox::writeTable(dane / "KRANCE.DB", t, std::move(wiersze));

    const auto krytyczne = kopiuj();
    if (wyzwalacz) {
      ASSERT_FALSE(krytyczne.empty());
      EXPECT_EQ(krytyczne[0],
                "*** Tabela KRANCE, rekord 3, klucz ID=3, pole N2: wysłano 0.3, zapisano 7.00 ***");
      EXPECT_TRUE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
    } else {
      EXPECT_TRUE(krytyczne.empty());
      EXPECT_FALSE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
      EXPECT_EQ(
          std::ranges::count(ui.memo("mKomInf"), "Tabela KRANCE: zweryfikowano 5 wierszy, wartości zgodne"),
          1);
    }
  }
}

// Short blob values are read after the last commit with their rows, as text: in each character set and
// without one (bytes Windows-1250 leaves undefined too), a null, and a value changed afterwards, shorter or
// longer than any sent, is still a different table.
TEST_F(WeryfikacjaKopii, ShortBlobsReadWithTheirRowsStillShowEveryChange) {
  sql("create table KRANCE (ID integer not null primary key, T blob sub_type text character set win1250, "
      "U blob sub_type text character set utf8, N blob sub_type text character set none, B blob sub_type 0)");
  db::paradox::TableSpec t;
  t.fields = {{"ID", '+', 0}, {"T", 'M', 10}, {"U", 'M', 10}, {"N", 'M', 10}, {"B", 'M', 10}};
  t.keyFields = 1;
  const std::string dlugi(300, 'x');
  // Windows-1250 leaves 0x81 and 0x98 undefined; a WIN1250 column holds them as they are.
  const std::string nieokreslone = "x\u0081\u0098y";
  std::vector<db::Row> wiersze = {{std::int64_t{1}, kPolski, kPolski, kPolski, kPolski},
                                  {std::int64_t{2}, db::Null{}, db::Null{}, db::Null{}, db::Null{}},
                                  {std::int64_t{3}, dlugi, std::string("ą ") + dlugi, dlugi + " ", dlugi},
                                  {std::int64_t{4}, nieokreslone, db::Null{}, nieokreslone, nieokreslone}};
  db::paradox::writeTable(dane / "KRANCE.DB", t, std::move(wiersze));
  writeControlTables(root.path / "PROG" / "KONWERSJA", {{1, "KRANCE", "KRANCE"}}, {});
  auto& dm = *frm.dm();
  ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  ASSERT_TRUE(dm.tblLista.locate("TABELA", {std::string("KRANCE")}, false));
  frm.przebieg.Convert();
  std::vector<konw::StanZapisanej> stany = frm.przebieg.ZabierzDoSprawdzenia();
  ASSERT_EQ(stany.size(), 1u);
  const konw::StanZapisanej& stan = stany[0];
  ASSERT_FALSE(stan.sqlKrotkie.empty());
  EXPECT_EQ(stan.krotkie, (std::vector<int>{-1, 5, 6, 7, 8}));
  {
    // The query runs as it stands: nothing is left to reading the blobs after all.
    db::Query q;
    q.setDatabase(&dm.DBi);
    q.addSql(stan.sqlKrotkie);
    q.open();
    ASSERT_EQ(q.fieldCount(), 9);
    int tekstem = 0;
    for (; !q.eof(); q.next()) tekstem += !q.field(5).isNull() && q.field(1).isNull();
    EXPECT_EQ(tekstem, 3);
  }
  EXPECT_TRUE(konw::TakiSam(konw::OdczytajStan(dm.DBi, stan, {}), stan));
  const struct {
    std::string zmiana, cofniecie;
  } zmiany[] = {
      {"update KRANCE set T = 'inny' where ID = 1", "update KRANCE set T = '" + kPolski + "' where ID = 1"},
      {"update KRANCE set U = 'nowy' where ID = 2", "update KRANCE set U = null where ID = 2"},
      {"update KRANCE set B = x'00' where ID = 2", "update KRANCE set B = null where ID = 2"},
      {"update KRANCE set N = 'abc' where ID = 3", "update KRANCE set N = '" + dlugi + " ' where ID = 3"},
      {"update KRANCE set U = U || '!' where ID = 3",
       "update KRANCE set U = substring(U from 1 for 302) where ID = 3"},
      {"update KRANCE set B = B || B where ID = 3",
       "update KRANCE set B = substring(B from 1 for 300) where ID = 3"},
  };
  for (const auto& z : zmiany) {
    SCOPED_TRACE(z.zmiana);
    sql(z.zmiana);
    EXPECT_FALSE(konw::TakiSam(konw::OdczytajStan(dm.DBi, stan, {}), stan));
    sql(z.cofniecie);
    EXPECT_TRUE(konw::TakiSam(konw::OdczytajStan(dm.DBi, stan, {}), stan));
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
  EXPECT_TRUE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
  frm.dm()->DBi.connect();
  db::Query q;
  q.setDatabase(&frm.dm()->DBi);
  q.addSql("select ID from KRANCE");
  q.open();
  EXPECT_EQ(q.field(0).asInteger(), 99) << "the Firebird table is untouched";
}

}  // namespace
