// The conversion run on small installations: a Paradox data directory with Params.DB, Conf and the
// tables of the list, the control tables, and a temporary Firebird database.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>

#include "fixtures.h"
#include "program_fixture.h"

namespace {

using namespace test;
using Linie = std::vector<std::string>;

const std::string kKreski(30, '-');
const std::string kGwiazdki(51, '*');
const std::string kPodglad = "(Podgląd zapisanego przebiegu konwersji - zakładka \"Wyniki\")";
const std::string kKoniec = "Procedura przeniesienia danych dobiegła do końca.\r\n" + kPodglad;
const std::string kUwaga =
    "UWAGA! Operacja spowoduje skasowanie dotychczasowych danych w docelowej bazie formatu Firebird. Czy "
    "chcesz "
    "kontynuować?";

struct Wiersz {
  std::int64_t idtf;
  std::string tabela, tabelaIb;
  bool slownik = false;
  bool dizez = true;
  bool konwertowana = false;
  std::string klucz = "", kluczIb = "";
};

class Przebieg : public ProgramNaBazach {
 protected:
  void SetUp() override {
    ProgramNaBazach::SetUp();
    if (HasFatalFailure()) return;
    frm.wyjatki.ErrorLog = (root.path / "bin" / "konwersja.log").string();
    fs::create_directories(dane / "BUFOR" / "JO");
    fs::create_directories(root.path / "bin");
    auto& dm = *frm.dm();
    for (db::Database* d : {&dm.DBp, &dm.DBpb, &dm.DBpbjo}) {
      d->setDriverName("STANDARD");
      d->clearParams();
      for (const char* line : {"PATH=", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"}) d->addParam(line);
    }
    dm.session.addPassword("wrzo");
    frm.SciezkaParadoxa = dane.string() + "/";
    frm.SciezkaInterbase = fb.location();
    ui.setCaption("lblSciezkaParadoxa", frm.SciezkaParadoxa);
    ui.setCaption("lblSciezkaInterbase", frm.SciezkaInterbase);
    writeParams(dane, "G");
    writeConf(dane, "3.67");
    frm.ZaznaczBezZdarzenia("JST", true);
  }

  // The control tables listing `lista` (Params and Conf skipped), opened, ListaTabel on its first row.
  void listuj(const std::vector<Wiersz>& lista) {
    const fs::path konf = root.path / "PROG" / "KONWERSJA";
    std::vector<ListaRow> rows;
    for (const auto& w : lista) rows.push_back({w.idtf, w.tabela, w.tabelaIb});
    writeControlTables(konf, rows, {});
    TableSpec s;
    s.keyFields = 1;
    s.fields = {{"IDTF", '+', 0}, {"TABELA", 'A', 25}};
    db::paradox::writeTable(
        konf / "ListaTabelSkip.DB", s,
        {{std::int64_t{1}, std::string("PARAMS")}, {std::int64_t{2}, std::string("CONF")}});
    auto& dm = *frm.dm();
    ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    for (const auto& w : lista) {
      ASSERT_TRUE(dm.tblLista.locate("IDTF", {w.idtf}, false));
      dm.tblLista.edit();
      dm.tblLista.fieldByName("SLOWNIK").setAsBoolean(w.slownik);
      dm.tblLista.fieldByName("DIZEZ").setAsBoolean(w.dizez);
      dm.tblLista.fieldByName("KONWERTOWANA").setAsBoolean(w.konwertowana);
      dm.tblLista.fieldByName("KLUCZ_SLOWNIKA").setAsString(w.klucz);
      dm.tblLista.fieldByName("KLUCZ_SLOWNIKA_IB").setAsString(w.kluczIb);
      dm.tblLista.post();
    }
    dm.tblLista.first();
  }

  std::string jedna(const std::string& text) {
    frm.dm()->DBi.connect();
    db::Query q;
    q.setDatabase(&frm.dm()->DBi);
    q.addSql(text);
    q.open();
    return q.field(0).asString();
  }

  // A table of ID and NAZWA on both sides, with `wiersze` rows in Paradox; Firebird holds one old row.
  void tabela(const std::string& pdx, const std::string& ib, int wiersze) {
    sql("create table " + ib + " (ID integer not null primary key, NAZWA varchar(20))");
    sql("insert into " + ib + " values (999, 'stary')");
    tabelaParadoxa(pdx, wiersze);
  }
  void tabelaParadoxa(const std::string& pdx, int wiersze) {
    TableSpec t;
    t.fields = {{"ID", 'I', 0}, {"NAZWA", 'A', 20}};
    t.keyFields = 1;
    std::vector<db::Row> rows;
    for (int i = 1; i <= wiersze; ++i)
      rows.push_back({std::int64_t{i}, std::string("wiersz ") + std::to_string(i)});
    db::paradox::writeTable(dane / (pdx + ".DB"), t, rows);
  }

  // Runs the conversion of a kind, Yes to the confirmation; returns the general page's new lines.
  Linie konwertuj(unsigned kind = 0) {
    frm.RodzajKonwersji = static_cast<konw::TRodzajKonwersji>(kind);
    ui.clearBoxes();
    ui.answer(konw::kYes);
    const std::size_t od = ui.memo("mKomunikaty").size();
    frm.Konwertuj();
    const Linie& m = ui.memo("mKomunikaty");
    return Linie(m.begin() + static_cast<std::ptrdiff_t>(std::min(od, m.size())), m.end());
  }
  const konw::ScriptedOperator::Box& werdykt() { return ui.boxes().back(); }
  const Linie& strona(const char* memo) { return ui.memo(memo); }
  static bool ma(const Linie& linie, const std::string& l) { return std::ranges::count(linie, l) > 0; }
  static Linie odLinii(const Linie& linie, const std::string& l) {
    auto it = std::ranges::find(linie, l);
    return Linie(it, linie.end());
  }
  // Files of the data directory whose names begin with `prefix` and end with ".log".
  std::vector<fs::path> logi(const std::string& prefix) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dane)) {
      const std::string n = e.path().filename().string();
      if (n.rfind(prefix + "_", 0) == 0 && n.size() == prefix.size() + 19 && n.ends_with(".log"))
        out.push_back(e.path());
    }
    return out;
  }
};

