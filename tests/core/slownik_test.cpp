// The dictionary comparison on a Paradox dictionary and its Firebird counterpart, and the equality of
// field values it uses.
#include "convert/slownik.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures.h"
#include "program_fixture.h"

namespace {

using namespace test;
using Linie = std::vector<std::string>;
using konw::KluczNaTekst;
using konw::RowneWartosciSlownika;

const std::string kWskazanie = "      (szczegółowe informacje: zakładki \"Wyniki\"-\"Dodatkowe informacje\")";

TEST(WartosciSlownika, EqualityOfFieldValues) {
  const db::Date dzien = db::dateFromYmd(2024, 3, 1);
  struct Przypadek {
    db::Value p, f;
    bool rowne;
  };
  const Przypadek przypadki[] = {
      {db::Null{}, db::Null{}, true},
      {db::Null{}, std::string(""), false},
      {std::string("Abc"), std::string("ABC"), false},
      {std::string("Abc"), std::string("Abc "), false},
      {std::string("Abc"), std::string("Abc"), true},
      {true, std::string("T"), true},
      {false, std::string("N"), true},
      {true, std::string("N"), false},
      {std::int64_t{12}, db::Decimal{1200, 2}, true},
      {1234.5, db::Decimal{123450, 2}, true},
      {0.1 + 0.2, db::Decimal{30, 2}, true},
      {std::int64_t{12}, db::Decimal{1201, 2}, false},
      {std::string("12"), std::int64_t{12}, true},
      {std::string("12,50"), db::Decimal{125, 1}, true},
      {std::string("1.5E3"), std::int64_t{1500}, true},
      {dzien, db::DateTime{dzien, {}}, true},
      {dzien, db::DateTime{dzien, db::Time{1}}, false},
      {dzien, std::int64_t{dzien.day}, true},
      {std::string(std::to_string(dzien.day)), dzien, true},
  };
  for (const auto& c : przypadki) {
    SCOPED_TRACE(db::valueToText(c.p) + " / " + db::valueToText(c.f));
    EXPECT_EQ(RowneWartosciSlownika(c.p, c.f), c.rowne);
    EXPECT_EQ(RowneWartosciSlownika(c.f, c.p), c.rowne) << "the same both ways";
  }
  // A text that is no number cannot be compared with a number or a date.
  EXPECT_THROW(RowneWartosciSlownika(std::string("abc"), std::int64_t{1}), db::EngineError);
  EXPECT_THROW(RowneWartosciSlownika(dzien, std::string("0x10")), db::EngineError);
}

TEST(WartosciSlownika, KeyAsText) {
  EXPECT_EQ(KluczNaTekst({std::int64_t{12}}), "12");
  EXPECT_EQ(KluczNaTekst({std::int64_t{12}, std::string("ABC")}), "12;ABC;");
  EXPECT_EQ(KluczNaTekst({db::Null{}}), "");
  EXPECT_EQ(KluczNaTekst({db::Null{}, std::string("A")}), ";A;");
}

class Slownik : public test::ProgramNaBazach {
 protected:
  void SetUp() override {
    ProgramNaBazach::SetUp();
    if (HasFatalFailure()) return;
    // Open log files, as during a run: a write to several categories reaches them all.
    for (std::size_t k = 0; k < frm.przebieg.log().logi.size(); ++k) {
      frm.przebieg.log().logi[k].sciezka = (root.path / konw::kNazwyLogow[k]).string();
      ASSERT_TRUE(frm.przebieg.log().InitLogFile(frm.przebieg.log().logi[k], false));
    }
  }
  // ListaTabel with the one dictionary row, standing on it; DBp and DBi connected as in a run.
  void listuj(const std::string& p, const std::string& f, const std::string& klucz,
              const std::string& kluczIb) {
    writeControlTables(root.path / "PROG" / "KONWERSJA", {{5, p, f}}, {});
    auto& dm = *frm.dm();
    ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    dm.tblLista.first();
    dm.tblLista.edit();
    dm.tblLista.fieldByName("SLOWNIK").setAsBoolean(true);
    dm.tblLista.fieldByName("KLUCZ_SLOWNIKA").setAsString(klucz);
    dm.tblLista.fieldByName("KLUCZ_SLOWNIKA_IB").setAsString(kluczIb);
    dm.tblLista.post();
    dm.DBp.connect();
    dm.DBi.connect();
  }

