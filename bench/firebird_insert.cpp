// Rows a second through a prepared, parameterised INSERT of the INTRBASE driver, against the same
// rows copied inside the engine (INSERT ... SELECT). Last line: "firebird-insert: <ratio>".
//   bench/run firebird-insert [ROWS]     (default 1,000,000; embedded unless
//   KONWERSJA_TEST_FB_SERVER names a server, e.g. 127.0.0.1)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "db/engine.h"
#include "db/firebird/driver.h"

namespace {

constexpr const char* kColumns =
    "(ROK SMALLINT NOT NULL, DZIAL VARCHAR(3) NOT NULL, ROZDZIAL VARCHAR(5) NOT NULL, PAR VARCHAR(4) NOT "
    "NULL, "
    "KWOTA NUMERIC(15,2), PRIMARY KEY (ROK, DZIAL, ROZDZIAL, PAR))";

using bench::count;
using bench::exec;
using bench::seconds;

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: %s [ROWS]\n", argv[0]);
    return 2;
  }
  std::string dir = (std::filesystem::temp_directory_path() / "konw-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 1;
  std::filesystem::permissions(dir, std::filesystem::perms::all);
  const char* server = std::getenv("KONWERSJA_TEST_FB_SERVER");
  db::firebird::ConnectOptions options;
  options.location = (server && *server ? std::string(server) + ":" : std::string()) + dir + "/bench.fdb";
  options.password = "palisandr";
  int rc = 0;
  try {
    db::firebird::createDatabase(options);
    db::registerDriver("INTRBASE", [] { return db::firebird::makeDriver(); });
    db::Session session;
    db::Database database("DBi", session);
    database.setDriverName("INTRBASE");
    database.addParam("SERVER NAME=" + options.location);
    for (const char* line : {"USER NAME=SYSDBA", "PASSWORD=palisandr", "SQLQRYMODE=SERVER",
                             "LANGDRIVER=anpolish", "ENABLE BCD=TRUE", "SQLDIALECT=3"}) {
      database.addParam(line);
    }
    database.connect();
    exec(database, std::string("CREATE TABLE T1 ") + kColumns);
    exec(database, std::string("CREATE TABLE T2 ") + kColumns);

    db::Query insert;
    insert.setDatabase(&database);
    insert.addSql(
        "INSERT INTO T1 (\"ROK\",\"DZIAL\",\"ROZDZIAL\",\"PAR\",\"KWOTA\") "
        "VALUES (:\"ROK\",:\"DZIAL\",:\"ROZDZIAL\",:\"PAR\",:\"KWOTA\")");
    char dzial[8], rozdzial[8], par[8];
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
      // Keys ascend, as rows come from a keyed Paradox table (stored in primary-key order).
      std::snprintf(dzial, sizeof dzial, "%03ld", (i / 1000) % 1000);
      std::snprintf(rozdzial, sizeof rozdzial, "%05ld", (i / 10) % 100);
      std::snprintf(par, sizeof par, "%04ld", i % 10);
      insert.param(0).setValue(std::int64_t{2000 + i / 1000000});
      insert.param(1).setValue(std::string(dzial));
      insert.param(2).setValue(std::string(rozdzial));
      insert.param(3).setValue(std::string(par));
      insert.param(4).setValue(db::Decimal{static_cast<__int128>(i) * 7919 % 100000000000, 2});
      insert.execSql();
    }
    std::int64_t inserted = count(database, "T1");  // opening a query commits what is pending
    double driverSeconds = seconds(start);

    start = std::chrono::steady_clock::now();
    exec(database, "INSERT INTO T2 SELECT * FROM T1");
    std::int64_t copied = count(database, "T2");
    double engineSeconds = seconds(start);

    if (inserted != rows || copied != rows) {
      std::fprintf(stderr, "row counts differ: %ld asked, %lld inserted, %lld copied\n", rows,
                   static_cast<long long>(inserted), static_cast<long long>(copied));
      rc = 1;
    } else {
      double driverRate = rows / driverSeconds;
      double engineRate = rows / engineSeconds;
      std::printf("%s, %ld rows\n", server && *server ? server : "embedded", rows);
      std::printf("prepared INSERT through the driver: %.0f rows/s (%.2f s)\n", driverRate, driverSeconds);
      std::printf("INSERT ... SELECT in the engine:    %.0f rows/s (%.2f s)\n", engineRate, engineSeconds);
      std::printf("firebird-insert: %.2f\n", driverRate / engineRate);
    }
    database.disconnect();
    db::firebird::dropDatabase(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "firebird-insert failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return rc;
}
