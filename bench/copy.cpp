// Rows a second of the table copy (TfrmConvert::Convert) from a Paradox table into an embedded Firebird
// table, with and without the verification that reads the table back, against the same rows put through
// the driver's prepared INSERT directly.
// Last line: "copy: <share>", what the verification adds to the copy's time, as a share of it (the
// median over pairs of runs side by side).
//   bench/run copy [ROWS]     (default 300,000; embedded unless KONWERSJA_TEST_FB_SERVER names a
//   server, e.g. 127.0.0.1)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "bench/bench_support.h"
#include "control/konwersja_dm.h"
#include "convert/weryfikacja.h"
#include "db/drivers.h"
#include "db/engine.h"
#include "db/firebird/driver.h"
#include "db/paradox/writer.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kColumns =
    "(ROK SMALLINT NOT NULL, DZIAL VARCHAR(3) NOT NULL, ROZDZIAL VARCHAR(5) NOT NULL, PAR VARCHAR(4) NOT "
    "NULL, "
    "KWOTA NUMERIC(15,2), NAZWA VARCHAR(60), AKTYWNY CHAR(1), PRIMARY KEY (ROK, DZIAL, ROZDZIAL, PAR))";

using bench::count;
using bench::exec;
using bench::seconds;

// The Paradox table PLANY with `rows` rows in key order.
void writePlan(const fs::path& dir, long rows) {
  db::paradox::TableSpec tdef;
  tdef.fields = {{"ROK", 'S', 0},   {"DZIAL", 'A', 3},  {"ROZDZIAL", 'A', 5}, {"PAR", 'A', 4},
                 {"KWOTA", '$', 0}, {"NAZWA", 'A', 60}, {"AKTYWNY", 'L', 0}};
  tdef.keyFields = 4;
  std::vector<db::Row> data;
  data.reserve(static_cast<std::size_t>(rows));
  char dzial[8], rozdzial[8], par[8];
  for (long i = 0; i < rows; ++i) {
    std::snprintf(dzial, sizeof dzial, "%03ld", (i / 1000) % 1000);
    std::snprintf(rozdzial, sizeof rozdzial, "%05ld", (i / 10) % 100);
    std::snprintf(par, sizeof par, "%04ld", i % 10);
    data.push_back({std::int64_t{2000 + i / 1000000}, std::string(dzial), std::string(rozdzial),
                    std::string(par), static_cast<double>(i * 7919 % 10000000) / 100,
                    std::string("Wydatki bieżące jednostki"), i % 3 != 0});
  }
  db::paradox::writeTable(dir / "PLANY.DB", tdef, std::move(data));
}

