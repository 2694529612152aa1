#include "control/konwersja_dm.h"
#include "core/log_support.h"
#include "db/memory_driver.h"
#include "platform/paths.h"

namespace konw {
namespace {

using test_support::LogicTest;
using test_support::readBytes;

struct Linia {
  std::vector<std::string> args;
  std::string edycja;
  bool zaawansowany;
};

TEST(CommandLine, FirstTwoArgumentsUpperCased) {
  const Linia przypadki[] = {
      {{}, "", false},
      {{"jb", "advanced"}, "JB", true},
      {{"ADVANCED", "JST"}, "JST", true},
      {{"JST", "JB"}, "JST", false},
      {{"x", "Jb"}, "JB", false},
      {{"a", "b", "ADVANCED"}, "", false},
      {{"a", "b", "JST"}, "", false},
      {{"advanced"}, "", true},
      {{"JSTX", "ADVANCEDX"}, "", false},
  };
  for (const auto& p : przypadki) {
    ScriptedOperator ui;
    TfrmConvert frm(ui, p.args, "/opt/k/konwersja");
    EXPECT_EQ(frm.EdycjaZWierszaPolecen(), p.edycja) << ::testing::PrintToString(p.args);
    EXPECT_EQ(frm.CzyTrybZaawansowany(), p.zaawansowany) << ::testing::PrintToString(p.args);
  }
}

class Window : public LogicTest {};

TEST_F(Window, ConversionKindEnablesTheGridOnlyForSelectedTables) {
  frm.RadioGroup1Click(4);
  EXPECT_EQ(frm.RodzajKonwersji, konw::TRodzajKonwersji{4});
  EXPECT_TRUE(ui.enabled("ExRxDBGrid1"));
  frm.RadioGroup1Click(7);
  EXPECT_EQ(frm.RodzajKonwersji, konw::TRodzajKonwersji{4});
  EXPECT_TRUE(ui.enabled("ExRxDBGrid1"));
  frm.RadioGroup1Click(2);
  EXPECT_EQ(frm.RodzajKonwersji, konw::TRodzajKonwersji{2});
  EXPECT_FALSE(ui.enabled("ExRxDBGrid1"));
  EXPECT_EQ(ui.gridRefreshes["ExRxDBGrid1"], 3);
}

TEST_F(Window, RunningAndIdleStates) {
  EXPECT_FALSE(frm.WTrakcieKonwersji());
  EXPECT_FALSE(ui.visible("PanelPaski"));
  EXPECT_FALSE(ui.tabVisible("TabSheetLogi"));

  frm.przebieg.flagi().Przerwano = true;
  frm.UstawStanPracy(true);
  EXPECT_FALSE(frm.przebieg.flagi().Przerwano);
  EXPECT_TRUE(frm.WTrakcieKonwersji());
  EXPECT_FALSE(ui.visible("btnKonwert"));
  EXPECT_FALSE(ui.enabled("btnKonfig") || ui.enabled("btnClose"));
  EXPECT_TRUE(ui.visible("PanelPaski") && ui.enabled("btnBreak"));
  EXPECT_EQ(ui.focused, "btnBreak");
  EXPECT_EQ(ui.activePage(), "TabKonwersja");

  frm.przebieg.flagi().Niezgodnosc = true;
  frm.UstawStanPracy(false);
  EXPECT_FALSE(frm.WTrakcieKonwersji());
  EXPECT_TRUE(ui.visible("btnKonwert") && ui.enabled("btnKonfig") && ui.enabled("btnClose"));
  EXPECT_FALSE(ui.visible("PanelPaski"));
  EXPECT_TRUE(ui.tabVisible("TabSheetLogi"));
  EXPECT_EQ(ui.activePage(), "TabSheetLogi");
  EXPECT_EQ(ui.activeLogPage(), "TabSheetBledy");
  EXPECT_FALSE(frm.przebieg.flagi().Niezgodnosc);
  EXPECT_EQ(ui.beeps, 1);
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].kind, MsgKind::Information);
  EXPECT_EQ(
      ui.boxes()[0].text,
      "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA NIEZGODNOŚĆ STRUKTURY BAZY (zakładka "
      "Wyniki-Błędy).\r\n"
      "\r\nProcedura przeniesienia danych dobiegła do końca.\r\n(Podgląd zapisanego przebiegu konwersji - "
      "zakładka \"Wyniki\")");
}

TEST_F(Window, BrokenRunWritesItsBannerAndQuietEndShowsNothing) {
  frm.UstawStanPracy(true);
  frm.przebieg.flagi().Przerwano = true;
  frm.UstawStanPracy(false);
  const std::string gwiazdki(51, '*');
  EXPECT_EQ(ui.memo("mKomunikaty"),
            (std::vector<std::string>{" ", gwiazdki, "   PRZENIESIENIE DANYCH PRZERWANO ", gwiazdki}));
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].kind, MsgKind::Warning);
  EXPECT_EQ(ui.boxes()[0].text,
            "UWAGA: PRZENOSZENIE DANYCH PRZERWANO!\r\n(Podgląd zapisanego przebiegu konwersji - zakładka "
            "\"Wyniki\")");
  EXPECT_EQ(ui.activeLogPage(), "TabSheetBledyKryt");
  EXPECT_FALSE(frm.przebieg.flagi().Przerwano);

  ui.clearBoxes();
  ui.setTabVisible("TabSheetLogi", false);
  frm.UstawStanPracy(true);
  frm.przebieg.flagi().BladKonwersji = true;
  frm.UstawStanPracy(false, true);
  EXPECT_TRUE(ui.boxes().empty());
  EXPECT_FALSE(ui.tabVisible("TabSheetLogi"));
  EXPECT_FALSE(frm.przebieg.flagi().BladKonwersji);
}

