// The whole-database comparison report over a small installation: a real Firebird database, Paradox
// tables in the data directory and its two buffer directories, and the control tables.
#include "compare/raport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "fixtures.h"
#include "platform/cp1250.h"
#include "program_fixture.h"

namespace {

using namespace test;
using Lines = std::vector<std::string>;

Lines split(const std::string& text) {
  Lines lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class Raport : public ProgramNaBazach {
 protected:
  void SetUp() override {
    ProgramNaBazach::SetUp();
    if (HasFatalFailure()) return;
    dm_ = frm.dm();
    writeControlTables(root.path / "PROG" / "KONWERSJA", {{1, "Plany", "PLANY"}, {2, "Konta", "KONTA"}},
                       {{1, "Grupa", "GRUPA_WYD"}});
    ASSERT_TRUE(dm_->OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    for (const char* name : {"Inne", "Pominieta"}) {
      dm_->tblPomijane.insert();
      dm_->tblPomijane.fieldByName("TABELA").setAsString(name);
      dm_->tblPomijane.post();
    }
    for (auto [base, dir] : {std::pair{&dm_->DBp, dane}, std::pair{&dm_->DBpb, dane / "BUFOR"},
                             std::pair{&dm_->DBpbjo, dane / "BUFOR" / "JO"}}) {
      fs::create_directories(dir);
      base->clearParams();
      base->addParam("PATH=" + dir.string());
    }
    frm.SciezkaInterbase = fb.location();
    frm.SciezkaParadoxa = dane.string();
    frm.WersjaDanych = "3.70";

    ib("create table KONTA (ID integer not null primary key, ROK integer, MIESIAC integer, KWOTA "
       "numeric(15,2))");
    ib("create index IX_OKRES on KONTA (ROK, MIESIAC)");
    pdx(dane, "Konta", {{"ID", 'I', 0}, {"ROK", 'I', 0}, {"MIESIAC", 'I', 0}, {"KWOTA", 'N', 0}});
    // PLANY is mapped by the control tables; ROZNE, with the same difference, is not in ListaTabel.
    for (const char* t : {"PLANY", "ROZNE"})
      ib(std::string("create table ") + t + " (ID integer not null primary key, GRUPA_WYD varchar(10))");
    pdx(dane, "Plany", {{"ID", 'I', 0}, {"Grupa", 'A', 10}});
    pdx(dane, "Rozne", {{"ID", 'I', 0}, {"Grupa", 'A', 10}});
    for (const char* t : {"USER_", "INNE", "BUF_PLAN", "BUF_JBPLAN"})
      ib(std::string("create table ") + t + " (ID integer not null primary key)");
    pdx(dane, "User", {{"ID", 'I', 0}});
    pdx(dane, "Inne", {{"ID", 'I', 0}});
    pdx(dane / "BUFOR", "Buf_Plan", {{"ID", 'I', 0}});
    pdx(dane / "BUFOR" / "JO", "Buf_JBPlan", {{"ID", 'I', 0}});
    // Paradox tables without a Firebird counterpart; Pominieta is skipped.
    pdx(dane, "Sierota", {{"ID", 'I', 0}});
    pdx(dane, "Pominieta", {{"ID", 'I', 0}});
    pdx(dane / "BUFOR", "Buf_Stary", {{"ID", 'I', 0}});
    ASSERT_TRUE(dm_->tblLista.locate("TABELA", {std::string("Plany")}, true));
  }

  void ib(const std::string& sql) {
    dm_->qryInterbase.clearSql();
    dm_->qryInterbase.addSql(sql);
    dm_->qryInterbase.execSql();
  }
  static void pdx(const fs::path& dir, const std::string& name, std::vector<FieldSpec> fields) {
    TableSpec t;
    t.fields = std::move(fields);
    t.keyFields = 1;
    db::paradox::writeTable(dir / (name + ".DB"), t, {});
  }
  // The memo's lines, the date line checked and replaced by "<data>".
  Lines memo() {
    Lines lines = split(ui.memoText("mPorownanie"));
    const std::regex data(R"(Porównanie danych Paradox-Firebird, \d{4}-\d\d-\d\d, \d\d:\d\d:\d\d)");
    for (auto& l : lines)
      if (l.starts_with("Porównanie danych")) {
        EXPECT_TRUE(std::regex_match(l, data)) << l;
        l = "<data>";
      }
    return lines;
  }
  Lines naglowek() const {
    return {"--------------------",
            "<data>",
            "  Położenie danych w formacie Firebird: " + fb.location(),
            "  Położenie danych w formacie Paradox: " + dane.string(),
            "  Numer wersji danych w formacie Paradox: 3.70",
            " ",
            "-- tabele firebird: "};
  }

  konw::TdmKonw* dm_ = nullptr;
  const Lines konta = {"KONTA: ", "    inny typ pola: KWOTA (firebird: BCD, paradox: Float)",
                       "    brak indeksu  (w paradox): ROK;MIESIAC"};
  const std::string grupa = "\r\n    brak pola (w paradox): GRUPA_WYD\r\n    brak pola (w firebird): GRUPA";
};

TEST_F(Raport, WithoutControlTablesNamesAreComparedAsTheyStand) {
  frm.PorownajBazy(false);
  Lines expected = naglowek();
  for (const std::string& l :
       {std::string("BUF_JBPLAN:  ok"), std::string("BUF_PLAN:  ok"), std::string("INNE:  ok")})
    expected.push_back(l);
  expected.insert(expected.end(), konta.begin(), konta.end());
  for (const std::string& l : split("PLANY: " + grupa + "\r\nROZNE: " + grupa)) expected.push_back(l);
  // ListaTabelSkip leaves out Paradox tables even in this mode, but not the Firebird ones (INNE above).
  for (const char* l : {"USER_ (USER):  ok", "", "-- tabele paradox: ", "  brak w firebird tabeli: SIEROTA",
                        "  brak w firebird tabeli: BUF_STARY"})
    expected.push_back(l);
  EXPECT_EQ(memo(), expected);

  // Each table's entry is one memo line; the comparison left TblP on the last table's database.
  EXPECT_EQ(ui.memo("mPorownanie")[10],
            "KONTA: \r\n    inny typ pola: KWOTA (firebird: BCD, paradox: Float)"
            "\r\n    brak indeksu  (w paradox): ROK;MIESIAC");
  EXPECT_EQ(dm_->TblP.database(), &dm_->DBp);
  EXPECT_EQ(dm_->TblP.tableName(), "USER");
  EXPECT_FALSE(ui.busy);
  EXPECT_FALSE(frm.PorownanieTrwa);
}

TEST_F(Raport, WithControlTablesMapsApplyOnlyToTheirOwnTableAndSkippedTablesGo) {
  frm.PorownajBazy(true);
  Lines expected = naglowek();
  for (const char* l : {"BUF_JBPLAN:  ok", "BUF_PLAN:  ok"}) expected.push_back(l);
  expected.insert(expected.end(), konta.begin(), konta.end());
  // PLANY's field map must not reach ROZNE, which ListaTabel does not name.
  for (const std::string& l : split("PLANY:  ok\r\nROZNE: " + grupa)) expected.push_back(l);
  for (const char* l : {"USER_ (USER):  ok", "", "-- tabele paradox: ", "  brak w firebird tabeli: SIEROTA",
                        "  brak w firebird tabeli: BUF_STARY"})
    expected.push_back(l);
  EXPECT_EQ(memo(), expected);

  // The detail tables follow ListaTabel again afterwards; its row is the last table it named.
  EXPECT_EQ(dm_->tblLista.fieldByName("TABELA_IB").asString(), "PLANY");
  EXPECT_TRUE(dm_->tblPola.locate("POLE_PDX", {std::string("Grupa")}, true));

  // A second comparison follows the first in the memo.
  frm.PorownajBazy(false);
  const Lines all = memo();
  EXPECT_EQ(std::count(all.begin(), all.end(), "--------------------"), 2);
  EXPECT_EQ(Lines(all.begin() + static_cast<long>(expected.size()),
                  all.begin() + static_cast<long>(expected.size()) + 7),
            naglowek());
}

TEST_F(Raport, ClicksDuringAComparisonAreIgnoredAndTheButtonsComeBack) {
  int calls = 0;
  ui.onProcessMessages = [&] {
    if (calls++ == 0) {
      EXPECT_FALSE(ui.enabled("btnPorownaj"));
      EXPECT_FALSE(ui.enabled("btnKonwert"));
      EXPECT_FALSE(ui.enabled("btnKonfig"));
      EXPECT_TRUE(ui.busy);
      frm.PorownajBazy(true);
      frm.ZapiszPorownanie();
      frm.ActionZmienKonfig();
    }
  };
  ui.answerSaveFile((root.path / "r.txt").string());
  frm.PorownajBazy(false);
  EXPECT_GT(calls, 0);
  const Lines lines = memo();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "--------------------"), 1);
  EXPECT_TRUE(ui.saveQuestions.empty());
  EXPECT_EQ(ui.locationDialogs, 0);
  for (const char* b : {"btnPorownaj", "btnErrAllowPorow", "btnZapiszPorownanie", "btnKonwert", "btnKonfig"})
    EXPECT_TRUE(ui.enabled(b)) << b;
  EXPECT_FALSE(ui.busy);
}

TEST_F(Raport, AnEngineErrorEndsTheComparisonAndKeepsWhatWasWritten) {
  // A missing buffer directory only has no tables; a database that cannot connect is an error.
  dm_->DBpbjo.disconnect();
  dm_->DBpbjo.clearParams();
  EXPECT_THROW(frm.PorownajBazy(false), std::exception);
  const Lines lines = memo();
  EXPECT_EQ(lines.back(), "  brak w firebird tabeli: BUF_STARY");
  EXPECT_FALSE(ui.busy);
  EXPECT_FALSE(frm.PorownanieTrwa);
  EXPECT_TRUE(ui.enabled("btnPorownaj"));
}

TEST_F(Raport, SaveWritesTheMemoInWindows1250WithCrLf) {
  frm.PorownajBazy(false);
  frm.PorownajBazy(true);
  const fs::path file = root.path / "wyniki" / "raport.txt";
  fs::create_directories(file.parent_path());
  ui.answerSaveFile(file.string());
  frm.ZapiszPorownanie();
  ASSERT_EQ(ui.saveQuestions.size(), 1u);
  EXPECT_TRUE(std::regex_match(ui.saveQuestions[0].proposedName, std::regex(R"(GDBvsDB_\d{12}\.txt)")));
  EXPECT_EQ(ui.saveQuestions[0].defaultExtension, "txt");
  EXPECT_EQ(ui.saveQuestions[0].filter, "pliki tekstowe|*.txt|wszystkie pliki|*.*");
  const std::string bytes = readBytes(file);
  EXPECT_EQ(bytes, konw::utf8ToCp1250(ui.memoText("mPorownanie")));
  EXPECT_NE(bytes.find("Por\xF3wnanie danych"), std::string::npos) << "ó in Windows-1250";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      ASSERT_EQ(bytes[i - 1], '\r') << "at " << i;
    }
  }
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n') + 1, static_cast<long>(memo().size()));
  EXPECT_FALSE(ui.busy);

  // Cancelled: nothing written. Unwritable: the error passes on, the cursor comes back.
  fs::remove(file);
  frm.ZapiszPorownanie();
  EXPECT_FALSE(fs::exists(file));
  ui.answerSaveFile((root.path / "brak" / "raport.txt").string());
  EXPECT_THROW(frm.ZapiszPorownanie(), std::runtime_error);
  EXPECT_FALSE(ui.busy);
}

TEST(RaportNazwy, FileNameAndDateLine) {
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 1;
  t.tm_mday = 3;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  EXPECT_EQ(konw::NazwaPlikuRaportu(t), "GDBvsDB_202402030905.txt");
  EXPECT_EQ(konw::LiniaDatyRaportu(t), "Porównanie danych Paradox-Firebird, 2024-02-03, 09:05:07");
  EXPECT_EQ(konw::WpisTabeli("USER_", ""), "USER_ (USER):  ok");
  EXPECT_EQ(konw::WpisTabeli("A", "\r\n    x"), "A: \r\n    x");
}

}  // namespace