TEST_F(Przebieg, WholeRunCopiesTheListLogsToFourFilesAndEndsFinished) {
  tabela("Dochody", "DOCHODY", 3);
  tabela("Wydatki", "WYDATKI", 2);
  listuj({{1, "DOCHODY", "DOCHODY"}, {2, "WYDATKI", "WYDATKI"}});
  ASSERT_TRUE(frm.dm()->tblLista.locate("IDTF", {std::int64_t{2}}, false));

  const Linie ogolny = konwertuj(0);
  EXPECT_FALSE(frm.dm()->DBi.connected()) << "every run ends disconnected from Firebird";

  ASSERT_GE(ui.boxes().size(), 2u);
  const auto& pytanie = ui.boxes().front();
  EXPECT_EQ(pytanie.kind, konw::MsgKind::Question);
  EXPECT_EQ(pytanie.caption, "POTWIERDZENIE");
  EXPECT_EQ(pytanie.text,
            "Program dokona konwersji bazy danych w formacie Paradox do bazy w formacie Firebird.\n\r\n\r" +
                kUwaga);
  EXPECT_EQ(pytanie.buttons, konw::kYes | konw::kNo);
  EXPECT_EQ(pytanie.defaultButton, konw::kNo);
  EXPECT_EQ(ui.boxes().size(), 2u);
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Information);
  EXPECT_EQ(werdykt().text, kKoniec);

  ASSERT_GE(ogolny.size(), 12u);
  EXPECT_EQ(ogolny[0], std::string(30, '='));
  EXPECT_TRUE(ogolny[1].starts_with("Przeniesienie danych Paradox-Firebird, ")) << ogolny[1];
  EXPECT_EQ(Linie(ogolny.begin() + 2, ogolny.begin() + 12),
            (Linie{"  Położenie danych w formacie Firebird: " + fb.location(),
                   "  Położenie danych w formacie Paradox: " + dane.string() + "/",
                   "  Numer wersji danych w formacie Paradox: 3.67", " ", "  Województwo: dolnośląskie",
                   "  Powiat: wrocławski", "  Gmina: Sobótka", "  miejsko-wiejska", "  Kod GUS: 0223012",
                   std::string(30, '=')}));
  const Linie dochody = odLinii(ogolny, "DOCHODY");
  ASSERT_GE(dochody.size(), 3u);
  EXPECT_EQ(*(std::ranges::find(ogolny, "DOCHODY") - 1), kKreski);
  EXPECT_EQ(dochody[1], "  porównanie struktur...");
  EXPECT_TRUE(ma(ogolny, "  ilość skopiowanych rekordów: 3"));
  EXPECT_TRUE(ma(ogolny, "  ilość skopiowanych rekordów: 2"));
  EXPECT_FALSE(ma(ogolny, "Pominięte tabele formatu paradox:")) << "Params and Conf are skipped by the list";

  EXPECT_EQ(jedna("select count(*) from DOCHODY"), "3");
  EXPECT_EQ(jedna("select max(NAZWA) from WYDATKI"), "wiersz 2");
  EXPECT_EQ(ui.progressMax("PasekCalosc"), 2);
  EXPECT_EQ(ui.progressPosition("PasekCalosc"), 2);
  EXPECT_EQ(frm.dm()->tblLista.fieldByName("IDTF").asInteger(), 2) << "the list returns to its row";

  // The idle state again, the flags cleared, the results shown.
  EXPECT_FALSE(ui.visible("btnBreak"));
  EXPECT_TRUE(ui.visible("btnKonwert"));
  EXPECT_TRUE(ui.tabVisible("TabSheetLogi"));
  EXPECT_EQ(ui.activeLogPage(), "TabSheetOgolny");
  EXPECT_FALSE(frm.przebieg.flagi().BladKonwersji || frm.przebieg.flagi().Niezgodnosc ||
               frm.przebieg.flagi().NiezgodnoscKrytyczna || frm.przebieg.flagi().Przerwano);

  // Four files in the data directory, closed, each beginning with the header block.
  for (const char* nazwa : {"Konwersja", "KonwersjaInf", "KonwersjaBl", "KonwersjaBlKr"}) {
    SCOPED_TRACE(nazwa);
    const auto pliki = logi(nazwa);
    ASSERT_EQ(pliki.size(), 1u);
    std::ifstream in(pliki[0], std::ios::binary);
    const std::string tresc((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(tresc.starts_with(std::string(30, '=') + "\r\nPrzeniesienie danych Paradox-Firebird, "));
  }
  for (const auto& l : frm.przebieg.log().logi) EXPECT_FALSE(l.otwarty());
}

TEST_F(Przebieg, KindsSelectRowsOfTheList) {
  tabela("Dochody", "DOCHODY", 1);
  tabela("Dzialy", "DZIALY", 1);
  tabela("Wydatki", "WYDATKI", 1);
  listuj({{1, "DOCHODY", "DOCHODY", false, true, true},
          {2, "DZIALY", "DZIALY", true, true, false, "ID", "ID"},
          {3, "WYDATKI", "WYDATKI"}});
  struct Przypadek {
    unsigned kind;
    std::string zdanie;
    Linie tabele;
  };
  for (const auto& p :
       {Przypadek{1,
                  "Program dokona konwersji bazy danych Paradox do bazy Firebird bez tabel słownikowych.",
                  {"DOCHODY", "WYDATKI"}},
        Przypadek{
            2, "Program dokona konwersji słowników z bazy danych Paradox do bazy Firebird.", {"DZIALY"}},
        Przypadek{
            4, "Program dokona konwersji wybranych tabel bazy danych Paradox do bazy Firebird.", {"DOCHODY"}},
        Przypadek{0,
                  "Program dokona konwersji bazy danych w formacie Paradox do bazy w formacie Firebird.",
                  {"DOCHODY", "DZIALY", "WYDATKI"}}}) {
    SCOPED_TRACE("kind " + std::to_string(p.kind));
    const Linie ogolny = konwertuj(p.kind);
    EXPECT_EQ(ui.boxes().front().text, p.zdanie + "\n\r\n\r" + kUwaga);
    Linie tabele;
    for (const char* t : {"DOCHODY", "DZIALY", "WYDATKI"})
      if (ma(ogolny, t)) tabele.push_back(t);
    EXPECT_EQ(tabele, p.tabele);
    EXPECT_EQ(ma(ogolny, "  porównanie zawartości słowników..."), p.kind == 2 || p.kind == 0);
    EXPECT_EQ(ui.progressPosition("PasekCalosc"), 3) << "every row advances the bar, selected or not";
    EXPECT_EQ(werdykt().text, kKoniec);
  }
}

TEST_F(Przebieg, KindThreeCreatesEmptyLogsAndConvertsNothing) {
  tabela("Dochody", "DOCHODY", 2);
  listuj({{1, "DOCHODY", "DOCHODY"}});

  const Linie ogolny = konwertuj(3);

  EXPECT_EQ(ui.boxes().front().text, "Program dokona przepisania słowników do bufora: " + fb.location() +
                                         "\n\r\n\rCzy chcesz kontynuować?");
  EXPECT_TRUE(ogolny.empty()) << ogolny.front();
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Information);
  EXPECT_EQ(werdykt().text, kKoniec);
  EXPECT_EQ(jedna("select count(*) from DOCHODY"), "1") << "the old Firebird row stays";
  for (const char* nazwa : {"Konwersja", "KonwersjaInf", "KonwersjaBl", "KonwersjaBlKr"}) {
    const auto pliki = logi(nazwa);
    ASSERT_EQ(pliki.size(), 1u) << nazwa;
    EXPECT_EQ(fs::file_size(pliki[0]), 0u) << nazwa;
  }
}

