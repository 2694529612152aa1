// konwersja-cli as a script runs it: the exit code tells the verdict of a whole conversion.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo/demo_fixture.h"

namespace {

// The exit code of konwersja-cli with these arguments, its output thrown away.
int cli(const std::string& args) {
  const int status = std::system((std::string(KONWERSJA_CLI) + " " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KonwersjaCli, ExitCodeTellsTheVerdict) {
  demotest::DemoInstallation demo(200);
  const std::string dir = demo.root().string();
  const test::TempDir pusty;
  std::ofstream(pusty.path / "win.ini") << "[windows]\r\n";

  const struct {
    std::string args;
    int code;
  } przypadki[] = {
      {"convert " + dir + " --edition JST --kind 0 --yes", 4},  // the demo's deliberate critical mismatch
      {"convert " + dir + " --edition JB --yes", 0},
      {"convert " + dir + " --edition JB", 1},  // the confirmation refused: nothing starts
      {"convert --winini " + (pusty.path / "win.ini").string() + " --yes", 1},
      {"convert " + dir + " --edition XX", 2},
      {"convert " + dir + " --bad-option", 2},
      {"convert", 2},
  };
  for (const auto& p : przypadki) EXPECT_EQ(cli(p.args), p.code) << p.args;
}

std::string plik(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(KonwersjaCli, JsonSummaryTellsEachTablesOutcomeAndItsVerification) {
  demotest::DemoInstallation demo(300);
  const test::TempDir tmp;
  const auto json = tmp.path / "run.json";
  ASSERT_EQ(cli("convert " + demo.root().string() + " --edition JST --kind 0 --yes --json " + json.string()),
            4);
  const auto s = nlohmann::json::parse(plik(json));
  EXPECT_EQ(s["verdict"], "critical structure mismatch");
  EXPECT_EQ(s["exit_code"], 4);
  EXPECT_EQ(s["data_version"], "3.67");
  EXPECT_EQ(s["log_files"].size(), 4u);
  std::map<std::string, int> wyniki;
  bool zRoznicami = false;
  for (const auto& t : s["tables"]) {
    ++wyniki[t["outcome"].get<std::string>()];
    if (t["outcome"] != "copied" || t["rows_read"] == 0) continue;
    // Every copied table was read back and holds what was sent; BILTOBESTIAMAP drops its rows without TYPSPR.
    EXPECT_TRUE(t["values"]["verified"]) << t["firebird"];
    EXPECT_EQ(t["values"]["differences"], 0) << t["firebird"];
    if (t["firebird"] != "BILTOBESTIAMAP") {
      EXPECT_EQ(t["rows_read"], t["rows_written"]) << t["firebird"];
    }
    zRoznicami = zRoznicami || !t["differences"].empty();
  }
  EXPECT_GT(wyniki["copied"], 20);
  EXPECT_GT(wyniki["not found"], 0);  // the demo leaves some listed tables out
  EXPECT_EQ(wyniki["failed"], 0);
  EXPECT_TRUE(zRoznicami);  // the demo's deliberate structure differences

  // A run refused at its confirmation created no log file and lists none.
  const auto odmowa = tmp.path / "odmowa.json";
  ASSERT_EQ(cli("convert " + demo.root().string() + " --edition JST --json " + odmowa.string()), 1);
  EXPECT_EQ(nlohmann::json::parse(plik(odmowa))["log_files"].size(), 0u);
}

// The logs of the run in the demo's data directory, in category order.
std::vector<std::filesystem::path> logi(const demotest::DemoInstallation& demo) {
  std::vector<std::filesystem::path> out;
  const auto dane = demo.root() / "drive_c/Kalmiro/DANE";
  for (const char* baza : {"Konwersja_", "KonwersjaInf_", "KonwersjaBl_", "KonwersjaBlKr_"})
    for (const auto& e : std::filesystem::directory_iterator(dane))
      if (e.path().filename().string().starts_with(baza)) out.push_back(e.path());
  return out;
}

// Ctrl+C or SIGTERM during a copy is the break answered Yes; a second one ends the program at once. Either
// way the exit code is the break's and a --json summary is whole, and says true: the table being copied
// is broken, and a table copied before the second signal (the last one, during the check after the last
// commit) is copied.
TEST(KonwersjaCli, SignalsDuringACopyBreakTheRun) {
  struct Przypadek {
    const char* nazwa;
    std::vector<int> sygnaly;
    std::size_t log;       // the log (category) that shows the moment
    const char* moment;    // a regex of its text (the logs are in Windows-1250)
    const char* ostatnia;  // the outcome of the last table in the summary
  };
  for (const Przypadek& p :
       {Przypadek{"Ctrl+C", {SIGINT}, 0, "rekord.w: [0-9]{5,}", "broken"},
        Przypadek{"SIGTERM", {SIGTERM}, 0, "rekord.w: [0-9]{5,}", "broken"},
        Przypadek{"SIGTERM, then Ctrl+C", {SIGTERM, SIGINT}, 0, "rekord.w: [0-9]{5,}", "broken"},
        Przypadek{"SIGTERM, then Ctrl+C in the check after the last commit",
                  {SIGTERM, SIGINT},
                  1,
                  "zweryfikowano",
                  "copied"}}) {
    SCOPED_TRACE(p.nazwa);
    demotest::DemoInstallation demo(400000);
    const test::TempDir tmp;
    const std::string json = (tmp.path / "run.json").string();
    const pid_t pid = demotest::KonwersjaWTle(demo.root(), {"--json", json});
    ASSERT_GE(pid, 0);
    // Once a big table's rows are being copied (its row count is logged before the first row), or the
    // first table was checked after the last commit.
    const std::regex moment(p.moment);
    bool teraz = false;
    for (int i = 0; i < 1200 && !teraz; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const auto l = logi(demo);
      teraz = l.size() > p.log && std::regex_search(plik(l[p.log]), moment);
    }
    ASSERT_TRUE(teraz) << "the moment never came";
    // The second signal follows the first at once: a break may end the run within milliseconds, and then
    // no run is left for the second one to end. Two signals of a kind sent at once arrive as one; two
    // kinds arrive both, the second while the first one's break is asked for.
    for (int sygnal : p.sygnaly) ::kill(pid, sygnal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 6);

    const auto podsumowanie = nlohmann::json::parse(plik(json));
    EXPECT_EQ(podsumowanie["verdict"], "broken by the operator");
    EXPECT_EQ(podsumowanie["exit_code"], 6);
    EXPECT_EQ(podsumowanie["tables"].back()["outcome"], std::string(p.ostatnia));
    if (p.sygnaly.size() > 1) {
      EXPECT_EQ(podsumowanie["ended_by_signal"], true);
      continue;
    }
    const auto l = logi(demo);
    ASSERT_EQ(l.size(), 4u);
    for (const auto& log : l) {
      const std::string tekst = plik(log);
      // Every log is whole and ends with the break's block.
      EXPECT_TRUE(tekst.ends_with(std::string(51, '*') + "\r\n")) << log;
      EXPECT_NE(tekst.rfind("PRZENIESIENIE DANYCH PRZERWANO"), std::string::npos) << log;
    }
    // The table of the break keeps the rows it had (in Windows-1250: "przerwano; tabela zawiera ...").
    EXPECT_NE(plik(l.front()).find(": przerwano; tabela zawiera te same wiersze co przed konwersj"),
              std::string::npos);
  }
}

// A signal during start-up ends the program as a start that failed: exit 1, no summary, nothing half said.
// Start-up is held where it reads WIN.INI, a pipe nobody writes.
TEST(KonwersjaCli, ASignalDuringStartUpEndsItAsAFailedStart) {
  for (int sygnal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sygnal);
    const test::TempDir tmp;
    const auto winIni = tmp.path / "WIN.INI";
    ASSERT_EQ(::mkfifo(winIni.c_str(), 0600), 0);
    const auto json = tmp.path / "run.json";
    const auto wyjscie = tmp.path / "out";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const int out = ::open(wyjscie.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, 1);
      ::dup2(out, 2);
      ::execl(KONWERSJA_CLI, KONWERSJA_CLI, "convert", "--winini", winIni.c_str(), "--yes", "--json",
              json.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Sent once start-up waits for the pipe.
    bool czeka = false;
    for (int i = 0; i < 600 && !czeka; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      czeka = plik("/proc/" + std::to_string(pid) + "/wchan").find("partner") != std::string::npos;
    }
    ASSERT_TRUE(czeka) << "start-up never reached WIN.INI";
    ::kill(pid, sygnal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(std::filesystem::exists(json));
    EXPECT_EQ(plik(wyjscie), "");
  }
}

// The output and exit code of konwersja-cli with these arguments; standard error into `bledy` when given.
int cli(const std::string& args, std::string& wyjscie, std::string* bledy = nullptr) {
  const test::TempDir tmp;
  const std::string polecenie = std::string(KONWERSJA_CLI) + " " + args + " >" + (tmp.path / "out").string() +
                                " 2>" + (tmp.path / "err").string();
  const int status = std::system(polecenie.c_str());
  wyjscie = plik(tmp.path / "out");
  if (bledy) *bledy = plik(tmp.path / "err");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The trigger of the first ListaTabel row that has one in a demo installation.
std::string triggerZListy(const std::filesystem::path& root) {
  db::registerBuiltinDrivers();
  db::Session session;
  session.addPassword("wrzo");
  db::Database kontrolne("kontrolne", session);
  kontrolne.setDriverName("STANDARD");
  kontrolne.addParam("PATH=" + (root / "drive_c/Kalmiro/KONWERSJA").string() + "/");
  kontrolne.addParam("DEFAULT DRIVER=PARADOX");
  kontrolne.connect();
  db::Table lista;
  lista.setDatabase(&kontrolne);
  lista.setTableName("ListaTabel.db");
  lista.setReadOnly(true);
  lista.open();
  for (lista.first(); !lista.eof(); lista.next())
    if (!lista.fieldByName("TRIGGER_IB").asString().empty())
      return lista.fieldByName("TRIGGER_IB").asString();
  return {};
}

// `check` reads what a whole conversion would copy and names what it would meet, on copies of one demo.
TEST(KonwersjaCli, CheckNamesDamagedTablesAndTriggersLeftOff) {
  namespace fs = std::filesystem;
  demotest::DemoInstallation demo(200);
  const test::TempDir tmp;
  const fs::path dane = "drive_c/Kalmiro/DANEJB";
  const std::string trigger = triggerZListy(demo.root());
  ASSERT_FALSE(trigger.empty());
  auto nadpisz = [](const fs::path& p, std::size_t od, std::size_t ile) {
    std::string b = plik(p);
    ASSERT_LE(od + ile, b.size()) << p;
    b.replace(od, ile, std::string(ile, '\x55'));
    std::ofstream(p, std::ios::binary | std::ios::trunc) << b;
  };
  const struct {
    const char* nazwa;
    std::function<void(const fs::path&)> zmien;
    int kod;
    std::string nazwana;  // the table the output names, with the line that says why
    std::string dlaczego;
  } przypadki[] = {
      {"clean", [](const fs::path&) {}, 0, "", ""},
      // The first block's first bytes (after the header, whose size the header gives): its chain and
      // record count.
      {"damaged block",
       [&](const fs::path& d) {
         const std::string b = plik(d / dane / "JBSPRAWPLAN.DB");
         nadpisz(d / dane / "JBSPRAWPLAN.DB",
                 static_cast<unsigned char>(b[2]) + 256u * static_cast<unsigned char>(b[3]), 256);
       },
       4, "JBSPRAWPLAN", "*** Nie można odczytać tabeli JBSPRAWPLAN.DB (po 0 wierszach): Uszkodzona tabela"},
      {"cut off in its last block",
       [&](const fs::path& d) {
         fs::resize_file(d / dane / "JBSPRAWPLAN.DB", fs::file_size(d / dane / "JBSPRAWPLAN.DB") - 1500);
       },
       4, "JBSPRAWPLAN", "urwany przez koniec pliku"},
      // The memos past the .MB file's first blocks.
      {"damaged memos", [&](const fs::path& d) { nadpisz(d / dane / "PARAGRAF.MB", 4096, 4096); }, 4,
       "PARAGRAF/PARAGRAFY", "*** Tabela PARAGRAF.DB, rekord 4, pole OPIS: uszkodzone odwołanie"},
      {"trigger left off",
       [&](const fs::path& d) {
         demotest::BazaDemo(d, "KALMIROJB.FDB").sql("alter trigger " + trigger + " inactive");
       },
       0, "trigger:", "Przywrócono działanie triggera " + trigger + " tabeli "},
      // Runs around every statement of a run: named, not critical.
      {"database trigger",
       [](const fs::path& d) {
         demotest::BazaDemo(d, "KALMIROJB.FDB")
             .sql("create trigger KTO_WCHODZI active on connect as begin end");
       },
       0, "baza:", "trigger bazy KTO_WCHODZI (ON CONNECT)"},
      {"trigger that cannot be switched on",
       [](const fs::path& d) {
         std::ofstream(d / "drive_c/Kalmiro/KONWERSJA/WylaczoneTriggery.txt", std::ios::binary)
             << "C:\\Kalmiro\\BAZA\\KALMIROJB.FDB\tPLANWYD\tPLANWYD_BRAK\t\t\r\n";
       },
       4, "trigger:", "Nie udało się przywrócić działania triggera PLANWYD_BRAK tabeli PLANWYD"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    const fs::path kopia = tmp.path / "demo";
    fs::remove_all(kopia);
    fs::copy(demo.root(), kopia, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    p.zmien(kopia);
    const fs::path json = tmp.path / "check.json";
    std::string wyjscie;
    const std::string przed = plik(kopia / dane / "JBSPRAWPLAN.DB") + plik(kopia / dane / "PARAGRAF.MB");
    EXPECT_EQ(cli("check " + kopia.string() + " --edition JB --json " + json.string(), wyjscie), p.kod)
        << wyjscie;
    // Nothing of the Paradox data is changed, not even to repair it.
    EXPECT_EQ(plik(kopia / dane / "JBSPRAWPLAN.DB") + plik(kopia / dane / "PARAGRAF.MB"), przed);
    if (!p.nazwana.empty()) {
      const auto linia = ("\n" + wyjscie).find("\n" + p.nazwana);
      ASSERT_NE(linia, std::string::npos) << wyjscie;
      EXPECT_NE(wyjscie.find(p.dlaczego, linia), std::string::npos) << wyjscie;
    }
    const auto s = nlohmann::json::parse(plik(json));
    EXPECT_EQ(s["exit_code"], p.kod);
    std::size_t czytane = 0, krytyczne = 0;
    for (const auto& t : s["tables"]) {
      czytane += t["rows_read"].get<std::size_t>() > 0;
      for (const auto& u : t["findings"]) krytyczne += u["critical"].get<bool>();
    }
    EXPECT_GE(czytane, 10u);
    EXPECT_EQ(krytyczne > 0, p.kod == 4 && p.nazwana != "trigger:");
    EXPECT_EQ(s["triggers"].size(), p.nazwana == "trigger:" ? 1u : 0u);
    EXPECT_TRUE(demotest::BazaDemo(kopia, "KALMIROJB.FDB").wylaczone().empty());
  }
}

// `check` names the table and the record a conversion of the same installation then fails on, each
// variant of the demo with one value its column or the server refuses; `--trial` finds what only the
// server decides and leaves every table, generator and trigger as it found them.
TEST(KonwersjaCli, CheckNamesTheRecordTheConversionFailsOn) {
  namespace fs = std::filesystem;
  demotest::DemoInstallation demo(200);
  const test::TempDir tmp;
  const std::string dane = "drive_c/Kalmiro/DANEJB";
  using demotest::BazaDemo;
  using demotest::ZmienParadox;
  auto baza = [](const fs::path& d) { return BazaDemo(d, "KALMIROJB.FDB"); };
  const struct {
    const char* nazwa;
    std::function<void(const fs::path&)> zmien;
    bool proba;
    std::string tabela;  // the Paradox table named
    std::string klucz;   // what the record's description holds
    int kod = 5;         // the conversion's: the row refused, or a value stored changed (4)
  } przypadki[] = {
      {"a Paradox null into a NOT NULL column",
       [&](const fs::path& d) { baza(d).sql("alter table JEDNOSTKI alter NIP set not null"); }, true,
       "JEDNOSTKI", "IDJEDN=2"},
      {"a CHECK constraint",
       [&](const fs::path& d) {
         ZmienParadox(d, dane, "Conf", "Kod", std::string("Zaokr"), "ParInt", std::int64_t{0});
         baza(d).sql("alter table CONF add constraint CONF_PARINT check (PARINT > 0)");
       },
       true, "Conf", "Kod=Zaokr"},
      {"keys alike under a case-insensitive collation",
       [&](const fs::path& d) {
         ZmienParadox(d, dane, "Conf", "Kod", std::string("Zaokr"), "Kod", std::string("ZAOKR"), true);
         BazaDemo b = baza(d);
         b.sql("drop table CONF");
         b.sql(
             "create table CONF (KOD varchar(10) not null collate WIN_CZ_CI_AI, PARSTR varchar(60), PARINT "
             "integer, PARDATA date, OPIS varchar(80), primary key (KOD))");
       },
       true, "Conf", "Kod=Z"},
      {"text without a truth value into a BOOLEAN",
       [&](const fs::path& d) {
         ZmienParadox(d, dane, "Params", "", db::Null{}, "TypGminy", std::string("Tak"));
         BazaDemo b = baza(d);
         b.sql("alter table PARAMS drop TYPGMINY");
         b.sql("alter table PARAMS add TYPGMINY boolean");
         b.sql("alter table PARAMS alter TYPGMINY position 15");
       },
       false, "Params", ""},
      {"a byte Windows-1250 leaves undefined into a UTF8 column",
       [&](const fs::path& d) {
         ZmienParadox(d, dane, "JEDNOSTKI", "IDJEDN", std::int64_t{3}, "NAZWA",
                      std::string("Gminny O\u0081rodek"));
         ZmienParadox(d, dane, "JEDNOSTKI", "IDJEDN", std::int64_t{7}, "NAZWA",
                      std::string("Przedszkole \u0098"));
         BazaDemo b = baza(d);
         b.sql("alter table JEDNOSTKI drop NAZWA");
         b.sql("alter table JEDNOSTKI add NAZWA varchar(120) character set UTF8");
         b.sql("alter table JEDNOSTKI alter NAZWA position 3");
       },
       false, "JEDNOSTKI", "IDJEDN=3", 4},
  };
  const std::regex rekord("Rekord nr ([0-9]+) tabeli [A-Za-z_]+");
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    const fs::path kopia = tmp.path / "demo";
    fs::remove_all(kopia);
    fs::copy(demo.root(), kopia, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    p.zmien(kopia);
    const std::string przed = baza(kopia).stan();
    const fs::path json = tmp.path / "check.json";
    std::string wyjscie;
    EXPECT_EQ(
        cli("check " + kopia.string() + " --edition JB --json " + json.string() + (p.proba ? " --trial" : ""),
            wyjscie),
        4)
        << wyjscie;
    EXPECT_EQ(baza(kopia).stan(), przed);
    // The finding that names a record of the table: the first in the table's order.
    std::string nazwany;
    const auto s = nlohmann::json::parse(plik(json));
    for (const auto& t : s["tables"]) {
      if (!konw::equalsIgnoreCase(t["paradox"].get<std::string>(), p.tabela)) continue;
      for (const auto& u : t["findings"]) {
        const std::string tekst = u["text"];
        std::smatch m;
        if (!u["critical"].get<bool>() || !std::regex_search(tekst, m, rekord)) continue;
        if (!nazwany.empty()) continue;
        // A refused row is named by the conversion's error, a changed value by the read-back's line.
        nazwany = p.kod == 5 ? m.str() : "Tabela " + p.tabela + ", rekord " + m.str(1) + ",";
        EXPECT_NE(tekst.find(p.klucz), std::string::npos) << tekst;
      }
    }
    ASSERT_FALSE(nazwany.empty()) << wyjscie;
    std::string konwersja;
    EXPECT_EQ(cli("convert " + kopia.string() + " --edition JB --yes", konwersja), p.kod) << konwersja;
    std::smatch m;
    if (p.kod == 5) {
      ASSERT_TRUE(std::regex_search(konwersja, m, rekord)) << konwersja;
      EXPECT_EQ(m.str(), nazwany) << konwersja;
    } else {
      EXPECT_NE(konwersja.find(nazwany), std::string::npos) << nazwany << "\n" << konwersja;
    }
  }
}

}  // namespace