  // ZRODLA: KOD, NAZWA, OPIS, AKTYWNY (logical in Paradox, T/N in Firebird), KWOTA.
  void zrodla(std::vector<db::Row> paradox, const std::vector<std::string>& firebird) {
    TableSpec t;
    t.fields = {
        {"KOD", 'A', 5}, {"NAZWA", 'A', 40}, {"OPIS", 'A', 40}, {"AKTYWNY", 'L', 0}, {"KWOTA", '$', 0}};
    t.keyFields = 1;
    db::paradox::writeTable(dane / "Zrodla.DB", t, std::move(paradox));
    sql("create table ZRODLA (KOD varchar(5) not null primary key, NAZWA varchar(40), OPIS varchar(40), "
        "AKTYWNY char(1), KWOTA numeric(15,2))");
    for (const auto& w : firebird) sql("insert into ZRODLA values (" + w + ")");
  }
  static db::Row wpis(const char* kod, const char* nazwa, const char* opis, bool aktywny, double kwota) {
    return {std::string(kod), std::string(nazwa), std::string(opis), aktywny, kwota};
  }

  const Linie& ogolny() { return ui.memo("mKomunikaty"); }
  const Linie& inf() { return ui.memo("mKomInf"); }
};

TEST_F(Slownik, AddedRemovedAndChangedEntriesAreReported) {
  zrodla({wpis("1", "Budżet", "opis", true, 10.5), wpis("2", "Unia", "opis", false, 0.1 + 0.2),
          wpis("3", "Własne", "opis", true, 1), wpis("4", "Abc", "x", true, 1),
          wpis("5", "Krajowe", "x", true, 1), wpis("6", "Nowe", "x", true, 1)},
         {"'1', 'Budżet', 'opis', 'T', 10.50", "'2', 'Unia Europejska', 'inny', 'N', 0.30",
          "'3', 'Własne', 'opis', 'N', 1", "'4', 'ABC', 'x', 'T', 1", "'5', 'Krajowe ', 'x', 'T', 1",
          "'8', 'Stare', 'x', 'T', 1", "'9', 'Dawne', 'x', 'T', 1"});
  listuj("Zrodla", "ZRODLA", "KOD", "KOD");
  frm.przebieg.log().NaglowekDoZapisu.fill(true);

  frm.przebieg.PorownajZawartoscTabeliSlownikow();

  EXPECT_EQ(ogolny(), (Linie{"  Ilość haseł dodanych w formacie Firebird: 1",
                             "  Ilość haseł usuniętych z formatu Firebird: 2",
                             "  Ilość haseł zmienionych przez użytkownika: 4", kWskazanie}));
  EXPECT_EQ(inf(), (Linie{" ", std::string(30, '-'), "Zrodla",  // the table's opening
                          "  Klucz hasła zmienionego: 2", "    Zmiana w polach: NAZWA, OPIS",
                          "  Klucz hasła zmienionego: 3", "    Zmiana w polach: AKTYWNY",
                          "  Klucz hasła zmienionego: 4", "    Zmiana w polach: NAZWA",
                          "  Klucz hasła zmienionego: 5", "    Zmiana w polach: NAZWA",
                          "  Klucze haseł usuniętych z formatu Firebird: ", "    8", "    9",
                          "  Ilość haseł usuniętych z formatu Firebird: 2",
                          "  Ilość haseł zmienionych przez użytkownika: 4"}));
  EXPECT_TRUE(ui.memo("mKomBl").empty());
  EXPECT_FALSE(frm.przebieg.flagi().Niezgodnosc || frm.przebieg.flagi().NiezgodnoscKrytyczna ||
               frm.przebieg.flagi().BladKonwersji)
      << "no message marks the run";
  EXPECT_EQ(ui.progressMax("PasekCzastkowy"), 13);
  EXPECT_EQ(ui.progressPosition("PasekCzastkowy"), 13);
  EXPECT_FALSE(frm.dm()->qryParadox.active() || frm.dm()->qryInterbase.active());
  EXPECT_EQ(frm.dm()->tblLista.fieldByName("IDTF").asInteger(), 5);
}

TEST_F(Slownik, IdenticalDictionariesWriteNothing) {
  zrodla({wpis("1", "Budżet", "opis", true, 10.5)}, {"'1', 'Budżet', 'opis', 'T', 10.5"});
  listuj("ZRODLA", "ZRODLA", "KOD", "KOD");

  frm.przebieg.PorownajZawartoscTabeliSlownikow();

  EXPECT_TRUE(ogolny().empty());
  EXPECT_TRUE(inf().empty());
  EXPECT_EQ(ui.progressPosition("PasekCzastkowy"), 2);
}

TEST_F(Slownik, KeyOfTwoFieldsIsMatchedWholeAndWithCase) {
  TableSpec t;
  t.fields = {{"DZIAL", 'I', 0}, {"ROZDZIAL", 'A', 5}, {"NAZWA", 'A', 40}};
  t.keyFields = 2;
  db::paradox::writeTable(dane / "Rozdzial.DB", t,
                          {{std::int64_t{12}, std::string("AB"), std::string("x")},
                           {std::int64_t{12}, std::string("ABC"), std::string("y")}});
  sql("create table ROZDZIALY (DZ integer not null, ROZ varchar(5) not null, NAZWA varchar(40), "
      "primary key (DZ, ROZ))");
  sql("insert into ROZDZIALY values (12, 'ABC', 'y')");
  sql("insert into ROZDZIALY values (12, 'abc', 'z')");
  listuj("ROZDZIAL", "ROZDZIALY", "DZIAL;ROZDZIAL", "DZ;ROZ");

  frm.przebieg.PorownajZawartoscTabeliSlownikow();

  EXPECT_EQ(inf(), (Linie{"  Klucze haseł usuniętych z formatu Firebird: ", "    12;abc;",
                          "  Ilość haseł usuniętych z formatu Firebird: 1"}));
  EXPECT_EQ(ogolny().front(), "  Ilość haseł dodanych w formacie Firebird: 1");
}

TEST_F(Slownik, KeyThatCannotBeReadIsReportedForEveryEntryAndTheComparisonGoesOn) {
  zrodla({wpis("1", "a", "a", true, 1), wpis("2", "b", "b", true, 1)}, {"'1', 'a', 'a', 'T', 1"});
  listuj("ZRODLA", "ZRODLA", "", "KOD");

  frm.przebieg.PorownajZawartoscTabeliSlownikow();

  const std::string blad = "*** Błąd przy pobieraniu wartości z klucza słownika. ***";
  const std::string opis = "  Identyfikator tabeli: 5\r\n  słownik: ZRODLA\r\n  klucz: ";
  EXPECT_EQ(std::ranges::count(ogolny(), blad), 2);
  EXPECT_EQ(std::ranges::count(ogolny(), opis), 2);
  EXPECT_EQ(std::ranges::count(ui.memo("mKomBlKr"), blad), 2);
  // The error block once, then one empty line for the second failure.
  auto blok = std::ranges::find_if(ogolny(), [](const std::string& l) { return l.starts_with("\r\n*****"); });
  ASSERT_NE(blok, ogolny().end());
  EXPECT_TRUE(blok->ends_with("Błąd wystąpił w: TfrmConvert.WstawWartosciZTabeli"));
  EXPECT_EQ(std::ranges::count(ogolny(), ""), 1);
  EXPECT_TRUE(frm.przebieg.flagi().BladKonwersji);
  ASSERT_EQ(ui.boxes().size(), 2u);
  EXPECT_EQ(ui.boxes()[0].text, "Błąd przy pobieraniu wartości z klucza słownika.");
  // The Firebird pass still ran: its one entry's key was read and found.
  EXPECT_EQ(ui.progressPosition("PasekCzastkowy"), 3);
}

TEST_F(Slownik, BreakInTheFirstPassLeavesTheSecondOut) {
  zrodla({wpis("1", "a", "a", true, 1), wpis("2", "b", "b", true, 1), wpis("3", "c", "c", true, 1)},
         {"'7', 'x', 'x', 'T', 1"});
  listuj("ZRODLA", "ZRODLA", "KOD", "KOD");
  ui.onProcessMessages = [&] {
    if (ui.processMessagesCalls == 2) frm.przebieg.flagi().Przerwano = true;
  };

  frm.przebieg.PorownajZawartoscTabeliSlownikow();

  EXPECT_EQ(ogolny(), (Linie{"  Ilość haseł dodanych w formacie Firebird: 2"}));
  EXPECT_TRUE(inf().empty()) << "no removed entry reported: the second pass was left out";
  EXPECT_EQ(ui.processMessagesCalls, 2);
}

TEST_F(Slownik, FirebirdTableWithFewerColumnsIsAnErrorPassedOn) {
  TableSpec t;
  t.fields = {{"KOD", 'A', 5}, {"NAZWA", 'A', 40}};
  t.keyFields = 1;
  db::paradox::writeTable(dane / "ZRODLA.DB", t, {{std::string("1"), std::string("a")}});
  sql("create table ZRODLA (KOD varchar(5) not null primary key)");
  sql("insert into ZRODLA values ('1')");
  listuj("ZRODLA", "ZRODLA", "KOD", "KOD");

  EXPECT_THROW(frm.przebieg.PorownajZawartoscTabeliSlownikow(), db::EngineError);

  ASSERT_FALSE(ogolny().empty());
  EXPECT_TRUE(ogolny().back().ends_with("Błąd wystąpił w: TfrmConvert.PorownajZawartoscTabeliSlownikow"));
  EXPECT_TRUE(frm.przebieg.flagi().BladKonwersji);
}

}  // namespace
