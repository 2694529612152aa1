// Start-up on a complete small installation: WIN.INI, the product INI, Paradox data, control tables
// and a real Firebird database.
#include <gtest/gtest.h>

#include "firebird/fb_fixture.h"
#include "fixtures.h"
#include "log_support.h"
#include "platform/cp1250.h"

namespace {

using namespace test;

const char* kWersja =
    "Aby dokonać konwersji danych wymagana jest wersja bazy danych nie mniejsza niż 3.65. Proszę "
    "zaktualizować dane.";

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerBuiltinDrivers();
    for (const char* d : {"DANE", "DANEJB"}) {
      fs::create_directories(drive / d / "BUFOR" / "JO");
      writeParams(drive / d, d == std::string("DANE") ? "G" : "W");
      writeConf(drive / d, std::string("3.66"));
    }
    writeControlTables(drive / "PROG" / "KONWERSJA", {{1, "Dochody", "DOCHODY"}, {2, "USER", "USER_"}}, {});
    writeText(root.path / "win.ini", "[VELMARO]\nKalmiro=D:\\Kalmiro.ini\nDIZEZ=D:\\Kalmiro.ini\n");
    writeText(drive / "Kalmiro.ini",
              "[configJST]\nPathMain=D:\\PROG\\\nGDBPath=" + fb.location() +
                  "\n[configKalmiro]\nPathData=D:\\DANE\\\n[configJB]\nPathData=D:\\DANEJB\n");
  }

  // A new window each time, as a new process would have.
  std::unique_ptr<konw::TfrmConvert> start(std::vector<std::string> args) {
    ui = konw::ScriptedOperator();
    auto frm = std::make_unique<konw::TfrmConvert>(ui, std::move(args), (root.path / "konwersja").string());
    frm->identyfikatorStanowiska = [] { return std::string("0011223344AA"); };
    return frm;
  }

  TempDir root;
  fs::path drive = root.path / "D";
  EnvGuard wininiEnv{"KONWERSJA_WININI", (root.path / "win.ini").string()};
  EnvGuard driveEnv{"KONWERSJA_DRIVE_D", drive.string()};
  fbtest::TempDatabase fb;
  konw::ScriptedOperator ui;
};

TEST_F(StartUp, JstEditionReachesTheIdleWindowWithUnitAndVersion) {
  auto frm = start({});
  ASSERT_TRUE(frm->FormCreate());
  EXPECT_TRUE(ui.boxes().empty()) << ui.boxes().front().text;
  EXPECT_TRUE(ui.checked("JST"));
  EXPECT_EQ(ui.caption("lblSciezkaParadoxa"), "D:\\DANE\\");
  EXPECT_EQ(ui.caption("lblSciezkaInterbase"), fb.location());
  EXPECT_EQ(ui.caption("lblWersjaPdx"), "3.66");
  EXPECT_EQ(ui.caption("txtGm"), "Sobótka");
  EXPECT_TRUE(ui.visible("txtGm"));
  EXPECT_EQ(ui.activePage(), "TabKonwersja");
  EXPECT_FALSE(ui.tabVisible("TabOpcje"));
  EXPECT_TRUE(frm->dm()->DBi.connected());
  EXPECT_EQ(frm->przebieg.log().logi[0].sciezka, "D:\\DANE\\Konwersja.log");
  EXPECT_EQ(frm->dm()->SciezkaKonwersji, "D:\\PROG\\KONWERSJA\\");
  EXPECT_FALSE(frm->JestWOnCreate);
}

TEST_F(StartUp, JbFromTheCommandLineInAdvancedMode) {
  auto frm = start({"advanced", "jb"});
  ASSERT_TRUE(frm->FormCreate());
  EXPECT_TRUE(ui.checked("JB"));
  EXPECT_FALSE(ui.checked("JST"));
  EXPECT_EQ(ui.caption("lblSciezkaParadoxa"), "D:\\DANEJB");
  EXPECT_TRUE(ui.visible("txtWoj"));
  EXPECT_FALSE(ui.visible("txtPow")) << "a unit of kind W shows only the voivodeship";
  EXPECT_TRUE(ui.tabVisible("TabOpcje") && ui.tabVisible("tsListaTabel") && ui.tabVisible("tsPorownanie"));
  EXPECT_EQ(frm->dm()->DBp.params()[0], "PATH=D:\\DANEJB");
}

