// bench/run paradox-scan [FILE]: rows per second of reading every row of a Paradox table with every value
// decoded, through the driver's cursor as the conversion reads it. Without FILE it first writes a
// 1,000,000-row table of six fields.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/paradox/cursor.h"
#include "db/paradox/writer.h"

namespace fs = std::filesystem;

namespace {

fs::path writeSample(const fs::path& dir) {
  db::paradox::TableSpec tdef;
  tdef.fields = {{"Id", 'I', 4},    {"Nazwa", 'A', 30}, {"Kwota", '$', 8},
                 {"Ilosc", 'N', 8}, {"Data", 'D', 4},   {"Zatw", 'L', 1}};
  tdef.keyFields = 1;
  tdef.codePage = 1250;
  tdef.blockSizeKb = 4;
  std::vector<db::Row> rows;
  rows.reserve(1000000);
  std::mt19937 rng(42);
  for (int i = 1; i <= 1000000; ++i) {
    rows.push_back({db::Value{std::int64_t{i}},
                    db::Value{"Pozycja budżetu nr " + std::to_string(rng() % 100000)},
                    db::Value{static_cast<double>(rng() % 10000000) / 100.0},
                    db::Value{static_cast<double>(rng() % 1000)},
                    db::Value{db::Date{static_cast<std::int32_t>(40000 + rng() % 9000)}},
                    i % 7 == 0 ? db::Value{db::Null{}} : db::Value{i % 2 == 0}});
  }
  fs::path file = dir / "scan.db";
  db::paradox::writeTable(file, tdef, std::move(rows));
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    fs::path file;
    fs::path temp;
    if (argc > 1) {
      file = argv[1];
    } else {
      temp = fs::temp_directory_path() / ("konwersja-paradox-scan-" + std::to_string(::getpid()));
      fs::create_directories(temp);
      auto t0 = std::chrono::steady_clock::now();
      file = writeSample(temp);
      double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      std::printf("wrote %s (1000000 rows, 6 fields) in %.2f s\n", file.c_str(), s);
    }
    db::paradox::TableCursor cursor(file, 0, true);
    db::Row row;
    std::size_t check = 0;
    std::int64_t rows = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (std::int64_t pos = 0; cursor.read(pos, row); ++pos) {
      ++rows;
      for (const auto& v : row) check += v.index();
    }
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!temp.empty()) fs::remove_all(temp);
    const double rate = s > 0 ? rows / s : 0;
    std::printf("read %lld rows of %s in %.3f s (check %zu)\n", static_cast<long long>(rows), file.c_str(), s,
                check);
    std::printf("paradox-scan: %.0f\n", rate);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "paradox-scan: %s\n", e.what());
    return 1;
  }
}
