// Demo installations damaged the way real ones are, and log files that cannot be written: what
// konwersja-cli shows (its boxes, standard error), its exit code, and that a run that starts converts
// every table there is.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>

#include "app/scripted/scripted_operator.h"
#include "app/widok/projekt_okna.h"
#include "control/konwersja_dm.h"
#include "demo/demo_fixture.h"
#include "log/conversion_log.h"
#include "platform/hostpath.h"

namespace {

namespace fs = std::filesystem;

std::string bajty(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

void zapisz(const fs::path& p, const std::string& tekst) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << tekst;
}

// One message box as konwersja-cli prints it: "[kind] caption", then the text.
struct Okno {
  std::string rodzaj, podpis, tekst;
};

// The boxes in konwersja-cli's output, in order; the log pages that follow them are left out.
std::vector<Okno> okna(const std::string& wyjscie) {
  std::vector<Okno> out;
  std::istringstream in(wyjscie);
  std::string linia;
  bool wOknie = false;
  while (std::getline(in, linia)) {
    if (linia.starts_with("===== ")) break;
    bool naglowek = false;
    for (const char* r : {"error", "warning", "information", "question"}) {
      const std::string p = "[" + std::string(r) + "] ";
      if (linia.starts_with(p)) {
        out.push_back({r, linia.substr(p.size()), ""});
        naglowek = wOknie = true;
      }
    }
    if (naglowek || !wOknie || linia.starts_with("-> ")) continue;
    out.back().tekst += (out.back().tekst.empty() ? "" : "\n") + linia;
  }
  for (Okno& o : out)
    while (o.tekst.ends_with("\n")) o.tekst.pop_back();
  return out;
}

struct Wynik {
  int kod = -1;
  std::string wyjscie, bledy;
};

Wynik uruchom(const fs::path& katalog, const fs::path& robocze) {
  const fs::path out = robocze / "cli.out", err = robocze / "cli.err";
  const std::string polecenie = std::string(KONWERSJA_CLI) + " convert " + katalog.string() +
                                " --edition JST --kind 0 --yes >" + out.string() + " 2>" + err.string();
  const int status = std::system(polecenie.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, bajty(out), bajty(err)};
}

// Paradox rows the copy must bring over: all, except the BILTOBESTIAMAP rows without TYPSPR that
// Firebird refuses.
std::int64_t doPrzeniesienia(konw::TdmKonw& dm, const std::string& P, const std::string& F) {
  db::Table t;
  t.setDatabase(&dm.DBp);
  t.setTableName(P + ".DB");
  t.setReadOnly(true);
  t.open();
  if (F != "BILTOBESTIAMAP") return t.recordCount();
  std::int64_t n = 0;
  for (t.first(); !t.eof(); t.next()) n += t.fieldByName("TYPSPR").asString().empty() ? 0 : 1;
  return n;
}

std::int64_t wFirebirdzie(konw::TdmKonw& dm, const std::string& F) {
  db::Query q;
  q.setDatabase(&dm.DBi);
  q.addSql("select count(*) from " + F);
  q.open();
  return q.field(0).asInteger();
}

const char* const kKonwertuj = "Program dokona konwersji";  // the confirmation's text begins so
const std::string kKrytyczna = "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA KRYTYCZNĄ NIEZGODNOŚĆ";
const std::string kBlad = "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH WYSTĄPIŁ BŁĄD!";
const std::string kJednostka = "Błąd w trakcie dostępu do informacji o jednostce budżetowej.";
const std::string kDostep = "Błąd dostępu do danych według podanej konfiguracji położenia danych!";
const std::string kKontrolneObokProgramu =
    "Błąd otwarcia pliku konfiguracyjnego:\n" + fs::path(KONWERSJA_CLI).parent_path().string() + "/KONWERSJA";
const std::string kNiekompletne = "UWAGA: PLIKI LOGÓW KONWERSJI SĄ NIEKOMPLETNE!";

// One demo for the whole suite; every case damages its own copy.
class Awarie : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { demo_ = new demotest::DemoInstallation(60); }
  static void TearDownTestSuite() {
    delete demo_;
    demo_ = nullptr;
  }

  // A copy of the demo installation (its links kept, so that C: leads into the copy).
  fs::path kopia() {
    const fs::path cel = robocze.path / "demo";
    fs::remove_all(cel);
    fs::copy(demo_->root(), cel, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return cel;
  }

  // A window over the installation at `katalog`, found through its Wine prefix.
  std::unique_ptr<konw::TfrmConvert> okno(const fs::path& katalog) {
    prefix_.emplace("WINEPREFIX", (katalog / "wine").string());
    auto frm = std::make_unique<konw::TfrmConvert>(ui, std::vector<std::string>{"JST"},
                                                   (robocze.path / "bin" / "konwersja").string());
    frm->identyfikatorStanowiska = [] { return std::string("020000000001"); };
    return frm;
  }

  // Every ListaTabel table whose Paradox file exists holds its rows in Firebird; returns how many.
  int sprawdzPrzeniesione(const fs::path& katalog) {
    auto frm = okno(katalog);
    if (!frm->FormCreate()) {
      ADD_FAILURE() << "the installation does not start";
      return 0;
    }
    auto& dm = *frm->dm();
    dm.DBi.connect();
    int tabele = 0;
    for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next()) {
      const std::string P = dm.tblLista.fieldByName("TABELA").asString();
      const std::string F = dm.tblLista.fieldByName("TABELA_IB").asString();
      if (!frm->przebieg.IstniejeTabelaParadoxa(P)) continue;
      EXPECT_EQ(wFirebirdzie(dm, F), doPrzeniesienia(dm, P, F)) << P << "/" << F;
      ++tabele;
    }
    return tabele;
  }

