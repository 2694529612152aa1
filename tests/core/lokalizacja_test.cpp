// The data-location dialog: its state and handlers, and the change of the locations on a small
// installation with a real Firebird database reached as F:\test.fdb.
#include "config/lokalizacja.h"

#include <gtest/gtest.h>

#include "firebird/fb_fixture.h"
#include "fixtures.h"

namespace {

using namespace test;
using konw::TfrmConvert;
using konw::TfrmLokalizacja;

const char* kBrakPolozenia =
    "Nie podano położenia danych w formacie Paradox i/lub Firebird! Konfiguracja pozostała nie zmieniona.";
const char* kBladDostepu =
    "Błąd dostępu do danych według podanej nowej konfiguracji położenia danych!\r\n"
    "(Poprzednia konfiguracja położenia danych nie została zmieniona)";

TEST(LokalizacjaSciezki, SplitAtTheFirstColonAndJoinOnlyWithAPath) {
  struct Przypadek {
    std::string sciezka, serwer, plik;
  };
  for (const auto& p : {Przypadek{"localhost:C:\\DANE\\BAZA.GDB", "localhost", "C:\\DANE\\BAZA.GDB"},
                        Przypadek{"C:\\DANE\\BAZA.GDB", "C", "\\DANE\\BAZA.GDB"}, Przypadek{":x", "", "x"},
                        Przypadek{"srv1:", "srv1", ""}}) {
    std::string serwer = "?", plik = "?";
    TfrmConvert::RozdzielSerwerISciezke(p.sciezka, serwer, plik);
    EXPECT_EQ(serwer, p.serwer) << p.sciezka;
    EXPECT_EQ(plik, p.plik) << p.sciezka;
  }
  for (const char* bez : {"", "BAZA.GDB"}) {
    std::string serwer = "s", plik = "p";
    TfrmConvert::RozdzielSerwerISciezke(bez, serwer, plik);
    EXPECT_EQ(serwer + plik, "sp") << "untouched for " << bez;
  }
  EXPECT_EQ(TfrmConvert::PolaczSerwerISciezke("srv", "D:\\B.GDB"), "srv:D:\\B.GDB");
  // No server: the file on this computer, through the embedded engine.
  EXPECT_EQ(TfrmConvert::PolaczSerwerISciezke("", "D:\\B.GDB"), "D:\\B.GDB");
  EXPECT_EQ(TfrmConvert::PolaczSerwerISciezke("srv", ""), "");
}

TEST(LokalizacjaDialog, RadioButtonsSetTheServerAndTheBrowseButton) {
  TfrmLokalizacja d;
  d.EdServer = "x";
  d.ZaznaczSerwer();
  EXPECT_FALSE(d.Lokalnie);
  EXPECT_EQ(d.EdServer, "");
  EXPECT_TRUE(d.EdServerEnabled);
  EXPECT_EQ(d.FEInterBaseButtonWidth, 0);
  EXPECT_FALSE(d.FEInterBaseBeforeDialog());

  d.ZaznaczLokalnie();
  EXPECT_TRUE(d.rbLocalChecked());
  EXPECT_FALSE(d.rbServerChecked());
  EXPECT_TRUE(d.Lokalnie);
  EXPECT_EQ(d.EdServer, "localhost");
  EXPECT_FALSE(d.EdServerEnabled);
  EXPECT_EQ(d.FEInterBaseButtonWidth, 20);
  EXPECT_TRUE(d.FEInterBaseBeforeDialog());

  // Checking the button already checked runs no handler: the server typed stays.
  d.EdServer = "LocalHost";
  d.ZaznaczLokalnie();
  EXPECT_EQ(d.EdServer, "LocalHost");
}

TEST(LokalizacjaDialog, FileNameQuotesBlanksAndRefusesForbiddenCharacters) {
  TfrmLokalizacja d;
  d.setFileName("C:\\Moje dane\\BAZA.GDB");
  EXPECT_EQ(d.FEInterBaseText(), "\"C:\\Moje dane\\BAZA.GDB\"");
  EXPECT_EQ(d.FileName(), "C:\\Moje dane\\BAZA.GDB");
  d.setFEInterBaseText("C:\\Moje dane\\X.GDB");
  EXPECT_EQ(d.FileName(), "C:\\Moje dane\\X.GDB");
  for (const char* zla : {"a<b", "a>b", "a\"b", "a[b", "a]b", "a|b"}) {
    try {
      d.setFileName(zla);
      ADD_FAILURE() << zla;
    } catch (const konw::NiepoprawnaNazwaPliku& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Niepoprawna nazwa pliku - ") + zla);
    }
    d.setFEInterBaseText(zla);
    EXPECT_THROW(d.FileName(), konw::NiepoprawnaNazwaPliku) << zla;
  }
}

class Lokalizacja : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerBuiltinDrivers();
    for (auto [d, wersja] : {std::pair{"DANE", "3.66"}, std::pair{"DANE2", "3.70"}}) {
      fs::create_directories(drive / d / "BUFOR" / "JO");
      writeParams(drive / d, "G");
      writeConf(drive / d, std::string(wersja));
    }
    writeControlTables(drive / "PROG" / "KONWERSJA", {{1, "Dochody", "DOCHODY"}}, {});
    writeText(root.path / "win.ini", "[VELMARO]\nKalmiro=D:\\Kalmiro.ini\n");
    writeText(
        drive / "Kalmiro.ini",
        "[configJST]\nPathMain=D:\\PROG\\\nGDBPath=F:\\test.fdb\n[configKalmiro]\nPathData=D:\\DANE\\\n");
    frm.identyfikatorStanowiska = [] { return std::string("0011223344AA"); };
    ASSERT_TRUE(frm.FormCreate());
    ASSERT_TRUE(ui.boxes().empty()) << ui.boxes().front().text;
    ASSERT_TRUE(frm.dm()->DBi.connected());
  }

  // The operator's part: what the dialog showed, then the edits and the answer.
  struct Pokazane {
    bool lokalnie, serwerEnabled, lokalChecked;
    int szerokosc;
    std::string serwer, plik, paradox;
  };
  void operatorDialogu(std::function<bool(TfrmLokalizacja&)> edycja) {
    ui.onLocationDialog = [this, edycja](TfrmLokalizacja& d) {
      pokazane = {d.Lokalnie, d.EdServerEnabled,   d.rbLocalChecked(), d.FEInterBaseButtonWidth,
                  d.EdServer, d.FEInterBaseText(), d.DEParadox};
      return edycja(d);
    };
  }
  void oczekujKonfiguracji(const std::string& paradox, const std::string& interbase,
                           const std::string& wersja) {
    EXPECT_EQ(frm.SciezkaParadoxa, paradox);
    EXPECT_EQ(frm.SciezkaInterbase, interbase);
    EXPECT_EQ(ui.caption("lblSciezkaParadoxa"), paradox);
    EXPECT_EQ(ui.caption("lblSciezkaInterbase"), interbase);
    EXPECT_EQ(ui.caption("lblWersjaPdx"), wersja);
    EXPECT_EQ(frm.przebieg.log().logi[0].sciezka, paradox + "Konwersja.log");
    EXPECT_EQ(frm.dm()->DBp.params().at(0), "PATH=" + paradox);
    EXPECT_TRUE(frm.dm()->DBp.connected());
    EXPECT_TRUE(frm.dm()->DBi.connected());
  }

  TempDir root;
  fs::path drive = root.path / "D";
  fbtest::TempDatabase fb;
  EnvGuard wininiEnv{"KONWERSJA_WININI", (root.path / "win.ini").string()};
  EnvGuard driveD{"KONWERSJA_DRIVE_D", drive.string()};
  EnvGuard driveF{"KONWERSJA_DRIVE_F", fs::path(fb.location()).parent_path().string()};
  konw::ScriptedOperator ui;
  TfrmConvert frm{ui, {}, (root.path / "konwersja").string()};
  Pokazane pokazane{};
};