TEST_F(Window, ClosingDuringARunAsksAndNoKeepsItGoing) {
  frm.UstawStanPracy(true);
  ui.answer(kNo);
  EXPECT_FALSE(frm.FormClose());
  EXPECT_FALSE(frm.przebieg.flagi().Przerwano);
  ASSERT_EQ(ui.boxes().size(), 1u);
  const auto& box = ui.boxes()[0];
  EXPECT_EQ(box.kind, MsgKind::Question);
  EXPECT_EQ(box.caption, "POTWIERDZENIE");
  EXPECT_EQ(box.text, "Czy przerwać konwersję danych?");
  EXPECT_EQ(box.buttons, unsigned(kYes | kNo));
  EXPECT_EQ(box.defaultButton, kNo);
}

TEST_F(Window, ClosingDuringARunWithYesClosesTheLogsAtOnce) {
  openLogs();
  frm.UstawStanPracy(true);
  ui.answer(kYes);
  EXPECT_TRUE(frm.FormClose());
  EXPECT_TRUE(frm.przebieg.flagi().Przerwano);
  for (const auto& l : frm.przebieg.log().logi) EXPECT_FALSE(l.otwarty());
  // What the run still writes reaches the general page only.
  frm.ZapiszKomunikat("baner", kWszystkie);
  EXPECT_EQ(ui.memo("mKomunikaty").back(), "baner");
  EXPECT_TRUE(ui.memo("mKomInf").empty());
  EXPECT_EQ(readBytes(frm.przebieg.log().logi[0].sciezka), "");
  frm.przebieg.flagi().Przerwano = false;
}

TEST_F(Window, ClosingWhenIdleNeedsNoQuestion) {
  EXPECT_TRUE(frm.FormClose());
  EXPECT_TRUE(ui.boxes().empty());
}

TEST_F(Window, GridSwallowsInsertCtrlDeleteAndDownOnTheLastRow) {
  using K = TfrmConvert::Klawisz;
  EXPECT_TRUE(frm.ExRxDBGrid1KeyDown(K::Insert, false));
  EXPECT_TRUE(frm.ExRxDBGrid1KeyDown(K::Delete, true));
  EXPECT_FALSE(frm.ExRxDBGrid1KeyDown(K::Delete, false));
  EXPECT_FALSE(frm.ExRxDBGrid1KeyDown(K::Other, true));

  testing_db::registerMemoryDriver();
  auto& t = testing_db::store().tables["ListaTabel.db"];
  t = {};
  t.fields = {{"TABELA", db::FieldType::String, 40, 1},
              {"TABELA_IB", db::FieldType::String, 40, 2},
              {"KONWERTOWANA", db::FieldType::Boolean, 0, 3}};
  for (const char* n : {"A", "B"}) {
    t.rows.push_back({std::string(n), std::string(n), false});
    t.ids.push_back(t.nextId++);
  }
  ASSERT_TRUE(frm.UtworzModulDanych());
  TdmKonw& dm = *frm.dm();
  dm.dbKonwersja.setDriverName("MEMORY");
  dm.dbKonwersja.connect();
  dm.tblLista.open();
  EXPECT_FALSE(frm.ExRxDBGrid1KeyDown(K::Down, false));
  dm.tblLista.next();
  EXPECT_TRUE(frm.ExRxDBGrid1KeyDown(K::Down, false));
  EXPECT_EQ(frm.przebieg.EtykietaTabeli(), "B");
  frm.przebieg.log().NaglowekDoZapisu[1] = true;
  openLogs();
  frm.ZapiszKomunikat("x", kDodatkoweInfo);
  EXPECT_EQ(ui.memo("mKomInf")[2], "B");
}

TEST_F(Window, StartUpWithoutControlTablesEndsWithExitCode1) {
  ::setenv("KONWERSJA_WININI", (dir.path / "brak.ini").c_str(), 1);
  EXPECT_FALSE(frm.FormCreate());
  ::unsetenv("KONWERSJA_WININI");
  EXPECT_FALSE(frm.JestWOnCreate);
  EXPECT_EQ(frm.wyjatki.ErrorLog, UsunRozszerzenie(frm.programPath()) + ".log");
  EXPECT_NE(frm.dm(), nullptr);
  EXPECT_FALSE(ui.checked("JST") || ui.checked("JB"));
  EXPECT_FALSE(ui.tabVisible("TabOpcje"));
}

}  // namespace
}  // namespace konw