TEST_F(Przebieg, KindFourWithNothingTickedWritesHeaderAndSkippedTables) {
  tabela("Dochody", "DOCHODY", 2);
  tabelaParadoxa("Obce", 1);
  listuj({{1, "DOCHODY", "DOCHODY"}});

  const Linie ogolny = konwertuj(4);

  ASSERT_FALSE(ogolny.empty());
  EXPECT_EQ(ogolny.front(), std::string(30, '='));
  EXPECT_FALSE(ma(ogolny, "DOCHODY"));
  EXPECT_EQ(odLinii(ogolny, "\r\n" + kKreski),
            (Linie{"\r\n" + kKreski, "Pominięte tabele formatu paradox:", "  OBCE"}));
  EXPECT_EQ(werdykt().text, kKoniec);
  EXPECT_EQ(jedna("select count(*) from DOCHODY"), "1");
}

TEST_F(Przebieg, MissingParadoxTableDependsOnTheEdition) {
  tabela("Dochody", "DOCHODY", 1);
  listuj({{1, "ARCHIWUM", "ARCHIWUM", false, /*dizez=*/true},
          {2, "DOCHODY", "DOCHODY", false, true},
          {3, "TYLKOJST", "TYLKOJST", false, /*dizez=*/false}});
  const std::string archiwum = "*** Tabela: ARCHIWUM nie istnieje ***";
  const std::string tylkoJst = "*** Tabela: TYLKOJST nie istnieje ***";

  // JST: both reported, each under its own opening in "Błędy"; the non-critical verdict.
  Linie ogolny = konwertuj(0);
  EXPECT_TRUE(ma(ogolny, archiwum));
  EXPECT_TRUE(ma(ogolny, tylkoJst));
  EXPECT_EQ(std::ranges::count(ogolny, kKreski), 3);
  EXPECT_EQ(odLinii(strona("mKomBl"), kKreski),
            (Linie{kKreski, "ARCHIWUM", archiwum, " ", kKreski, "TYLKOJST", tylkoJst}));
  EXPECT_FALSE(ma(strona("mKomBlKr"), archiwum));
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Information);
  EXPECT_EQ(
      werdykt().text,
      "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA NIEZGODNOŚĆ STRUKTURY BAZY (zakładka Wyniki-Błędy)."
      "\r\n\r\n" +
          kKoniec);
  EXPECT_EQ(ui.activeLogPage(), "TabSheetBledy");

  // JB: a table outside the JB edition (DIZEZ false) leaves no trace, not even the separator.
  frm.ZaznaczBezZdarzenia("JST", false);
  frm.ZaznaczBezZdarzenia("JB", true);
  ogolny = konwertuj(0);
  EXPECT_TRUE(ma(ogolny, archiwum));
  EXPECT_FALSE(ma(ogolny, tylkoJst));
  EXPECT_EQ(std::ranges::count(ogolny, kKreski), 2);
  EXPECT_EQ(jedna("select count(*) from DOCHODY"), "1");

  // Neither edition checked: the separator only for DIZEZ rows, a missing file always reported.
  frm.ZaznaczBezZdarzenia("JB", false);
  ogolny = konwertuj(0);
  EXPECT_TRUE(ma(ogolny, archiwum));
  EXPECT_TRUE(ma(ogolny, tylkoJst));
  EXPECT_EQ(std::ranges::count(ogolny, kKreski), 2);
}