  static demotest::DemoInstallation* demo_;
  test::TempDir robocze;
  konw::ScriptedOperator ui;

 private:
  test::EnvGuard winini_{"KONWERSJA_WININI", nullptr};
  test::EnvGuard drive_{"KONWERSJA_DRIVE_C", nullptr};
  std::optional<test::EnvGuard> prefix_;
};

demotest::DemoInstallation* Awarie::demo_ = nullptr;

// The Konwersja.log names a run beginning in the next `sekundy` seconds would take, each a link to a
// device that is always full.
void pelnyDyskDlaLogu(const fs::path& dane, int sekundy) {
  const std::time_t teraz = std::time(nullptr);
  for (int s = 0; s < sekundy; ++s) {
    const std::time_t t = teraz + s;
    std::tm lokalny{};
    localtime_r(&t, &lokalny);
    fs::create_symlink("/dev/full", konw::NazwaPlikuZDataICzasem((dane / "Konwersja.log").string(), lokalny));
  }
}

TEST_F(Awarie, DamagedInstallationsShowWhyAndConvertWhatThereIs) {
  const struct Przypadek {
    const char* nazwa;
    std::function<void(const fs::path&)> uszkodz;
    int kod;
    // Boxes in order: kind and the beginning of the text.
    std::vector<std::pair<std::string, std::string>> okna;
    bool konwertuje;  // the run went through: every table there is reached Firebird
  } przypadki[] = {
      {"whole", [](const fs::path&) {}, 4, {{"question", kKonwertuj}, {"warning", kKrytyczna}}, true},
      {"no BUFOR\\JO",
       [](const fs::path& d) { fs::remove_all(d / "drive_c/Kalmiro/DANE/BUFOR/JO"); },
       4,
       {{"question", kKonwertuj}, {"warning", kKrytyczna}},
       true},
      {"no BUFOR",
       [](const fs::path& d) { fs::remove_all(d / "drive_c/Kalmiro/DANE/BUFOR"); },
       4,
       {{"question", kKonwertuj}, {"warning", kKrytyczna}},
       true},
      {"PathData on a share",
       [](const fs::path& d) {
         // The share \\SERWER\Kalmiro is the prefix's dosdevices/unc/serwer/kalmiro.
         fs::create_directories(d / "wine/dosdevices/unc/serwer");
         fs::create_directory_symlink("../../../../drive_c/Kalmiro",
                                      d / "wine/dosdevices/unc/serwer/kalmiro");
         const fs::path ini = d / "drive_c/Kalmiro/Kalmiro.ini";
         std::string tekst = bajty(ini);
         const std::string stara = "[configKalmiro]\r\nPathData=C:\\Kalmiro\\DANE\\";
         ASSERT_NE(tekst.find(stara), std::string::npos);
         tekst.replace(tekst.find(stara), stara.size(),
                       "[configKalmiro]\r\nPathData=\\\\SERWER\\Kalmiro\\DANE\\");
         zapisz(ini, tekst);
       },
       4,
       {{"question", kKonwertuj}, {"warning", kKrytyczna}},
       true},
      // Start-up reads the unit twice (the edition chosen, then the window's own check); the run's
      // check is the third, and it refuses the locations.
      {"no DANE",
       [](const fs::path& d) { fs::remove_all(d / "drive_c/Kalmiro/DANE"); },
       1,
       // Start-up shows the unit's box once, the run's own check once more; each names the missing directory.
       {{"error", kJednostka}, {"error", kJednostka}, {"error", kDostep}},
       false},
      {"no KONWERSJA",
       [](const fs::path& d) { fs::remove_all(d / "drive_c/Kalmiro/KONWERSJA"); },
       1,
       // The file as it lies on this computer.
       {{"error", "Błąd otwarcia pliku konfiguracyjnego:\n/"}},
       false},
      {"no product INI",
       [](const fs::path& d) { fs::remove(d / "drive_c/Kalmiro/Kalmiro.ini"); },
       1,
       // Without the main directory the control tables are looked for beside the program.
       {{"error", "Brak w konfiguracji programu \"Kalmiro\" określenia katalogu z danymi!"},
        {"error", kKontrolneObokProgramu}},
       false},
      {"no WIN.INI entry",
       [](const fs::path& d) { zapisz(d / "wine/drive_c/windows/win.ini", "[windows]\r\nload=\r\n"); },
       1,
       {{"error", "Brak w konfiguracji Windows informacji o zainstalowanym systemie \"Kalmiro\"!"},
        {"error", kKontrolneObokProgramu}},
       false},
      {"product INI unreadable",
       [](const fs::path& d) {
         fs::remove(d / "drive_c/Kalmiro/Kalmiro.ini");
         fs::create_directory(d / "drive_c/Kalmiro/Kalmiro.ini");
       },
       1,
       {{"error", "Błąd w trakcie uruchamiania programu:"}},
       false},
      {"logs on a full disk",
       [](const fs::path& d) { pelnyDyskDlaLogu(d / "drive_c/Kalmiro/DANE", 120); },
       5,
       {{"question", kKonwertuj},
        {"warning", "Plik z logiem konwersji już istnieje"},
        {"error", kBlad},
        {"error", kNiekompletne}},
       false},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    const fs::path katalog = kopia();
    p.uszkodz(katalog);
    const Wynik w = uruchom(katalog, robocze.path);
    EXPECT_EQ(w.kod, p.kod) << w.wyjscie << w.bledy;
    const std::vector<Okno> pokazane = okna(w.wyjscie);
    // Start-up never ends without telling why.
    if (w.kod == 1) {
      EXPECT_FALSE(pokazane.empty()) << w.wyjscie << w.bledy;
    }
    if (!p.okna.empty()) {
      ASSERT_EQ(pokazane.size(), p.okna.size()) << w.wyjscie;
      for (std::size_t i = 0; i < pokazane.size(); ++i) {
        EXPECT_EQ(pokazane[i].rodzaj, p.okna[i].first) << i << ": " << pokazane[i].tekst;
        EXPECT_TRUE(pokazane[i].tekst.starts_with(p.okna[i].second)) << i << ": " << pokazane[i].tekst;
      }
    }
    // Standard error speaks of the log files only when they lack lines.
    EXPECT_EQ(w.bledy.find(kNiekompletne) != std::string::npos, p.kod == 5) << w.bledy;
    if (p.konwertuje) {
      EXPECT_GE(sprawdzPrzeniesione(katalog), 25);
    }
  }
}

