// A trigger that a copy switches off never stays off: the journal of the control directory records it
// while it is off, and every start of the program switches back on what an interrupted conversion left.
#include "convert/triggery.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <set>
#include <thread>

#include "app/scripted/scripted_operator.h"
#include "app/widok/projekt_okna.h"
#include "control/konwersja_dm.h"
#include "demo/demo_fixture.h"
#include "platform/cp1250.h"

namespace {

namespace fs = std::filesystem;

std::string bajty(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

fs::path dziennik(const fs::path& katalog) {
  return katalog / "drive_c/Kalmiro/KONWERSJA" / konw::DziennikTriggerow::kNazwaPliku;
}

// One demo converted (edition JB) for the whole suite, so that its Firebird tables hold rows; every test
// works on its own copy.
class Triggery : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    demo_ = new demotest::DemoInstallation(60);
    const std::string polecenie = std::string(KONWERSJA_CLI) + " convert " + demo_->root().string() +
                                  " --edition JB --yes >/dev/null 2>&1";
    const int status = std::system(polecenie.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << polecenie;
  }
  static void TearDownTestSuite() {
    delete demo_;
    demo_ = nullptr;
  }

  fs::path kopia() {
    fs::create_directories(program().parent_path());  // the error log lies beside the program
    const fs::path cel = robocze.path / "demo";
    fs::remove_all(cel);
    fs::copy(demo_->root(), cel, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return cel;
  }

  std::unique_ptr<konw::TfrmConvert> okno(const fs::path& katalog, const std::string& edycja) {
    prefix_.emplace("WINEPREFIX", (katalog / "wine").string());
    auto frm = std::make_unique<konw::TfrmConvert>(ui, std::vector<std::string>{edycja}, program().string());
    frm->identyfikatorStanowiska = [] { return std::string("020000000001"); };
    return frm;
  }
  fs::path program() const { return robocze.path / "bin" / "konwersja"; }

  // The record of the first ListaTabel table with a trigger whose Firebird table holds rows.
  konw::WpisTriggera wpis(const fs::path& katalog, const std::string& edycja) {
    auto frm = okno(katalog, edycja);
    EXPECT_TRUE(frm->FormCreate());
    konw::TdmKonw& dm = *frm->dm();
    for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next()) {
      const konw::WpisTriggera w = konw::WpisBiezacejTabeli(dm);
      if (w.trigger.empty() || w.generator.empty()) continue;
      db::Query q;
      q.setDatabase(&dm.DBi);
      q.addSql("select count(*) from " + w.tabela);
      q.open();
      if (q.field(0).asInteger() > 0 || edycja == "JST") return w;
    }
    ADD_FAILURE() << "no table with a trigger and rows";
    return {};
  }

  static demotest::DemoInstallation* demo_;
  test::TempDir robocze;
  konw::ScriptedOperator ui;

 private:
  test::EnvGuard winini_{"KONWERSJA_WININI", nullptr};
  test::EnvGuard drive_{"KONWERSJA_DRIVE_C", nullptr};
  std::optional<test::EnvGuard> prefix_;
};

demotest::DemoInstallation* Triggery::demo_ = nullptr;

std::string linia(const konw::WpisTriggera& w) {
  return w.baza + "\t" + w.tabela + "\t" + w.trigger + "\t" + w.generator + "\t" + w.kolumna + "\r\n";
}

TEST_F(Triggery, StartUpSwitchesBackOnWhatAnInterruptedCopyLeftOff) {
  const struct Przypadek {
    const char* nazwa;
    bool innaBaza;      // the record names the other edition's database
    bool wylaczony;     // the trigger is off in the database
    const char* zapis;  // what the journal holds: "wpis", "" (no journal) or a line of its own
    std::optional<konw::MsgKind> okno;
    std::vector<std::string> tresc;  // in the box, the error log and przywroconeTriggery
    bool dziennikZostaje;
    bool zajety = false;  // another process copies a table: it holds the control directory's lock
  } przypadki[] = {
      {"killed while the trigger was off",
       false,
       true,
       "wpis",
       konw::MsgKind::Warning,
       {"Przywrócono działanie triggera @T tabeli @X, wyłączonego przez przerwaną konwersję.",
        "Generator @G ustawiono na"},
       false},
      {"no record kept (control directory read-only)",
       false,
       true,
       "",
       konw::MsgKind::Warning,
       {"Przywrócono działanie triggera @T tabeli @X, zastanego w bazie Firebird jako wyłączony"},
       false},
      {"killed after the trigger was on again", false, false, "wpis", std::nullopt, {}, false},
      {"the other edition's database",
       true,
       true,
       "wpis",
       konw::MsgKind::Warning,
       {"Przywrócono działanie triggera @T tabeli @X (baza C:\\Kalmiro\\BAZA\\KALMIRO.FDB), wyłączonego"},
       false},
      {"a line that is no record",
       false,
       false,
       "PLANDOCH_BI wyłączony\r\n",
       konw::MsgKind::Error,
       {"Wiersz \"PLANDOCH_BI wyłączony\" dziennika wyłączonych triggerów"},
       true},
      {"a trigger the database does not have",
       false,
       false,
       "C:\\Kalmiro\\BAZA\\KALMIROJB.FDB\tPLANWYD\tPLANWYD_BRAK\t\t\r\n",
       konw::MsgKind::Error,
       {"Nie udało się przywrócić działania triggera PLANWYD_BRAK tabeli PLANWYD, wyłączonego przez "
        "przerwaną "
        "konwersję: trigger nie istnieje w bazie"},
       true},
      {"another process is copying",
       false,
       true,
       "wpis",
       konw::MsgKind::Warning,
       {"Trwa konwersja danych w innym procesie na tym komputerze"},
       true,
       true},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    const fs::path katalog = kopia();
    const konw::WpisTriggera w = wpis(katalog, p.innaBaza ? "JST" : "JB");
    demotest::BazaDemo baza(katalog, p.innaBaza ? "KALMIRO.FDB" : "KALMIROJB.FDB");
    if (p.wylaczony) {
      baza.sql("alter trigger " + w.trigger + " inactive");
      baza.sql("set generator " + w.generator + " to 0");
    }
    const std::string zapis = std::string(p.zapis) == "wpis" ? linia(w) : p.zapis;
    if (!zapis.empty()) std::ofstream(dziennik(katalog), std::ios::binary) << zapis;

    ui.clearBoxes();
    fs::remove(program().parent_path() / "konwersja.log");
    auto frm = okno(katalog, "JB");
    const int blokada = ::open((katalog / "drive_c/Kalmiro/KONWERSJA").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(blokada, 0);
    if (p.zajety) {
      ASSERT_EQ(::flock(blokada, LOCK_SH), 0);
    }
    ASSERT_TRUE(frm->FormCreate());
    ::close(blokada);

    EXPECT_EQ(baza.wylaczone(), p.zajety ? std::vector<std::string>{w.trigger} : std::vector<std::string>{});
    if (p.wylaczony && !p.zajety) {
      EXPECT_GT(baza.liczba("select gen_id(" + w.generator + ", 0) from rdb$database"),
                baza.liczba("select max(" + w.kolumna + ") from " + w.tabela));
    }
    EXPECT_EQ(fs::exists(dziennik(katalog)), p.dziennikZostaje);
    if (p.dziennikZostaje) {
      EXPECT_NE(bajty(dziennik(katalog)).find(zapis), std::string::npos);
    }
    ASSERT_EQ(ui.boxes().size(), p.okno ? 1u : 0u);
    if (!p.okno) continue;
    EXPECT_EQ(ui.boxes()[0].kind, *p.okno);
    const std::string log = konw::cp1250ToUtf8(bajty(program().parent_path() / "konwersja.log"));
    ASSERT_EQ(frm->przywroconeTriggery.size(), 1u);
    for (std::string t : p.tresc) {
      for (const auto& [znak, nazwa] : {std::pair{"@T", w.trigger}, {"@X", w.tabela}, {"@G", w.generator}})
        if (const auto i = t.find(znak); i != std::string::npos) t.replace(i, 2, nazwa);
      EXPECT_NE(ui.boxes()[0].text.find(t), std::string::npos) << ui.boxes()[0].text;
      EXPECT_NE(log.find(t), std::string::npos) << log;
      EXPECT_NE(frm->przywroconeTriggery[0].komunikat.find(t), std::string::npos);
    }
  }
}

// While the copy of a table has its trigger off the journal names it with the database and the control
// directory is locked; after the run nothing is left in the journal.
TEST_F(Triggery, CopyRecordsTheTriggerWhileItIsOffAndForgetsItWhenOn) {
  const fs::path katalog = kopia();
  auto frm = okno(katalog, "JB");
  ASSERT_TRUE(frm->FormCreate());
  std::set<std::string> widziane;
  int wolny = 0;  // times the control directory was found unlocked while a trigger was off
  ui.onProcessMessages = [&] {
    if (!fs::exists(dziennik(katalog))) return;
    widziane.insert(bajty(dziennik(katalog)));
    // Another process's start-up would find the directory locked and leave the trigger alone.
    const int fd = ::open(dziennik(katalog).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ++wolny;
    ::close(fd);
  };
  ui.answer(konw::kYes);
  EXPECT_EQ(frm->Konwertuj().werdykt, konw::Werdykt::Zakonczony);
  ui.onProcessMessages = nullptr;
  EXPECT_FALSE(fs::exists(dziennik(katalog)));
  EXPECT_EQ(wolny, 0);
  ASSERT_FALSE(widziane.empty());
  for (const std::string& z : widziane) {
    // One table at a time, in the database the run converts.
    const auto wpisy = std::count(z.begin(), z.end(), '\n') - 1;
    EXPECT_EQ(wpisy, 1) << z;
    EXPECT_NE(z.find("C:\\Kalmiro\\BAZA\\KALMIROJB.FDB\t"), std::string::npos) << z;
  }
}

// A journal that cannot be written does not stop a run: it is said once, in the run's log and in the
// error log, and every table is still copied.
TEST_F(Triggery, RunWithoutAJournalSaysSoOnce) {
  const fs::path katalog = kopia();
  // A directory in the way of the file the journal is written through.
  fs::create_directory(dziennik(katalog).string() + ".tmp");
  fs::remove(program().parent_path() / "konwersja.log");
  auto frm = okno(katalog, "JB");
  ASSERT_TRUE(frm->FormCreate());
  ui.answer(konw::kYes);
  EXPECT_EQ(frm->Konwertuj().werdykt, konw::Werdykt::Zakonczony);
  const std::string kNieMozna = "Nie można zapisać dziennika wyłączonych triggerów";
  int razy = 0;
  for (const std::string& l : ui.memo(std::string(konw::projekt::kMemoStrony[2])))
    razy += l.find(kNieMozna) != std::string::npos;
  EXPECT_EQ(razy, 1);
  EXPECT_NE(konw::cp1250ToUtf8(bajty(program().parent_path() / "konwersja.log")).find(kNieMozna),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dziennik(katalog)));
  EXPECT_TRUE(demotest::BazaDemo(katalog, "KALMIROJB.FDB").wylaczone().empty());
}

// A real kill -9 during the copy of a big table: the trigger stays off and the journal names it; the next
// `compare` switches it back on and says so on standard error.
TEST(TriggeryPoZabiciu, CompareAfterKillRestoresTheTrigger) {
  demotest::DemoInstallation demo(100000);
  const fs::path katalog = demo.root();
  const pid_t pid = demotest::KonwersjaWTle(katalog);
  ASSERT_GE(pid, 0);
  // Killed once a big table's rows are being copied (its row count is logged before the first row)
  // while the journal names a trigger.
  const fs::path dane = katalog / "drive_c/Kalmiro/DANE";
  const std::regex duzaTabela("rekord.w: [0-9]{5,}");
  bool wKopii = false;
  for (int i = 0; i < 6000 && !wKopii; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!fs::exists(dziennik(katalog))) continue;
    for (const auto& e : fs::directory_iterator(dane))
      if (e.path().filename().string().starts_with("Konwersja_"))
        wKopii = wKopii || std::regex_search(bajty(e.path()), duzaTabela);
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(wKopii) << "the copy of a big table never started";

  const std::string zapis = bajty(dziennik(katalog));
  std::vector<std::string> wylaczone = demotest::BazaDemo(katalog, "KALMIRO.FDB").wylaczone();
  ASSERT_EQ(wylaczone.size(), 1u);
  EXPECT_NE(zapis.find("\t" + wylaczone[0] + "\t"), std::string::npos) << zapis;

  const test::TempDir tmp;
  const std::string polecenie = std::string(KONWERSJA_CLI) + " compare " + katalog.string() +
                                " --edition JST >/dev/null 2>" + (tmp.path / "err").string();
  const int kod = std::system(polecenie.c_str());
  ASSERT_TRUE(WIFEXITED(kod));
  const std::string bledy = bajty(tmp.path / "err");
  EXPECT_NE(bledy.find("konwersja-cli: Przywrócono działanie triggera " + wylaczone[0] + " tabeli "),
            std::string::npos)
      << bledy;
  EXPECT_TRUE(demotest::BazaDemo(katalog, "KALMIRO.FDB").wylaczone().empty());
  EXPECT_FALSE(fs::exists(dziennik(katalog)));
}

}  // namespace