TEST_F(Przebieg, JbEditionRequiresTheFirebirdTable) {
  tabelaParadoxa("Bezfb", 2);
  listuj({{1, "BEZFB", "BEZFB"}});
  frm.ZaznaczBezZdarzenia("JST", false);
  frm.ZaznaczBezZdarzenia("JB", true);

  const Linie ogolny = konwertuj(0);

  const std::string komunikat = "*** Tabela: \"BEZFB\" nie istnieje w bazie formatu Firebird ***";
  EXPECT_TRUE(ma(ogolny, komunikat));
  EXPECT_FALSE(ma(ogolny, "BEZFB")) << "no heading, no comparison, no copy";
  EXPECT_EQ(odLinii(strona("mKomBlKr"), kKreski), (Linie{kKreski, "BEZFB", komunikat}));
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Warning);
  EXPECT_EQ(
      werdykt().text,
      "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA KRYTYCZNĄ NIEZGODNOŚĆ STRUKTURY BAZY! (zakładka "
      "Wyniki-Błędy krytyczne)\r\n\r\n" +
          kKoniec);
  EXPECT_EQ(ui.activeLogPage(), "TabSheetBledyKryt");
}

TEST_F(Przebieg, RowWithoutNamesGivesTwoCriticalMessages) {
  listuj({{7, "", ""}});

  const Linie ogolny = konwertuj(0);

  const Linie oba = {"*** Brak nazwy tabeli Paradox (ident. 7) ***",
                     "*** Brak nazwy tabeli Firebird (ident. 7) ***"};
  const Linie poKreskach = odLinii(ogolny, kKreski);
  ASSERT_GE(poKreskach.size(), 3u);
  EXPECT_EQ(Linie(poKreskach.begin() + 1, poKreskach.begin() + 3), oba);
  // In "Błędy krytyczne" under the row's opening (its label is empty).
  EXPECT_EQ(odLinii(strona("mKomBlKr"), kKreski), (Linie{kKreski, "", oba[0], oba[1]}));
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Warning);
  EXPECT_TRUE(werdykt().text.starts_with("UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA KRYTYCZNĄ"));
  EXPECT_EQ(ui.activeLogPage(), "TabSheetBledyKryt");
}

