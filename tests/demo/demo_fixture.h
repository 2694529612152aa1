// The demo installation in a temporary directory, found the way the program finds a real one: through
// the Wine prefix's WIN.INI and its C: drive.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
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
  // Every user table's rows (as a sorted multiset, by a digest), every generator's value and every
  // trigger's state, one line each: what a test compares before and after something that must leave
  // the database as it found it.
  std::string stan() {
    std::vector<std::string> linie;
    std::vector<std::string> tabele;
    {
      db::Query q;
      q.setDatabase(&baza_);
      q.addSql(
          "select trim(rdb$relation_name) from rdb$relations where coalesce(rdb$system_flag, 0) = 0 and "
          "rdb$view_blr is null");
      for (q.open(); !q.eof(); q.next()) tabele.push_back(q.field(0).asString());
    }
    for (const std::string& t : tabele) {
      db::Query q;
      q.setDatabase(&baza_);
      q.addSql("select * from \"" + t + "\"");
      std::vector<std::string> wiersze;
      for (q.open(); !q.eof(); q.next()) {
        std::string w;
        for (int i = 0; i < q.fieldCount(); ++i) w += db::valueToSqlText(q.field(i).value()) + "\x1f";
        wiersze.push_back(std::move(w));
      }
      std::sort(wiersze.begin(), wiersze.end());
      std::string razem;
      for (const std::string& w : wiersze) razem += w + "\x1e";
      linie.push_back("tabela " + t + ": " + std::to_string(wiersze.size()) + " wierszy, " +
                      std::to_string(std::hash<std::string>{}(razem)));
    }
    for (const char* sql :
         {"select 'generator ' || trim(rdb$generator_name) from rdb$generators where "
          "coalesce(rdb$system_flag, 0) = 0",
          "select 'trigger ' || trim(rdb$trigger_name) || ' ' || coalesce(rdb$trigger_inactive, 0) from "
          "rdb$triggers where coalesce(rdb$system_flag, 0) = 0"}) {
      db::Query q;
      q.setDatabase(&baza_);
      q.addSql(sql);
      for (q.open(); !q.eof(); q.next()) linie.push_back(q.field(0).asString());
    }
    for (std::string& l : linie)
      if (l.starts_with("generator "))
        l += " " + std::to_string(liczba("select gen_id(\"" + l.substr(10) + "\", 0) from rdb$database"));
    std::sort(linie.begin(), linie.end());
    std::string out;
    for (const std::string& l : linie) out += l + "\n";
    return out;
  }
  // The rows of a query, each its values as text joined by "|" ("NULL" for a null).
  std::vector<std::string> wiersze(const std::string& tekst) {
    db::Query q;
    q.setDatabase(&baza_);
    q.addSql(tekst);
    std::vector<std::string> out;
    for (q.open(); !q.eof(); q.next()) {
      std::string w;
      for (int i = 0; i < q.fieldCount(); ++i)
        w += (i ? "|" : "") +
             (q.field(i).isNull() ? std::string("NULL") : db::valueToText(q.field(i).value()));
      out.push_back(std::move(w));
    }
    return out;
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

// Sets field `pole` of the rows of the demo's Paradox table `tabela` (in `katalog`, relative to `root`)
// whose field `gdzie` holds `ktory` (every row when `gdzie` is empty) to `wartosc`; with `dodaj`, inserts
// a copy of the first such row with the change instead.
inline void ZmienParadox(const std::filesystem::path& root, const std::string& katalog,
                         const std::string& tabela, const std::string& gdzie, const db::Value& ktory,
                         const std::string& pole, const db::Value& wartosc, bool dodaj = false) {
  db::registerBuiltinDrivers();
  db::Session session;
  session.addPassword("wrzo");
  db::Database dane("dane", session);
  dane.setDriverName("STANDARD");
  dane.addParam("PATH=" + (root / katalog).string() + "/");
  dane.addParam("DEFAULT DRIVER=PARADOX");
  dane.connect();
  db::Table t;
  t.setDatabase(&dane);
  t.setTableName(tabela + ".DB");
  t.open();
  std::vector<db::Value> wiersz;
  for (t.first(); !t.eof(); t.next()) {
    if (!gdzie.empty() && !(t.fieldByName(gdzie).value() == ktory)) continue;
    if (dodaj) {
      for (int i = 0; i < t.fieldCount(); ++i) wiersz.push_back(t.field(i).value());
      break;
    }
    t.edit();
    t.fieldByName(pole).setValue(wartosc);
    t.post();
  }
  if (dodaj) {
    t.insert();
    for (int i = 0; i < t.fieldCount(); ++i) t.field(i).setValue(wiersz.at(static_cast<std::size_t>(i)));
    t.fieldByName(pole).setValue(wartosc);
    t.post();
  }
  t.close();
}

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
