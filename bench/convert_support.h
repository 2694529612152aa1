// Whole conversions of a demo commune for the end-to-end benchmarks (convert, convert-server,
// convert-window): the demo made once, its Firebird database put back before every run, a run through an
// operator of the caller's choice, and the in-engine copy of the same rows that bounds a conversion.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "bench/bench_support.h"
#include "db/drivers.h"
#include "db/engine.h"
#include "tools/demo/demo.h"
#include "tools/demo/firebird_schema.h"
#include "tools/demo/tables.h"

namespace bench {

namespace fs = std::filesystem;

// The in-engine copies go into tables of the same shape under this prefix.
inline const std::string kPrefiksLimitu = "L_";

struct DemoBench {
  fs::path dir;                     // the demo installation
  fs::path baza;                    // the JST edition's Firebird file on this host
  std::string lokalizacja;          // how the conversion reaches it (a path, or HOST:path)
  std::vector<std::string> tabele;  // Firebird tables of the catalogue
};

inline void polacz(db::Database& database, const std::string& lokalizacja) {
  database.setDriverName("INTRBASE");
  for (const std::string& line : {"SERVER NAME=" + lokalizacja, std::string("USER NAME=SYSDBA"),
                                  std::string("PASSWORD=palisandr"), std::string("SQLDIALECT=3")})
    database.addParam(line);
  database.connect();
}

// A demo of `rows` rows under `dir` (through `server` when not empty), with empty copies of every
// Firebird table (same columns, key, check and indexes; no trigger) for the in-engine copy, and the
// database saved beside it as it is before any conversion.
inline DemoBench zrobDemo(const fs::path& dir, std::int64_t rows, const std::string& server) {
  konw::demo::Options o;
  o.dir = dir;
  o.rows = rows;
  o.server = server;
  o.force = true;
  konw::demo::createDemo(o);
  DemoBench d;
  d.dir = dir;
  d.baza = dir / "drive_c" / "Kalmiro" / "BAZA" / "KALMIRO.FDB";
  d.lokalizacja = server.empty() ? d.baza.string() : server + ":" + d.baza.string();

  std::vector<konw::demo::DemoTable> katalog = konw::demo::buildCatalogue(0, false);
  std::vector<konw::demo::DemoTable> kopie;
  for (auto& t : katalog) {
    if (t.fb.empty()) continue;
    d.tabele.push_back(t.fb);
    t.fb = kPrefiksLimitu + t.fb;
    t.autoIncField.clear();
    t.dictionary = false;
    kopie.push_back(std::move(t));
  }
  {
    db::Session session;
    db::Database database("DBi", session);
    polacz(database, d.lokalizacja);
    for (const std::string& sql : konw::demo::schemaStatements(kopie)) exec(database, sql);
    database.disconnect();
  }
  fs::copy_file(d.baza, dir / "pristine.fdb", fs::copy_options::overwrite_existing);
  return d;
}

// The operator of a headless run: Yes to the run's confirmation, the default button to anything else.
class OperatorBench : public konw::ScriptedOperator {
 public:
  konw::Button messageBox(konw::MsgKind kind, const std::string& caption, const std::string& text,
                          unsigned buttons, konw::Button defaultButton) override {
    const konw::Button b = konw::ScriptedOperator::messageBox(kind, caption, text, buttons, defaultButton);
    return caption == "POTWIERDZENIE" ? konw::kYes : b;
  }
};

// Puts the database back as it was before any conversion (nothing may be attached to it).
inline void przywroc(const DemoBench& d) {
  const fs::path tmp = d.baza.string() + ".tmp";
  fs::copy_file(d.dir / "pristine.fdb", tmp, fs::copy_options::overwrite_existing);
  fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
  fs::rename(tmp, d.baza);
}

// One whole conversion of the JST edition through `ui` (which must answer Yes to the confirmation),
// with the read-back of each table unless `weryfikacja` is false; its wall time in seconds. Throws
// when the run did not finish (an error, a break, not started).
inline double konwertuj(const DemoBench& d, konw::OperatorProgramu& ui, bool weryfikacja = true) {
  ::setenv("WINEPREFIX", (d.dir / "wine").c_str(), 1);
  konw::TfrmConvert frm(ui, {"JST"}, (d.dir / "konwersja").string());
  if (!frm.FormCreate()) throw std::runtime_error("start-up failed");
  frm.przebieg.UstawWeryfikacje(weryfikacja);
  const auto start = std::chrono::steady_clock::now();
  const konw::Werdykt w = frm.Konwertuj().werdykt;
  const double s = seconds(start);
  if (w == konw::Werdykt::NieRozpoczety || w == konw::Werdykt::Blad || w == konw::Werdykt::Przerwany)
    throw std::runtime_error("the conversion did not finish (verdict " + std::to_string(static_cast<int>(w)) +
                             ")");
  return s;
}

// The rows the conversion left, copied by the engine alone into the empty copies: the bound of a
// conversion. Returns seconds; `wiersze` receives the rows copied.
inline double limit(const DemoBench& d, std::int64_t& wiersze) {
  db::Session session;
  db::Database database("DBi", session);
  polacz(database, d.lokalizacja);
  wiersze = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& t : d.tabele)
    exec(database, "INSERT INTO \"" + kPrefiksLimitu + t + "\" SELECT * FROM \"" + t + "\"");
  const double s = seconds(start);
  for (const std::string& t : d.tabele) wiersze += count(database, "\"" + kPrefiksLimitu + t + "\"");
  database.disconnect();
  return s;
}

inline double mediana(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median over rounds of a[r] / b[r]: each round's two sides ran within the same minute, so a passing
// disturbance of the machine moves both and a ratio of the pair least.
inline double medianaIlorazow(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> ilorazy;
  for (std::size_t r = 0; r < a.size() && r < b.size(); ++r) ilorazy.push_back(a[r] / b[r]);
  return mediana(ilorazy);
}

// Arguments [ROWS] [ROUNDS]: defaults 1,000,000 and 3 (at least 2).
inline bool argumenty(int argc, char** argv, std::int64_t& rows, int& rounds) {
  rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (rows <= 0 || rounds < 2) {
    std::fprintf(stderr, "usage: %s [ROWS] [ROUNDS>=2]\n", argv[0]);
    return false;
  }
  return true;
}

inline fs::path katalogTymczasowy(const char* nazwa) {
  std::string dir = (fs::temp_directory_path() / (std::string(nazwa) + "-XXXXXX")).string();
  if (!mkdtemp(dir.data())) throw std::runtime_error("no temporary directory");
  // A server writes its database there as its own user.
  fs::permissions(dir, fs::perms::all);
  return dir;
}

}  // namespace bench