TEST_F(Przebieg, BreakDuringTheCopyStopsTheWalkButListsSkippedTables) {
  tabela("Dochody", "DOCHODY", 3);
  tabela("Wydatki", "WYDATKI", 2);
  tabelaParadoxa("Obce", 1);
  listuj({{1, "DOCHODY", "DOCHODY"}, {2, "WYDATKI", "WYDATKI"}});
  // The operator presses Break during the first row of the copy of DOCHODY, and confirms.
  bool nacisniety = false;
  ui.onProcessMessages = [&] {
    const Linie& m = ui.memo("mKomunikaty");
    if (nacisniety || m.empty() || m.back() != "  pól: 2") return;
    nacisniety = true;
    ui.answer(konw::kYes);
    frm.PotwierdzPrzerwanie();
  };

  const Linie ogolny = konwertuj(0);

  EXPECT_TRUE(
      ma(ogolny, "*** Tabela DOCHODY: przerwano; tabela zawiera te same wiersze co przed konwersją ***"));
  EXPECT_EQ(jedna("select max(NAZWA) from DOCHODY"), "stary") << "the table keeps the rows it had";
  EXPECT_FALSE(ma(ogolny, "WYDATKI"));
  EXPECT_TRUE(ma(ogolny, "Pominięte tabele formatu paradox:"));
  EXPECT_EQ(odLinii(ogolny, "  OBCE"),
            (Linie{"  OBCE", " ", kGwiazdki, "   PRZENIESIENIE DANYCH PRZERWANO ", kGwiazdki}));
  EXPECT_EQ(ui.progressPosition("PasekCalosc"), 0) << "the walk is left before the row's step";
  ASSERT_EQ(ui.boxes().size(), 3u);
  EXPECT_EQ(ui.boxes()[1].text, "Czy przerwać konwersję danych?");
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Warning);
  EXPECT_EQ(werdykt().text, "UWAGA: PRZENOSZENIE DANYCH PRZERWANO!\r\n" + kPodglad);
  EXPECT_FALSE(frm.przebieg.flagi().Przerwano);
  EXPECT_EQ(jedna("select count(*) from WYDATKI"), "1") << "the second table is not touched";
}