TEST_F(StartUp, OldDataIsRefusedButStartUpGoesOn) {
  const std::string kNieprawidlowy = "Nieprawidłowy numer wersji danych: ";
  struct Przypadek {
    std::optional<std::string> wersja;  // none: Conf without a WerPl row
    std::string komunikat;              // empty: the data is accepted
    std::string etykieta;
  };
  const std::vector<Przypadek> przypadki = {
      {"3.65", "", "3.65"},
      {"3.66", "", "3.66"},
      {"3.7", "", "3.7"},
      {"4.0", "", "4.0"},
      {"3.650", "", "3.650"},
      {"10.00", "", "10.00"},
      {" 3.70 ", "", " 3.70 "},
      {"3.6", kWersja, "3.6"},
      {"3.64", kWersja, "3.64"},
      {"3.100", kWersja, "3.100"},
      {"", kNieprawidlowy + "pusty tekst w wierszu WerPl tabeli Conf.\r\n" + kWersja,
       "pusty (nieprawidłowy)"},
      {std::nullopt, kNieprawidlowy + "brak wiersza WerPl w tabeli Conf.\r\n" + kWersja,
       "brak wiersza WerPl w Conf"},
      {"abc", kNieprawidlowy + "\"abc\".\r\n" + kWersja, "\"abc\" (nieprawidłowy)"},
      {"D:\\DANE\\", kNieprawidlowy + "\"D:\\DANE\\\".\r\n" + kWersja, "\"D:\\DANE\\\" (nieprawidłowy)"},
      {"4", kNieprawidlowy + "\"4\".\r\n" + kWersja, "\"4\" (nieprawidłowy)"},
      {"3.65.1", kNieprawidlowy + "\"3.65.1\".\r\n" + kWersja, "\"3.65.1\" (nieprawidłowy)"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.wersja.value_or("(no WerPl row)"));
    writeConf(drive / "DANE", p.wersja);
    auto frm = start({"JST"});
    ASSERT_TRUE(frm->FormCreate());
    EXPECT_EQ(ui.caption("lblWersjaPdx"), p.etykieta);
    if (p.komunikat.empty()) {
      EXPECT_TRUE(ui.boxes().empty());
      EXPECT_FALSE(frm->SprawdzWersjeDanych(frm->SciezkaParadoxa, frm->SciezkaInterbase, false));
      continue;
    }
    ASSERT_EQ(ui.boxes().size(), 2u) << "once from the radio button, once from the start-up check";
    EXPECT_EQ(ui.boxes()[0].text, p.komunikat);
    EXPECT_TRUE(frm->SprawdzWersjeDanych(frm->SciezkaParadoxa, frm->SciezkaInterbase, false));
  }
}

