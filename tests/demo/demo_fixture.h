// The demo installation in a temporary directory, found the way the program finds a real one: through
// the Wine prefix's WIN.INI and its C: drive.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "db/drivers.h"
#include "db/engine.h"
#include "support/env_guard.h"
#include "support/scratch_dir.h"
#include "tools/demo/demo.h"

namespace demotest {

using test::EnvGuard;

class DemoInstallation {
 public:
  explicit DemoInstallation(std::int64_t rows) {
    db::registerBuiltinDrivers();
    konw::demo::Options options;
    options.dir = root();
    options.rows = rows;
    konw::demo::createDemo(options);
    std::filesystem::create_directories(dir_.path / "bin");  // the error log lies beside the program
  }

  std::filesystem::path root() const { return dir_.path / "demo"; }
  std::filesystem::path program() const { return dir_.path / "bin" / "konwersja"; }
  // The program's error log (written beside the program).
  std::filesystem::path errorLog() const { return dir_.path / "bin" / "konwersja.log"; }

  // A new main window on this installation, with a fixed workstation identifier no section names.
  std::unique_ptr<konw::TfrmConvert> window(konw::OperatorProgramu& ui,
                                            std::vector<std::string> args = {}) const {
    auto frm = std::make_unique<konw::TfrmConvert>(ui, std::move(args), program().string());
    frm->identyfikatorStanowiska = [] { return std::string("020000000001"); };
    return frm;
  }

 private:
  test::TempDir dir_;
};

// The Firebird database of a demo installation at `root` ("KALMIRO.FDB" of JST, "KALMIROJB.FDB" of JB),
// attached straight, not through the program, whose start-up would change what a test set up.
class BazaDemo {
 public:
  BazaDemo(const std::filesystem::path& root, const std::string& plik) : baza_("BazaDemo") {
    baza_.setDriverName("INTRBASE");
    for (const std::string& l : {"SERVER NAME=" + (root / "drive_c/Kalmiro/BAZA" / plik).string(),
                                 std::string("USER NAME=SYSDBA"), std::string("PASSWORD=palisandr")})
      baza_.addParam(l);
    baza_.connect();
  }
  void sql(const std::string& tekst) {
    db::Query q;
    q.setDatabase(&baza_);
    q.addSql(tekst);
    q.execSql();
  }
  // The first column of the first row; -1 when there is none, 0 for a null.
  std::int64_t liczba(const std::string& tekst) {
    db::Query q;
    q.setDatabase(&baza_);
    q.addSql(tekst);
    q.open();
    if (q.eof()) return -1;
    return q.field(0).isNull() ? 0 : q.field(0).asInteger();
  }
  // The triggers of the tables that are switched off, by name.
  std::vector<std::string> wylaczone() {
    db::Query q;
    q.setDatabase(&baza_);
    q.addSql(
        "select trim(rdb$trigger_name) from rdb$triggers where rdb$trigger_inactive = 1 and "
        "coalesce(rdb$system_flag, 0) = 0 order by 1");
    std::vector<std::string> out;
    for (q.open(); !q.eof(); q.next()) out.push_back(q.field(0).asString());
    return out;
  }

 private:
  db::Database baza_;
};

// The environment under which the program finds the demo through its Wine prefix.
struct FoundThroughWine {
  explicit FoundThroughWine(const DemoInstallation& demo)
      : prefix("WINEPREFIX", (demo.root() / "wine").c_str()),
        winini("KONWERSJA_WININI", nullptr),
        drive("KONWERSJA_DRIVE_C", nullptr) {}
  EnvGuard prefix, winini, drive;
};

// `konwersja-cli convert` of the JST edition of the demo under `root` (Yes to its confirmations) started in
// a process of its own, its output thrown away; `extra` are further arguments. Returns its process id.
inline pid_t KonwersjaWTle(const std::filesystem::path& root, const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args = {KONWERSJA_CLI, "convert", root.string(), "--edition",
                                   "JST",         "--kind",  "0",           "--yes"};
  args.insert(args.end(), extra.begin(), extra.end());
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int nul = ::open("/dev/null", O_WRONLY);
  ::dup2(nul, 1);
  ::dup2(nul, 2);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::execv(KONWERSJA_CLI, argv.data());
  ::_exit(127);
}

}  // namespace demotest
