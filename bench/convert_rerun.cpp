// A conversion run again over the rows of the previous one, as operators do after fixing a structure
// difference or after a test run, against the first conversion of the same demo. Each round puts the
// database back, converts it (first run) and converts it again (re-run); the last line is
// "convert-rerun: <re-run time / first-run time>", the median of that ratio over the rounds.
//   bench/run convert-rerun [ROWS] [ROUNDS]     (defaults 300,000 rows of the large tables, 3 rounds)
#include <cstdio>
#include <exception>
#include <vector>

#include "bench/convert_support.h"

int main(int argc, char** argv) {
  std::int64_t rows = 0;
  int rounds = 0;
  if (argc <= 1) {
    static char domyslne[] = "300000";
    static char* argumenty[] = {argv[0], domyslne, nullptr};
    argc = 2;
    argv = argumenty;
  }
  if (!bench::argumenty(argc, argv, rows, rounds)) return 2;
  int rc = 0;
  bench::fs::path dir;
  try {
    dir = bench::katalogTymczasowy("konw-bench-rerun");
    db::registerBuiltinDrivers();
    const bench::DemoBench demo = bench::zrobDemo(dir, rows, "");
    std::vector<double> pierwsze, ponowne;
    for (int r = 0; r < rounds; ++r) {
      bench::przywroc(demo);
      bench::OperatorBench ui;
      pierwsze.push_back(bench::konwertuj(demo, ui));
      bench::OperatorBench ui2;
      ponowne.push_back(bench::konwertuj(demo, ui2));
      std::printf("round %d: first run %.2f s, run again %.2f s\n", r + 1, pierwsze.back(), ponowne.back());
      std::fflush(stdout);
    }
    std::printf("embedded, %lld rows of the large tables\n", static_cast<long long>(rows));
    std::printf("first run:  %.2f s (median)\n", bench::mediana(pierwsze));
    std::printf("run again:  %.2f s (median)\n", bench::mediana(ponowne));
    std::printf("convert-rerun: %.2f\n", bench::medianaIlorazow(ponowne, pierwsze));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert-rerun failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  if (!dir.empty()) bench::fs::remove_all(dir, ec);
  return rc;
}
