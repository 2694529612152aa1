// The same whole conversion of a demo commune through a Firebird server (KONWERSJA_TEST_FB_SERVER,
// default 127.0.0.1) and embedded, alternating. The last line is
// "convert-server: <server rows/s / embedded rows/s>", the median of that ratio over the rounds.
//   bench/run convert-server [ROWS] [ROUNDS]     (defaults 1,000,000 rows of the large tables, 3 rounds)
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "bench/convert_support.h"

int main(int argc, char** argv) {
  std::int64_t rows = 0;
  int rounds = 0;
  if (!bench::argumenty(argc, argv, rows, rounds)) return 2;
  const char* env = std::getenv("KONWERSJA_TEST_FB_SERVER");
  const std::string server = env && *env ? env : "127.0.0.1";
  int rc = 0;
  bench::fs::path dirE, dirS;
  try {
    db::registerBuiltinDrivers();
    dirE = bench::katalogTymczasowy("konw-bench-embedded");
    dirS = bench::katalogTymczasowy("konw-bench-server");
    const bench::DemoBench wbudowana = bench::zrobDemo(dirE, rows, "");
    const bench::DemoBench serwer = bench::zrobDemo(dirS, rows, server);
    std::vector<double> czasyE, czasyS;
    for (int r = 0; r < rounds; ++r) {
      for (const bench::DemoBench* d : {&wbudowana, &serwer}) {
        bench::przywroc(*d);
        bench::OperatorBench ui;
        (d == &serwer ? czasyS : czasyE).push_back(bench::konwertuj(*d, ui));
      }
      std::printf("round %d: embedded %.2f s, server %.2f s\n", r + 1, czasyE.back(), czasyS.back());
      std::fflush(stdout);
    }
    std::int64_t wiersze = 0;
    bench::limit(serwer, wiersze);
    const double e = bench::mediana(czasyE), s = bench::mediana(czasyS);
    std::printf("%lld rows in Firebird after the conversion\n", static_cast<long long>(wiersze));
    std::printf("embedded:        %.0f rows/s (%.2f s)\n", static_cast<double>(wiersze) / e, e);
    std::printf("server %s: %.0f rows/s (%.2f s)\n", server.c_str(), static_cast<double>(wiersze) / s, s);
    std::printf("ratio of the medians:    %.2f\n", e / s);
    std::printf("convert-server: %.2f\n", bench::medianaIlorazow(czasyE, czasyS));
  } catch (const std::exception& ex) {
    std::fprintf(stderr, "convert-server failed: %s\n", ex.what());
    rc = 1;
  }
  std::error_code ec;
  for (const auto& d : {dirE, dirS})
    if (!d.empty()) bench::fs::remove_all(d, ec);
  return rc;
}
