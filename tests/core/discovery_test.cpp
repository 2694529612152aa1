#include <gtest/gtest.h>

#include "fixtures.h"
#include "platform/ini.h"

namespace {

using namespace test;
using konw::MsgKind;

const char* kBrakSystemu = "Brak w konfiguracji Windows informacji o zainstalowanym systemie \"Kalmiro\"!";
const char* kBrakDanych = "Brak w konfiguracji programu \"Kalmiro\" określenia katalogu z danymi!";
const char* kBrakFirebird =
    "Brak w konfiguracji programu \"Kalmiro\" określenia pliku z danymi w formacie Firebird!";

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerBuiltinDrivers();
    frm.wyjatki.ErrorLog = (root.path / "konwersja.log").string();
    fs::create_directories(drive / "DANE" / "BUFOR" / "JO");
    fs::create_directories(drive / "DANEJB" / "BUFOR" / "JO");
    fs::create_directories(drive / "INNE" / "BUFOR" / "JO");
    frm.identyfikatorStanowiska = [] { return std::string("00E04C6A1B2F"); };
    ASSERT_TRUE(frm.UtworzModulDanych());
  }

  void winIni(const std::string& text) { writeText(root.path / "win.ini", text); }
  void productIni(const std::string& text) { writeText(drive / "Kalmiro.ini", text); }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& b : ui.boxes()) out.push_back(b.text);
    return out;
  }

  TempDir root;
  fs::path drive = root.path / "D";
  EnvGuard wininiEnv{"KONWERSJA_WININI", (root.path / "win.ini").string()};
  EnvGuard driveEnv{"KONWERSJA_DRIVE_D", drive.string()};
  konw::ScriptedOperator ui;
  konw::TfrmConvert frm{ui, {}, (root.path / "konwersja").string()};
};

