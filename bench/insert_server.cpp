// Rows a second through a Firebird server: the prepared INSERT one row per execution against the same
// INSERT in batches (Query::beginBatch), alternating the two sides, each into a table of its own.
// Last line: "insert-server: <batched rows/s ÷ single rows/s>" (medians).
//   bench/run insert-server [ROWS] [GROUP] [RUNS]
// ROWS per run (default 100,000), GROUP rows a batch (default as the table copy uses), RUNS per side
// (default 2). The server is KONWERSJA_TEST_FB_SERVER, else 127.0.0.1 (start one with
// tools/fb-test-server).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "db/engine.h"
#include "db/firebird/driver.h"

namespace {

// Eleven columns as a plan table has them: a compound key, codes, amounts, a date and a remark.
constexpr const char* kColumns =
    "(ROK SMALLINT NOT NULL, DZIAL VARCHAR(3) NOT NULL, ROZDZIAL VARCHAR(5) NOT NULL, PAR VARCHAR(4) NOT "
    "NULL, "
    "POZ INTEGER NOT NULL, NAZWA VARCHAR(60), KWOTA NUMERIC(15,2), WYKON NUMERIC(15,2), DATA DATE, "
    "ZRODLO CHAR(2), UWAGI VARCHAR(40), PRIMARY KEY (ROK, DZIAL, ROZDZIAL, PAR, POZ))";
constexpr const char* kInsert =
    "INSERT INTO %s (\"ROK\",\"DZIAL\",\"ROZDZIAL\",\"PAR\",\"POZ\",\"NAZWA\",\"KWOTA\",\"WYKON\",\"DATA\","
    "\"ZRODLO\",\"UWAGI\") VALUES (:\"ROK\",:\"DZIAL\",:\"ROZDZIAL\",:\"PAR\",:\"POZ\",:\"NAZWA\",:\"KWOTA\","
    ":\"WYKON\",:\"DATA\",:\"ZRODLO\",:\"UWAGI\")";

using bench::count;
using bench::exec;
using bench::seconds;

// Loads `rows` rows into `table`; batched when `group` > 0. Returns the seconds taken until the rows
// are committed and counted.
double load(db::Database& database, const std::string& table, long rows, std::size_t group) {
  exec(database, "CREATE TABLE " + table + " " + kColumns);
  char sql[1024];
  std::snprintf(sql, sizeof sql, kInsert, table.c_str());
  db::Query insert;
  insert.setDatabase(&database);
  insert.addSql(sql);
  if (group > 0) {
    auto preparing = std::chrono::steady_clock::now();
    if (!insert.beginBatch(group)) throw std::runtime_error("the connection does not batch");
    std::printf("preparing the batch: %.1f ms\n", seconds(preparing) * 1000);
  }
  char dzial[8], rozdzial[8], par[8], nazwa[64];
  auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < rows; ++i) {
    // Keys ascend, as rows come from a keyed Paradox table.
    std::snprintf(dzial, sizeof dzial, "%03ld", (i / 100000) % 1000);
    std::snprintf(rozdzial, sizeof rozdzial, "%05ld", (i / 1000) % 100);
    std::snprintf(par, sizeof par, "%04ld", (i / 10) % 100);
    std::snprintf(nazwa, sizeof nazwa, "Wydatki bieżące jednostki nr %ld", i);
    insert.param(0).setValue(std::int64_t{2000 + i / 100000000});
    insert.param(1).setValue(std::string(dzial));
    insert.param(2).setValue(std::string(rozdzial));
    insert.param(3).setValue(std::string(par));
    insert.param(4).setValue(std::int64_t{i % 10});
    insert.param(5).setValue(std::string(nazwa));
    insert.param(6).setValue(db::Decimal{static_cast<__int128>(i) * 7919 % 100000000000, 2});
    insert.param(7).setValue(i % 3 ? db::Value{db::Decimal{static_cast<__int128>(i) * 31 % 1000000, 2}}
                                   : db::Value{db::Null{}});
    insert.param(8).setValue(db::Date{40000 + static_cast<std::int32_t>(i % 3650)});
    insert.param(9).setValue(std::string(i % 2 ? "01" : "02"));
    insert.param(10).setValue(i % 5 ? db::Value{db::Null{}} : db::Value{std::string("korekta")});
    if (group > 0) {
      insert.addToBatch(static_cast<std::uint64_t>(i));
    } else {
      insert.execSql();
    }
  }
  insert.flushBatch();
  std::int64_t inserted = count(database, table);  // opening a query commits what is pending
  double s = seconds(start);
  if (inserted != rows) {
    throw std::runtime_error(table + ": " + std::to_string(inserted) + " rows of " + std::to_string(rows));
  }
  return s;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
  const long group = argc > 2 ? std::atol(argv[2]) : 128;
  const long runs = argc > 3 ? std::atol(argv[3]) : 2;
  if (rows <= 0 || group < 2 || runs <= 0) {
    std::fprintf(stderr, "usage: %s [ROWS] [GROUP >= 2] [RUNS]\n", argv[0]);
    return 2;
  }
  std::string dir = (std::filesystem::temp_directory_path() / "konw-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 1;
  std::filesystem::permissions(dir, std::filesystem::perms::all);
  const char* env = std::getenv("KONWERSJA_TEST_FB_SERVER");
  const std::string server = env && *env ? env : "127.0.0.1";
  db::firebird::ConnectOptions options;
  options.location = server + ":" + dir + "/bench.fdb";
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

    std::vector<double> single, batched;
    for (long run = 0; run < runs; ++run) {
      double s = load(database, "S" + std::to_string(run), rows, 0);
      single.push_back(rows / s);
      std::printf("run %ld single:  %8.0f rows/s (%.2f s)\n", run + 1, rows / s, s);
      double b = load(database, "B" + std::to_string(run), rows, static_cast<std::size_t>(group));
      batched.push_back(rows / b);
      std::printf("run %ld batched: %8.0f rows/s (%.2f s)\n", run + 1, rows / b, b);
      std::fflush(stdout);
    }
    std::printf("%s, %ld rows a run, %ld rows a batch\n", server.c_str(), rows, group);
    std::printf("single INSERT (median):  %.0f rows/s\n", median(single));
    std::printf("batched INSERT (median): %.0f rows/s\n", median(batched));
    std::printf("insert-server: %.2f\n", median(batched) / median(single));
    database.disconnect();
    db::firebird::dropDatabase(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "insert-server failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return rc;
}
