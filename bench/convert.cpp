// A whole headless conversion of a demo commune into an embedded Firebird database, against the engine's
// own INSERT ... SELECT of the same rows into tables of the same shape (the bound of any conversion).
// The conversion as it runs (each table read back after its copy), the same without the read-back and
// the bound alternate; the last line is "convert: <bound time / conversion time>", the median of that
// ratio over the rounds, of the conversion as it runs.
//   bench/run convert [ROWS] [ROUNDS]     (defaults 1,000,000 rows of the large tables, 3 rounds)
#include <cstdio>
#include <exception>
#include <vector>

#include "bench/convert_support.h"

int main(int argc, char** argv) {
  std::int64_t rows = 0;
  int rounds = 0;
  if (!bench::argumenty(argc, argv, rows, rounds)) return 2;
  int rc = 0;
  bench::fs::path dir;
  try {
    dir = bench::katalogTymczasowy("konw-bench-convert");
    db::registerBuiltinDrivers();
    const bench::DemoBench demo = bench::zrobDemo(dir, rows, "");
    std::vector<double> konwersje, bezWeryfikacji, limity;
    std::int64_t wiersze = 0;
    for (int r = 0; r < rounds; ++r) {
      bench::przywroc(demo);
      bench::OperatorBench ui;
      konwersje.push_back(bench::konwertuj(demo, ui));
      bench::przywroc(demo);
      bench::OperatorBench ui2;
      bezWeryfikacji.push_back(bench::konwertuj(demo, ui2, false));
      limity.push_back(bench::limit(demo, wiersze));
      std::printf("round %d: conversion %.2f s, without the read-back %.2f s, INSERT ... SELECT %.2f s\n",
                  r + 1, konwersje.back(), bezWeryfikacji.back(), limity.back());
      std::fflush(stdout);
    }
    const double k = bench::mediana(konwersje), b = bench::mediana(bezWeryfikacji),
                 l = bench::mediana(limity);
    std::printf("embedded, %lld rows in Firebird after the conversion\n", static_cast<long long>(wiersze));
    std::printf("conversion:               %.0f rows/s (%.2f s)\n", static_cast<double>(wiersze) / k, k);
    std::printf("without the read-back:    %.0f rows/s (%.2f s), bound / time %.2f\n",
                static_cast<double>(wiersze) / b, b, bench::medianaIlorazow(limity, bezWeryfikacji));
    std::printf("INSERT ... SELECT:        %.0f rows/s (%.2f s)\n", static_cast<double>(wiersze) / l, l);
    std::printf("ratio of the medians:     %.2f\n", l / k);
    std::printf("convert: %.2f\n", bench::medianaIlorazow(limity, konwersje));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  if (!dir.empty()) bench::fs::remove_all(dir, ec);
  return rc;
}