TEST_F(Discovery, AutoDetectionPrefersTheJstKeyAndReadsSectionsInOrder) {
  winIni("[VELMARO]\nDIZEZ=D:\\Inny.ini\nKalmiro=D:\\Kalmiro.ini\n");
  productIni(
      "[00E04C6A1B2F]\nGDBPath=D:\\BAZA\\K.FDB\n"
      "[configKalmiro]\nPathData=D:\\DANE\\\nGDBPath=srv:/nie/ten.fdb\n"
      "[configJST]\nPathMain=D:\\PROG\n");
  ASSERT_TRUE(frm.WczytajKonfiguracje(false));
  EXPECT_TRUE(ui.checked("JST"));
  EXPECT_FALSE(ui.checked("JB"));
  EXPECT_EQ(frm.SciezkaGlowna, "D:\\PROG");
  // PathMain came from the shared section, so PathData is looked for there, then in the edition's.
  EXPECT_EQ(frm.SciezkaParadoxa, "D:\\DANE\\");
  EXPECT_EQ(frm.SciezkaInterbase, "D:\\BAZA\\K.FDB") << "the workstation section wins for GDBPath";
  auto& dm = *frm.dm();
  EXPECT_EQ(dm.DBp.params(),
            (std::vector<std::string>{"PATH=D:\\DANE\\", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"}));
  EXPECT_EQ(dm.DBpb.params()[0], "PATH=D:\\DANE\\BUFOR\\");
  EXPECT_EQ(dm.DBpbjo.params()[0], "PATH=D:\\DANE\\BUFOR\\JO\\");
  EXPECT_EQ(dm.DBi.driverName(), "INTRBASE");
  EXPECT_EQ(dm.DBi.params(),
            (std::vector<std::string>{"SERVER NAME=D:\\BAZA\\K.FDB", "USER NAME=SYSDBA", "PASSWORD=palisandr",
                                      "SQLQRYMODE=SERVER", "LANGDRIVER=anpolish", "ENABLE BCD=TRUE",
                                      "SQLDIALECT=3"}));
  EXPECT_TRUE(dm.DBp.connected() && dm.DBpb.connected() && dm.DBpbjo.connected());
  EXPECT_FALSE(dm.DBi.connected());
  EXPECT_TRUE(ui.boxes().empty());
  EXPECT_EQ(dm.session.passwords(), std::vector<std::string>{"wrzo"});
}

TEST_F(Discovery, OnlyTheJbKeyChecksJbAndUsesItsSection) {
  winIni("[velmaro]\ndizez = D:\\Kalmiro.ini\n");
  productIni(
      "[configKalmiro]\nPathData=D:\\DANE\nGDBPath=x:/"
      "a.fdb\n[configJB]\nPathData=D:\\DANEJB\nGDBPath=D:\\JB.FDB\n");
  ASSERT_TRUE(frm.WczytajKonfiguracje(false));
  EXPECT_TRUE(ui.checked("JB"));
  EXPECT_FALSE(ui.checked("JST"));
  EXPECT_EQ(frm.SciezkaParadoxa, "D:\\DANEJB");
  EXPECT_EQ(frm.dm()->DBpb.params()[0], "PATH=D:\\DANEJB\\BUFOR\\") << "no doubled backslash";
  EXPECT_EQ(frm.dm()->DBp.params()[0], "PATH=D:\\DANEJB") << "taken unchanged";
  EXPECT_EQ(frm.SciezkaGlowna, "");
}

TEST_F(Discovery, RadioButtonReadsOnlyItsEditionsKey) {
  winIni("[VELMARO]\nKalmiro=D:\\Kalmiro.ini\n");
  productIni("[configJST]\nPathData=D:\\DANE\\\nGDBPath=D:\\K.FDB\n");
  frm.ZaznaczBezZdarzenia("JB", true);
  EXPECT_FALSE(frm.WczytajKonfiguracje(true));
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].text, kBrakSystemu);
  EXPECT_EQ(ui.boxes()[0].kind, MsgKind::Error);
  EXPECT_EQ(ui.boxes()[0].buttons, unsigned{konw::kOk});
  EXPECT_FALSE(frm.dm()->DBp.connected());
  EXPECT_TRUE(frm.SciezkaParadoxa.empty());
}

TEST_F(Discovery, DataPathIsNotSoughtInTheWorkstationSectionWhenMainPathWasShared) {
  winIni("[VELMARO]\nKalmiro=D:\\Kalmiro.ini\n");
  productIni("[00E04C6A1B2F]\nPathData=D:\\DANE\\\n[configJST]\nPathMain=D:\\PROG\\\nGDBPath=D:\\K.FDB\n");
  EXPECT_FALSE(frm.WczytajKonfiguracje(false));
  // The box names the product's INI file the key was sought in.
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_TRUE(texts()[0].starts_with(kBrakDanych)) << texts()[0];
  EXPECT_NE(texts()[0].find("D:\\Kalmiro.ini"), std::string::npos) << texts()[0];
}

TEST_F(Discovery, WorkstationSectionServesWhenNothingIsShared) {
  winIni("[VELMARO]\nKalmiro=D:\\Kalmiro.ini\n");
  productIni(
      "[00e04c6a1b2f]\nPathData=D:\\INNE\\\nGDBPath=D:\\K.FDB\n[configJST]\nPathData=D:\\DANE\\\nGDBPath=D:"
      "\\W.FDB\n");
  ASSERT_TRUE(frm.WczytajKonfiguracje(false));
  EXPECT_EQ(frm.SciezkaParadoxa, "D:\\INNE\\");
  EXPECT_TRUE(frm.SciezkaGlowna.empty());

  // Without a readable workstation identifier only the shared sections count.
  frm.identyfikatorStanowiska = [] { return std::string(); };
  ASSERT_TRUE(frm.WczytajKonfiguracje(false));
  EXPECT_EQ(frm.SciezkaParadoxa, "D:\\DANE\\");
  EXPECT_EQ(frm.SciezkaInterbase, "D:\\W.FDB");
}

TEST_F(Discovery, MissingFirebirdLocationIsReportedAndNothingConnects) {
  winIni("[VELMARO]\nKalmiro=D:\\Kalmiro.ini\n");
  productIni("[configKalmiro]\nPathData=D:\\DANE\\\n");
  EXPECT_FALSE(frm.WczytajKonfiguracje(false));
  EXPECT_EQ(texts(), std::vector<std::string>{kBrakFirebird});
  EXPECT_EQ(frm.SciezkaParadoxa, "D:\\DANE\\") << "what was read before the failure stays";
  EXPECT_FALSE(frm.dm()->DBp.connected());
}

// A location longer than the 255 characters an INI read gives would name another file: refused before
// anything connects, with the limit; one of exactly 255 characters is whole and taken.
TEST_F(Discovery, FirebirdLocationCutByTheIniReadIsRefusedNamingTheLimit) {
  winIni("[VELMARO]\nKalmiro=D:\\Kalmiro.ini\n");
  for (std::size_t dlugosc : {255u, 256u}) {
    SCOPED_TRACE(dlugosc);
    ui.clearBoxes();
    const std::string polozenie = "127.0.0.1:/" + std::string(dlugosc - 15, 'x') + ".FDB";
    productIni("[configKalmiro]\nPathData=D:\\DANE\\\nGDBPath=" + polozenie + "\n");
    const bool ok = frm.WczytajKonfiguracje(false);
    EXPECT_EQ(ok, dlugosc == 255);
    EXPECT_EQ(frm.SciezkaInterbase, ok ? polozenie : "");
    if (!ok) {
      ASSERT_EQ(texts().size(), 1u);
      EXPECT_NE(texts()[0].find("GDBPath w pliku D:\\Kalmiro.ini) jest dłuższe niż 255 znaków"),
                std::string::npos)
          << texts()[0];
    }
  }
}

TEST_F(Discovery, NoWinIniAtAll) {
  EXPECT_FALSE(frm.WczytajKonfiguracje(false));
  // The box says where WIN.INI was looked for and how to give one.
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_TRUE(texts()[0].starts_with(kBrakSystemu)) << texts()[0];
  EXPECT_NE(texts()[0].find("szukano " + konw::profileFilePath("WIN.INI").string()), std::string::npos);
  EXPECT_NE(texts()[0].find("--winini"), std::string::npos);
  EXPECT_FALSE(ui.checked("JST") || ui.checked("JB"));
}

TEST_F(Discovery, AccessErrorIsShownOnlyOutsideStartUp) {
  const std::string msg =
      "Błąd dostępu do danych według podanej konfiguracji położenia danych!\r\n"
      "Proszę przed konwersją ustawić poprawną konfigurację położenia danych.";
  frm.JestWOnCreate = true;
  EXPECT_FALSE(frm.UstawSciezkiDoBaz("D:\\DANE\\", "", false, true));
  EXPECT_TRUE(ui.boxes().empty());
  frm.JestWOnCreate = false;
  EXPECT_FALSE(frm.UstawSciezkiDoBaz("D:\\DANE\\", "", false, false));
  EXPECT_TRUE(ui.boxes().empty());
  EXPECT_FALSE(frm.UstawSciezkiDoBaz("D:\\DANE\\", "", false, true));
  EXPECT_EQ(texts(), std::vector<std::string>{msg});
}

}  // namespace