TEST_F(Przebieg, BreakAnsweredNoChangesNothing) {
  tabela("Dochody", "DOCHODY", 3);
  listuj({{1, "DOCHODY", "DOCHODY"}});
  int pytania = 0;
  ui.onProcessMessages = [&] {
    if (!ui.visible("btnBreak")) return;
    ++pytania;
    ui.answer(konw::kNo);
    frm.PotwierdzPrzerwanie();
  };

  const Linie ogolny = konwertuj(0);

  EXPECT_GE(pytania, 4) << "three rows of the copy and the row of the walk";
  EXPECT_TRUE(ma(ogolny, "  ilość skopiowanych rekordów: 3"));
  EXPECT_EQ(werdykt().text, kKoniec);
}

TEST_F(Przebieg, SkippedTablesAreListedInUpperCaseUnderAPendingOpening) {
  tabela("Dochody", "DOCHODY", 1);
  tabelaParadoxa("tmprap", 1);
  // A list row whose TABELA is not in upper case does not cover its Paradox table in the listing.
  listuj({{1, "Dochody", "DOCHODY"}});

  const Linie ogolny = konwertuj(0);

  const Linie lista = {"\r\n" + kKreski, "Pominięte tabele formatu paradox:", "  DOCHODY", "  TMPRAP"};
  const Linie odListy = odLinii(ogolny, lista[0]);
  ASSERT_GE(odListy.size(), 4u);
  EXPECT_EQ(Linie(odListy.begin(), odListy.begin() + 4), lista);
  // Only the verification of Dochody reached "Dodatkowe informacje", under its opening, before the listing.
  const Linie& inf = strona("mKomInf");
  auto it = std::ranges::find(inf, lista[0]);
  ASSERT_NE(it, inf.end());
  ASSERT_GE(it - inf.begin(), 4);
  EXPECT_EQ(Linie(it - 4, it + 4),
            (Linie{" ", kKreski, "Dochody", "Tabela Dochody: zweryfikowano 1 wiersz, wartości zgodne",
                   lista[0], lista[1], lista[2], lista[3]}));
  EXPECT_EQ(werdykt().text, kKoniec);
}