TEST_F(Lokalizacja, NewLocationsAreAppliedAndShown) {
  operatorDialogu([](TfrmLokalizacja& d) {
    d.DEParadox = "D:\\DANE2\\";
    return true;
  });
  frm.ActionZmienKonfig();
  // A location without a server is the file on this computer: an empty server name and the whole path,
  // joined back the same.
  EXPECT_FALSE(pokazane.lokalnie);
  EXPECT_TRUE(pokazane.serwerEnabled);
  EXPECT_EQ(pokazane.szerokosc, 0);
  EXPECT_EQ(pokazane.serwer, "");
  EXPECT_EQ(pokazane.plik, "F:\\test.fdb");
  EXPECT_EQ(pokazane.paradox, "D:\\DANE\\");
  EXPECT_TRUE(ui.boxes().empty());
  oczekujKonfiguracji("D:\\DANE2\\", "F:\\test.fdb", "3.70");
  EXPECT_EQ(frm.dm()->DBpb.params().at(0), "PATH=D:\\DANE2\\BUFOR\\");
}

TEST_F(Lokalizacja, UnusableLocationsBringThePreviousOnesBack) {
  // A directory without the product's data, then a database that does not exist, then a server nobody runs.
  // A directory that does not exist connects (its tables cannot be opened): the unit's box comes first.
  const std::vector<std::function<void(TfrmLokalizacja&)>> zmiany = {
      [](TfrmLokalizacja& d) { d.DEParadox = "D:\\BRAK\\"; },
      [](TfrmLokalizacja& d) { d.setFileName("F:\\brak.fdb"); },
      [](TfrmLokalizacja& d) { d.EdServer = "127.0.0.1/1"; }};
  for (std::size_t i = 0; i < zmiany.size(); ++i) {
    ui.clearBoxes();
    operatorDialogu([&](TfrmLokalizacja& d) {
      zmiany[i](d);
      return true;
    });
    frm.ActionZmienKonfig();
    ASSERT_EQ(ui.boxes().size(), i == 0 ? 2u : 1u);
    if (i == 0) {
      EXPECT_EQ(ui.boxes()[0].text,
                "Błąd w trakcie dostępu do informacji o jednostce budżetowej.\r\n"
                "Przyczyna: nie istnieje D:\\BRAK\\ (" +
                    (root.path / "D" / "BRAK").string() + ").");
    }
    // The box names the cause.
    EXPECT_TRUE(ui.boxes().back().text.starts_with(std::string(kBladDostepu) + "\r\n\r\nPrzyczyna: "))
        << ui.boxes().back().text;
    EXPECT_EQ(ui.boxes().back().kind, konw::MsgKind::Error);
    EXPECT_EQ(ui.boxes().back().buttons, konw::kOk);
    oczekujKonfiguracji("D:\\DANE\\", "F:\\test.fdb", "3.66");
    EXPECT_EQ(frm.dm()->DBi.params().at(0), "SERVER NAME=F:\\test.fdb");
  }
}