// A disk that fills up during the run: the run ends with the error verdict, the operator is told which
// log file lacks lines, and the next run in the same window starts with sound logs.
TEST_F(Awarie, LogThatStopsTakingLinesIsReportedAfterTheVerdict) {
  const fs::path katalog = kopia();
  auto frm = okno(katalog);
  ASSERT_TRUE(frm->FormCreate());
  ASSERT_TRUE(ui.boxes().empty()) << ui.boxes().front().text;

  konw::PlikLogu& inf = frm->przebieg.log().logi[1];
  std::size_t wierszyPrzed = 0;
  ui.onProcessMessages = [&] {
    if (!inf.otwarty() || wierszyPrzed) return;
    wierszyPrzed = ui.memo(std::string(konw::projekt::kMemoStrony[1])).size();
    ASSERT_NE(std::freopen("/dev/full", "wb", inf.plik), nullptr);
  };
  ui.answer(konw::kYes);
  EXPECT_EQ(frm->Konwertuj().werdykt, konw::Werdykt::Blad);
  ASSERT_GT(wierszyPrzed, 0u);
  ASSERT_EQ(ui.boxes().size(), 3u) << ui.boxes().back().text;
  EXPECT_EQ(ui.boxes()[1].kind, konw::MsgKind::Error);
  EXPECT_TRUE(ui.boxes()[1].text.starts_with(kBlad)) << ui.boxes()[1].text;
  EXPECT_EQ(ui.boxes()[2].kind, konw::MsgKind::Error);
  EXPECT_EQ(ui.boxes()[2].text, frm->przebieg.log().UwagaONiekompletnychLogach());
  EXPECT_TRUE(ui.boxes()[2].text.starts_with(kNiekompletne));
  EXPECT_NE(ui.boxes()[2].text.find("\r\n" + inf.sciezka + "\r\n"), std::string::npos) << ui.boxes()[2].text;
  for (std::size_t k : {0u, 2u, 3u})
    EXPECT_EQ(ui.boxes()[2].text.find(frm->przebieg.log().logi[k].sciezka), std::string::npos) << k;

  // The next run's files take every line: no word of incomplete logs. (A second later, so that its log
  // names are new and nothing asks about overwriting.)
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ui.onProcessMessages = nullptr;
  ui.clearBoxes();
  ui.answer(konw::kYes);
  EXPECT_EQ(frm->Konwertuj().werdykt, konw::Werdykt::NiezgodnoscKrytyczna);
  ASSERT_EQ(ui.boxes().size(), 2u) << ui.boxes().back().text;
  EXPECT_TRUE(frm->przebieg.log().UwagaONiekompletnychLogach().empty());
  EXPECT_FALSE(bajty(konw::hostPath(frm->przebieg.log().logi[1].sciezka)).empty());
}

}  // namespace