// What changes a table after its own read-back: a trigger of a table copied later, one run at commit. The
// check after the last commit names each such table and its values; the verdict is no longer clean.
TEST_F(Przebieg, ATableChangedAfterItsReadBackIsNamedAfterTheLastCommit) {
  tabela("Dzialy", "DZIALY", 3);
  tabela("Rozdzialy", "ROZDZIALY", 2);
  tabela("Planwyd", "PLANWYD", 2);
  tabela("Konta", "KONTA", 1);
  sql("create trigger PLANWYD_AI for PLANWYD after insert as begin update DZIALY set NAZWA = upper(NAZWA) "
      "where ID = 3; insert into KONTA values (100 + new.ID, 'dodany'); end");
  sql("create trigger ZATWIERDZENIE on transaction commit as begin update ROZDZIALY set NAZWA = 'zmiana' "
      "where ID = 1; end");
  listuj({{1, "DZIALY", "DZIALY"},
          {2, "ROZDZIALY", "ROZDZIALY"},
          {3, "PLANWYD", "PLANWYD"},
          {4, "KONTA", "KONTA"}});

  const Linie ogolny = konwertuj(0);

  // Rows another table's trigger added are said apart: the rows written stay those the copy wrote.
  EXPECT_TRUE(ma(ogolny,
                 "*** Tabela KONTA: zmieniona po skopiowaniu (wierszy po kopiowaniu: 1, po "
                 "zakończeniu konwersji: 3) ***"));
  const auto& tabele = frm.przebieg.tabele();
  const auto konta = std::ranges::find_if(tabele, [](const auto& t) { return t.firebird == "KONTA"; });
  ASSERT_NE(konta, tabele.end());
  EXPECT_EQ(konta->zapisane, 1);
  EXPECT_EQ(konta->poZakonczeniu, 3);

  for (const char* tabela : {"DZIALY", "ROZDZIALY"}) {
    const std::string linia = std::string("*** Tabela ") + tabela +
                              ": zmieniona po skopiowaniu (wierszy po kopiowaniu: " +
                              (tabela == std::string("DZIALY") ? "3" : "2") +
                              ", po zakończeniu konwersji: " + (tabela == std::string("DZIALY") ? "3" : "2") +
                              ", zmienione wartości) ***";
    EXPECT_TRUE(ma(ogolny, linia)) << linia;
    EXPECT_TRUE(ma(strona("mKomBlKr"), linia)) << linia;
  }
  // The values that changed, as a comparison with Paradox names them.
  EXPECT_TRUE(ma(strona("mKomBlKr"),
                 "*** Tabela DZIALY, rekord 3, klucz ID=3, pole NAZWA: wysłano \"wiersz 3\", zapisano "
                 "\"WIERSZ 3\" ***"));
  EXPECT_TRUE(ma(strona("mKomBlKr"),
                 "*** Tabela ROZDZIALY, rekord 1, klucz ID=1, pole NAZWA: wysłano \"wiersz 1\", zapisano "
                 "\"zmiana\" ***"));
  // Only the table that stayed as copied is said to be clean.
  const Linie& inf = strona("mKomInf");
  EXPECT_TRUE(ma(inf, "Tabela PLANWYD: zweryfikowano 2 wiersze, wartości zgodne"));
  EXPECT_EQ(std::ranges::count_if(inf, [](const std::string& l) { return l.ends_with("wartości zgodne"); }),
            1);
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Warning);
  EXPECT_NE(werdykt().text.find("KRYTYCZNĄ NIEZGODNOŚĆ"), std::string::npos) << werdykt().text;
}

// A program that has the data open (a lock file of the Paradox directory, a connection to the Firebird
// database) is named before anything changes; the run goes on only when the operator confirms.
TEST_F(Przebieg, ProgramsThatHaveTheDataOpenStopTheRunUnlessConfirmed) {
  tabela("Dochody", "DOCHODY", 2);
  listuj({{1, "DOCHODY", "DOCHODY"}});
  std::ofstream(dane / "PDOXUSRS.LCK") << "x";
  db::Session sesja;
  db::Database obcy("DBh", sesja);
  obcy.setDriverName("INTRBASE");
  for (const std::string& line : fb.params()) obcy.addParam(line);
  obcy.connect();

  konwertuj(0);  // Yes to the confirmation, the default button (No) to what follows

  ASSERT_EQ(ui.boxes().size(), 2u);
  const auto& pytanie = ui.boxes()[1];
  EXPECT_EQ(pytanie.caption, "POTWIERDZENIE");
  EXPECT_EQ(pytanie.defaultButton, konw::kNo);
  EXPECT_NE(pytanie.text.find(":\r\n  PDOXUSRS.LCK\r\n"), std::string::npos) << pytanie.text;
  EXPECT_NE(pytanie.text.find("są połączone inne programy:\r\n  użytkownik SYSDBA"), std::string::npos)
      << pytanie.text;
  EXPECT_EQ(jedna("select max(NAZWA) from DOCHODY"), "stary") << "nothing converted";

  ui.answer(konw::kYes);
  konwertuj(0);
  EXPECT_EQ(jedna("select count(*) from DOCHODY"), "2");
  obcy.disconnect();
}