TEST_F(Lokalizacja, EmptyLocationOrCancelChangeNothing) {
  operatorDialogu([](TfrmLokalizacja& d) {
    d.setFEInterBaseText("");
    d.DEParadox = "D:\\DANE2\\";
    return true;
  });
  frm.ActionZmienKonfig();
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].text, kBrakPolozenia);
  oczekujKonfiguracji("D:\\DANE\\", "F:\\test.fdb", "3.66");

  ui.clearBoxes();
  ui.setCaption("lblSciezkaParadoxa", "stare");
  operatorDialogu([](TfrmLokalizacja& d) {
    d.DEParadox = "D:\\DANE2\\";
    return false;
  });
  frm.ActionZmienKonfig();
  EXPECT_TRUE(ui.boxes().empty());
  oczekujKonfiguracji("D:\\DANE\\", "F:\\test.fdb", "3.66");
}

TEST_F(Lokalizacja, ModeFollowsTheStoredServerAndStaysBetweenUses) {
  operatorDialogu([](TfrmLokalizacja&) { return false; });
  frm.SciezkaInterbase = "LocalHost:C:\\DANE\\BAZA.GDB";
  frm.ActionZmienKonfig();
  EXPECT_TRUE(pokazane.lokalnie);
  EXPECT_TRUE(pokazane.lokalChecked);
  EXPECT_FALSE(pokazane.serwerEnabled);
  EXPECT_EQ(pokazane.szerokosc, 20);
  EXPECT_EQ(pokazane.serwer, "LocalHost") << "kept as stored";
  EXPECT_EQ(pokazane.plik, "C:\\DANE\\BAZA.GDB");
  EXPECT_TRUE(frm.frmLokalizacja->FEInterBaseBeforeDialog());
  EXPECT_EQ(ui.caption("lblSciezkaInterbase"), "LocalHost:C:\\DANE\\BAZA.GDB");

  // The same dialog again: back to the server mode, whose handler clears and enables the server.
  const TfrmLokalizacja* pierwszy = frm.frmLokalizacja.get();
  frm.SciezkaInterbase = "srv1:D:\\BAZY\\BAZA.GDB";
  frm.ActionZmienKonfig();
  EXPECT_EQ(frm.frmLokalizacja.get(), pierwszy);
  EXPECT_FALSE(pokazane.lokalnie);
  EXPECT_TRUE(pokazane.serwerEnabled);
  EXPECT_EQ(pokazane.szerokosc, 0);
  EXPECT_EQ(pokazane.serwer, "srv1");
  EXPECT_EQ(ui.locationDialogs, 2);
}

TEST_F(Lokalizacja, RefusedStoredFileNameKeepsTheDialogClosed) {
  frm.SciezkaInterbase = "srv:D:\\[BAZA].GDB";
  ui.setCaption("lblSciezkaInterbase", "stare");
  EXPECT_THROW(frm.ActionZmienKonfig(), konw::NiepoprawnaNazwaPliku);
  EXPECT_EQ(ui.locationDialogs, 0);
  EXPECT_EQ(ui.caption("lblSciezkaInterbase"), "srv:D:\\[BAZA].GDB");
  EXPECT_EQ(frm.SciezkaParadoxa, "D:\\DANE\\");
}

}  // namespace