void writeLista(const fs::path& dir) {
  db::paradox::TableSpec tdef;
  tdef.keyFields = 1;
  tdef.fields = {{"IDTF", '+', 0},         {"KONWERTOWANA", 'L', 0}, {"TABELA", 'A', 25},
                 {"TABELA_IB", 'A', 25},   {"AUTOINC_PDX", 'A', 25}, {"TRIGGER_IB", 'A', 40},
                 {"GENERATOR_IB", 'A', 40}};
  db::paradox::writeTable(dir / "ListaTabel.db", tdef,
                          {{std::int64_t{1}, true, std::string("PLANY"), std::string("PLANY"), db::Null{},
                            db::Null{}, db::Null{}}});
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 300000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: %s [ROWS]\n", argv[0]);
    return 2;
  }
  std::string dir = (fs::temp_directory_path() / "konw-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 1;
  fs::permissions(dir, fs::perms::all);
  const char* server = std::getenv("KONWERSJA_TEST_FB_SERVER");
  db::firebird::ConnectOptions options;
  options.location = (server && *server ? std::string(server) + ":" : std::string()) + dir + "/bench.fdb";
  options.password = "palisandr";
  int rc = 0;
  try {
    fs::create_directories(fs::path(dir) / "DANE");
    fs::create_directories(fs::path(dir) / "KONWERSJA");
    writePlan(fs::path(dir) / "DANE", rows);
    writeLista(fs::path(dir) / "KONWERSJA");
    db::firebird::createDatabase(options);
    db::registerBuiltinDrivers();

    konw::ScriptedOperator ui;
    konw::TfrmConvert frm(ui, {}, dir + "/konwersja");
    if (!frm.UtworzModulDanych()) throw std::runtime_error("no data module");
    konw::TdmKonw& dm = *frm.dm();
    // The data module starts with empty locations in its parameter lines: these replace them.
    dm.DBp.setDriverName("STANDARD");
    dm.DBp.clearParams();
    dm.DBp.addParam("PATH=" + dir + "/DANE");
    dm.DBi.setDriverName("INTRBASE");
    dm.DBi.clearParams();
    dm.DBi.addParam("SERVER NAME=" + options.location);
    for (const char* line : {"USER NAME=SYSDBA", "PASSWORD=palisandr", "SQLQRYMODE=SERVER",
                             "LANGDRIVER=anpolish", "ENABLE BCD=TRUE", "SQLDIALECT=3"}) {
      dm.DBi.addParam(line);
    }
    dm.dbKonwersja.setParam(0, "PATH=" + dir + "/KONWERSJA");
    dm.dbKonwersja.connect();
    dm.tblLista.open();
    dm.DBi.connect();
    exec(dm.DBi, std::string("CREATE TABLE PLANY ") + kColumns);
    exec(dm.DBi, std::string("CREATE TABLE PLANY2 ") + kColumns);

    // The copy alone and the copy followed by its verification, seven times in turn into a new empty table
    // (emptying a full one would be counted too): the best time of each, and the median over the pairs of
    // what the verification added, which a passing disturbance of the machine moves least.
    double unverifiedSeconds = 1e300, copySeconds = 1e300, verifySeconds = 1e300, previous = 0;
    std::vector<double> added;
    for (int run = 0; run < 14; ++run) {
      const bool verify = run % 2 == 1;
      if (run > 0) {
        dm.DBi.disconnect();
        exec(dm.DBi, "DROP TABLE PLANY");
        exec(dm.DBi, std::string("CREATE TABLE PLANY ") + kColumns);
      }
      frm.przebieg.UstawWeryfikacje(verify);
      const double verifiedBefore = frm.przebieg.sekundyWeryfikacji();
      const auto start = std::chrono::steady_clock::now();
      frm.przebieg.Convert();
      // A run checks each copied table once more after its last commit: part of what verifying costs.
      frm.przebieg.SprawdzTabelePoZakonczeniu();
      const double took = seconds(start);
      double& best = verify ? copySeconds : unverifiedSeconds;
      best = std::min(best, took);
      if (verify) added.push_back(took / previous - 1);
      previous = took;
      if (verify) verifySeconds = std::min(verifySeconds, frm.przebieg.sekundyWeryfikacji() - verifiedBefore);
    }
    const std::int64_t copied = count(dm.DBi, "PLANY");
    const auto& info = ui.memo("mKomInf");
    const bool verified = std::find(info.begin(), info.end(),
                                    "Tabela PLANY: zweryfikowano " + std::to_string(rows) +
                                        " wierszy, wartości zgodne") != info.end();

    // Reading the copied rows back through the driver alone: the floor of the verification's own reading.
    double readSeconds = 1e300;
    for (int run = 0; run < 2; ++run) {
      db::Query back;
      back.setDatabase(&dm.DBi);
      back.setUnidirectional(true);
      back.addSql("SELECT ROK, DZIAL, ROZDZIAL, PAR, KWOTA, NAZWA, AKTYWNY FROM PLANY");
      const auto start = std::chrono::steady_clock::now();
      back.open();
      std::size_t bytes = 0;
      for (; !back.eof(); back.next())
        for (int k = 0; k < back.fieldCount(); ++k) bytes += back.field(k).value().index();
      back.close();
      readSeconds = std::min(readSeconds, seconds(start) + (bytes == 0 ? 1 : 0));
    }

    // The same rows through the driver alone: the ceiling of the copy.
    db::Table source;
    source.setDatabase(&dm.DBp);
    source.setTableName("PLANY.DB");
    source.setReadOnly(true);
    source.open();
    db::Query insert;
    insert.setDatabase(&dm.DBi);
    insert.addSql(
        "INSERT INTO PLANY2 (\"ROK\",\"DZIAL\",\"ROZDZIAL\",\"PAR\",\"KWOTA\",\"NAZWA\",\"AKTYWNY\") "
        "VALUES (:\"ROK\",:\"DZIAL\",:\"ROZDZIAL\",:\"PAR\",:\"KWOTA\",:\"NAZWA\",:\"AKTYWNY\")");
    const db::Value tak{std::string("T")}, nie{std::string("N")};
    const auto start = std::chrono::steady_clock::now();
    for (; !source.eof(); source.next()) {
      for (int k = 0; k < 6; ++k) insert.param(k).setValue(source.field(k).value());
      insert.param(6).setValue(source.field(6).asBoolean() ? tak : nie);
      insert.execSql();
    }
    const std::int64_t direct = count(dm.DBi, "PLANY2");
    const double directSeconds = seconds(start);
    source.close();

    if (copied != rows || direct != rows || frm.przebieg.flagi().BladKonwersji || !verified) {
      std::fprintf(stderr, "row counts differ: %ld asked, %lld copied, %lld inserted directly\n", rows,
                   static_cast<long long>(copied), static_cast<long long>(direct));
      rc = 1;
    } else {
      const double copyRate = rows / copySeconds;
      const double directRate = rows / directSeconds;
      std::printf("%s, %ld rows of 7 fields\n", server && *server ? server : "embedded", rows);
      std::printf("table copy without verification:    %.0f rows/s (%.2f s)\n", rows / unverifiedSeconds,
                  unverifiedSeconds);
      std::printf("table copy with verification:       %.0f rows/s (%.2f s)\n", copyRate, copySeconds);
      std::printf("verification alone:                 %.2f s, %.0f%% of the copy without it\n",
                  verifySeconds, 100 * verifySeconds / unverifiedSeconds);
      std::printf("reading the table back, driver alone: %.2f s\n", readSeconds);
      std::printf("prepared INSERT through the driver:  %.0f rows/s (%.2f s)\n", directRate, directSeconds);
      std::printf("verified copy against the driver alone: %.2f\n", copyRate / directRate);
      // The whole cost: the read-back and what the copy adds up for it while it sends the rows.
      std::sort(added.begin(), added.end());
      std::printf("copy: %.2f\n", added[added.size() / 2]);
    }
    dm.DBi.disconnect();
    dm.DBp.disconnect();
    db::firebird::dropDatabase(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "copy failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