TEST_F(StartUp, ADatabaseFileTheEngineCannotOpenIsExplainedInTheBoxAndTheErrorLog) {
  // The configuration names a file of zeros: start-up says nothing, the next check tells what it is.
  const fs::path zera = root.path / "BAZA" / "ZERA.FDB";
  fs::create_directories(zera.parent_path());
  fs::permissions(zera.parent_path(), fs::perms::all);  // a server reads it as its own user
  std::ofstream(zera, std::ios::binary) << std::string(16384, '\0');
  const std::string lokalizacja = fbtest::TempDatabase::at(zera);
  writeText(drive / "Kalmiro.ini", "[configJST]\nPathMain=D:\\PROG\\\nGDBPath=" + lokalizacja +
                                       "\n[configKalmiro]\nPathData=D:\\DANE\\\n");
  auto frm = start({});
  ASSERT_TRUE(frm->FormCreate());
  EXPECT_TRUE(ui.boxes().empty());
  EXPECT_TRUE(frm->SprawdzWersjeDanych(frm->SciezkaParadoxa, frm->SciezkaInterbase, false));
  ASSERT_EQ(ui.boxes().size(), 1u);
  const std::string przyczyna = "Plik " + lokalizacja + " nie jest bazą danych Firebird";
  EXPECT_TRUE(
      ui.boxes()[0].text.starts_with("Błąd dostępu do danych według podanej konfiguracji położenia "
                                     "danych!\r\nProszę przed konwersją ustawić "
                                     "poprawną konfigurację położenia danych.\r\n\r\n" +
                                     przyczyna))
      << ui.boxes()[0].text;
  EXPECT_NE(konw::cp1250ToUtf8(konw::test_support::readBytes(frm->wyjatki.ErrorLog)).find(przyczyna),
            std::string::npos);

  // Locations that work again clear the explanation.
  frm->SciezkaInterbase = fb.location();
  EXPECT_FALSE(frm->SprawdzWersjeDanych(frm->SciezkaParadoxa, frm->SciezkaInterbase, false));
  frm->SciezkaParadoxa = "D:\\BRAK\\";
  EXPECT_TRUE(frm->SprawdzWersjeDanych(frm->SciezkaParadoxa, frm->SciezkaInterbase, false));
  EXPECT_EQ(ui.boxes().back().text.find("Firebird"), std::string::npos) << ui.boxes().back().text;
}

TEST_F(StartUp, MissingControlTableEndsStartUp) {
  fs::remove(drive / "PROG" / "KONWERSJA" / "ListaTabelKolejnosc.db");
  auto frm = start({});
  EXPECT_FALSE(frm->FormCreate());
  ASSERT_FALSE(ui.boxes().empty());
  EXPECT_NE(ui.boxes().back().text.find("ListaTabelKolejnosc.db"), std::string::npos);
}

TEST_F(StartUp, FirebirdTablesAndPrimaryKeyFields) {
  auto frm = start({});
  ASSERT_TRUE(frm->FormCreate());
  auto& dm = *frm->dm();
  dm.qryInterbase.addSql(
      "create table PLANY (ROK smallint not null, DZIAL varchar(3) not null, DZ varchar(3), "
      "dzial_x integer, constraint PK_PLANY primary key (ROK, DZIAL))");
  dm.qryInterbase.execSql();
  dm.qryInterbase.clearSql();
  dm.qryInterbase.addSql("create table BEZKLUCZA (A integer)");
  dm.qryInterbase.execSql();
  EXPECT_TRUE(dm.TabelaIstniejeWFirebird("plany"));
  EXPECT_FALSE(dm.TabelaIstniejeWFirebird("PLAN"));

  dm.TblI.setTableName("PLANY");
  dm.TblI.open();
  EXPECT_TRUE(dm.PoleWKluczuGlownym(dm.TblI.fieldByName("ROK")));
  EXPECT_TRUE(dm.PoleWKluczuGlownym(dm.TblI.fieldByName("DZIAL")));
  EXPECT_FALSE(dm.PoleWKluczuGlownym(dm.TblI.fieldByName("DZ")));
  EXPECT_FALSE(dm.PoleWKluczuGlownym(dm.TblI.fieldByName("DZIAL_X")));
  dm.TblI.close();
  dm.TblI.setTableName("BEZKLUCZA");
  dm.TblI.open();
  EXPECT_FALSE(dm.PoleWKluczuGlownym(dm.TblI.fieldByName("A")));
}

}  // namespace

namespace {

TEST(ErrorLogName, FollowsTheProgramFileWithOrWithoutAnExtension) {
  test::TempDir dir;
  test::EnvGuard noWinIni{"KONWERSJA_WININI", (dir.path / "brak.ini").string()};
  db::registerBuiltinDrivers();
  for (auto [program, log] :
       {std::pair{"a.b/konwersja", "a.b/konwersja.log"}, {"bin/konw.exe", "bin/konw.log"}}) {
    std::filesystem::create_directories((dir.path / program).parent_path());
    konw::ScriptedOperator ui;
    konw::TfrmConvert frm{ui, {}, (dir.path / program).string()};
    frm.FormCreate();
    EXPECT_EQ(frm.wyjatki.ErrorLog, (dir.path / log).string());
  }
}

}  // namespace