TEST_F(Przebieg, ErrorInTheCopyStopsTheRunWithTheErrorVerdict) {
  // NOWA has no Paradox counterpart: the first INSERT is refused.
  sql("create table DOCHODY (ID integer not null primary key, NAZWA varchar(20), NOWA integer not null)");
  tabelaParadoxa("Dochody", 2);
  tabela("Wydatki", "WYDATKI", 2);
  tabelaParadoxa("Obce", 1);
  listuj({{1, "DOCHODY", "DOCHODY"}, {2, "WYDATKI", "WYDATKI"}});

  const Linie ogolny = konwertuj(0);

  auto blok = std::ranges::find_if(ogolny, [](const std::string& l) { return l.starts_with("\r\n*****"); });
  ASSERT_NE(blok, ogolny.end());
  EXPECT_TRUE(blok->ends_with("\r\nBłąd wystąpił w: TfrmConvert.Convert")) << *blok;
  // One empty line for each further level (the walk, the run), then the banner.
  EXPECT_EQ(Linie(blok + 1, ogolny.end()),
            (Linie{"", "", " ", kGwiazdki, "PRZENIESIENIE DANYCH PRZERWANE Z POWODU BŁĘDU", kGwiazdki}));
  EXPECT_FALSE(ma(ogolny, "WYDATKI"));
  EXPECT_FALSE(ma(ogolny, "Pominięte tabele formatu paradox:"));
  EXPECT_EQ(werdykt().kind, konw::MsgKind::Error);
  EXPECT_EQ(
      werdykt().text,
      "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH WYSTĄPIŁ BŁĄD!\r\n\r\nProcedura przeniesienia danych została "
      "przerwana z powodu błędu w trakcie konwersji.\r\n" +
          kPodglad);
  EXPECT_EQ(ui.activeLogPage(), "TabSheetBledyKryt");
  std::ifstream log(frm.wyjatki.ErrorLog, std::ios::binary);
  const std::string bledy((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(bledy.find("Procedure/function: TfrmConvert.Konwertuj\r\n"), std::string::npos) << bledy;
  EXPECT_FALSE(frm.przebieg.flagi().BladKonwersji) << "cleared after the verdict";
}

TEST_F(Przebieg, LogFilesThatCannotBeCreatedEndTheRunWithoutAVerdict) {
  tabela("Dochody", "DOCHODY", 1);
  listuj({{1, "DOCHODY", "DOCHODY"}});
  // Directories in place of the general log's names for the next seconds.
  const std::time_t teraz = std::time(nullptr);
  for (std::time_t t = teraz; t < teraz + 30; ++t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char nazwa[64];
    std::strftime(nazwa, sizeof nazwa, "Konwersja_%Y%m%d%H%M%S.log", &tm);
    fs::create_directories(dane / nazwa);
  }

  const Linie ogolny = konwertuj(0);

  ASSERT_EQ(ui.boxes().size(), 2u);
  EXPECT_EQ(ui.boxes()[1].kind, konw::MsgKind::Error);
  EXPECT_TRUE(ui.boxes()[1].text.starts_with(
      "Błąd w trakcie tworzenia pliku służącego do zapisu przebiegu konwersji: \r\n"));
  EXPECT_EQ(ogolny, (Linie{" ", kGwiazdki, "PRZENIESIENIE DANYCH PRZERWANE Z POWODU BŁĘDU", kGwiazdki}));
  EXPECT_FALSE(ui.tabVisible("TabSheetLogi"));
  EXPECT_TRUE(ui.visible("btnKonwert"));
  EXPECT_EQ(jedna("select count(*) from DOCHODY"), "1") << "nothing converted";
}

TEST_F(Przebieg, RunsRefusedBeforeTheRunningState) {
  tabela("Dochody", "DOCHODY", 1);
  listuj({{1, "DOCHODY", "DOCHODY"}});

  // Declined confirmation.
  ui.answer(konw::kNo);
  frm.Konwertuj();
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].caption, "POTWIERDZENIE");

  // Data older than 3.65: only the version message, no question.
  writeConf(dane, "3.64");
  ui.clearBoxes();
  frm.Konwertuj();
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_TRUE(ui.boxes()[0].text.starts_with("Aby dokonać konwersji danych wymagana jest wersja"));

  // No location.
  frm.SciezkaInterbase.clear();
  ui.clearBoxes();
  frm.Konwertuj();
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].kind, konw::MsgKind::Error);
  EXPECT_EQ(ui.boxes()[0].text, "Brak w konfiguracji położenia danych w formacie Paradox i/lub Firebird!");

  EXPECT_EQ(ui.beeps, 0) << "the running state was never entered";
  EXPECT_TRUE(logi("Konwersja").empty());
  EXPECT_EQ(jedna("select count(*) from DOCHODY"), "1");
}

}  // namespace
