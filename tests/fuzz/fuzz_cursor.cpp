// Fuzz target: a table a user brings, with its companion files, opened through the engine as the
// conversion opens it: every row read in chain order, then in the order of each index it declares and
// of a field chosen by the input, with a locate of a row's own key in each order. Anything damaged
// ends in an EngineError, never in a crash or another exception.
//
// Input: byte 0 steers the choices; then files, each as an extension of up to 3 characters ended by
// '\0', a u32 little-endian length and the bytes (T.<ext> in a directory of its own).
// With KONWERSJA_FUZZ_SEEDS=DIR set, start-up writes seed inputs made by the Paradox writer into DIR.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "db/engine.h"
#include "db/error.h"
#include "db/paradox/driver.h"
#include "db/paradox/writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMaxRows = 300;

fs::path workDir;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void appendFile(std::string& out, const std::string& ext, const std::string& bytes) {
  out += ext;
  out.push_back('\0');
  const auto n = static_cast<std::uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(n >> (8 * i) & 0xFF));
  out += bytes;
}

// Seeds: keyed tables with single-field and composite secondary indexes, blobs, every common type.
void writeSeeds(const fs::path& out) {
  using db::paradox::FieldSpec;
  using db::paradox::TableSpec;
  fs::create_directories(out);
  struct Seed {
    std::string name;
    TableSpec definicja;
    int rows;
  };
  std::vector<Seed> seeds;
  {
    TableSpec s;
    s.fields = {{"ID", 'I', 0}, {"NAZWA", 'A', 16}, {"KWOTA", '$', 0}, {"DATA", 'D', 0}, {"OPIS", 'M', 10}};
    s.keyFields = 1;
    s.secondary = {{"", {"NAZWA"}, true}, {"POKWOCIE", {"KWOTA", "NAZWA"}, false}};
    seeds.push_back({"keyed", s, 40});
  }
  {
    TableSpec s;
    s.fields = {{"ROK", 'S', 0}, {"DZIAL", 'A', 5}, {"KWOTA", '#', 2}, {"FLAGA", 'L', 0}, {"CZAS", '@', 0}};
    s.keyFields = 2;
    s.level = 5;
    s.secondary = {{"", {"KWOTA"}, true}};
    seeds.push_back({"twokeys", s, 25});
  }
  {
    TableSpec s;
    s.fields = {{"NR", '+', 0}, {"TEKST", 'A', 30}, {"LICZBA", 'N', 0}};
    s.codePage = 852;
    seeds.push_back({"unkeyed", s, 12});
  }
  for (auto& seed : seeds) {
    const fs::path dir = out / ("tmp-" + seed.name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::vector<db::Row> rows;
    for (int i = 0; i < seed.rows; ++i) {
      db::Row row;
      for (const auto& f : seed.definicja.fields) {
        if (i % 7 == 3 && f.type != '+' && &f != &seed.definicja.fields.front()) {
          row.push_back(db::Null{});
          continue;
        }
        switch (f.type) {
          case 'A':
            row.push_back(std::string(1, static_cast<char>('a' + (i * 5) % 26)) + "ść" + std::to_string(i));
            break;
          case 'M':
            row.push_back(std::string(static_cast<std::size_t>(i % 3) * 20, 'm'));
            break;
          case 'I':
          case 'S':
          case '+':
            row.push_back(std::int64_t{i + 1});
            break;
          case '$':
          case 'N':
            row.push_back((i % 5) * 10.5);
            break;
          case '#':
            row.push_back(db::Decimal{i * 125, 2});
            break;
          case 'D':
            row.push_back(db::dateFromYmd(2000 + i % 20, 1 + i % 12, 1 + i % 28));
            break;
          case '@':
            row.push_back(db::DateTime{db::dateFromYmd(2020, 1, 1 + i % 28), db::Time{i * 1000000LL}});
            break;
          case 'L':
            row.push_back(i % 2 == 0);
            break;
          default:
            row.push_back(db::Null{});
        }
      }
      if (seed.definicja.keyFields == 2) row[0] = std::int64_t{2000 + i / 5};
      rows.push_back(std::move(row));
    }
    db::paradox::writeTable(dir / "T.DB", seed.definicja, rows);
    for (int choice = 0; choice < 2; ++choice) {
      std::string input(1, static_cast<char>(choice * 0x55));
      for (const auto& e : fs::directory_iterator(dir))
        appendFile(input, e.path().extension().string().substr(1), readFile(e.path()));
      std::ofstream(out / (seed.name + std::to_string(choice)), std::ios::binary) << input;
    }
    fs::remove_all(dir);
  }
}

// Lays the input's files out in the work directory; false when the input holds no .DB.
bool layOut(std::string_view in) {
  for (const auto& e : fs::directory_iterator(workDir)) fs::remove(e.path());
  bool haveDb = false;
  while (!in.empty()) {
    const std::size_t end = in.find('\0');
    if (end == std::string_view::npos || in.size() < end + 5) break;
    std::string ext;
    for (char c : in.substr(0, end))
      if (ext.size() < 3 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
        ext.push_back(c);
    in.remove_prefix(end + 1);
    std::size_t n = 0;
    for (int i = 0; i < 4; ++i) n |= static_cast<std::size_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    in.remove_prefix(4);
    n = std::min(n, in.size());
    if (ext.empty()) ext = "DB";
    haveDb = haveDb || ext == "DB" || ext == "db";
    std::ofstream(workDir / ("T." + ext), std::ios::binary).write(in.data(), static_cast<std::streamsize>(n));
    in.remove_prefix(n);
  }
  return haveDb;
}

// Reads up to kMaxRows rows of the current order; the values of the first row's `fields`.
std::vector<db::Value> walk(db::Table& t, const std::string& fields) {
  std::vector<db::Value> first;
  t.first();
  for (int n = 0; !t.eof() && n < kMaxRows; ++n, t.next()) {
    for (int i = 0; i < t.fieldCount(); ++i) t.field(i).asString();
    if (n == 0 && !fields.empty()) {
      std::size_t start = 0;
      while (start <= fields.size()) {
        std::size_t end = fields.find(';', start);
        if (end == std::string::npos) end = fields.size();
        first.push_back(t.fieldByName(fields.substr(start, end - start)).value());
        start = end + 1;
      }
    }
  }
  return first;
}

void locateOwnRow(db::Table& t, const std::string& fields, const std::vector<db::Value>& values, bool ci) {
  if (values.empty()) return;
  // A damaged float may read as NaN, which equals nothing, itself included.
  for (const auto& v : values)
    if (const auto* d = std::get_if<double>(&v); d && *d != *d) return;
  // A row's own values are found again, whatever the order.
  if (!t.locate(fields, values, ci)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* seeds = std::getenv("KONWERSJA_FUZZ_SEEDS")) {
    writeSeeds(seeds);
    std::exit(0);
  }
  workDir = fs::temp_directory_path() / ("konwersja-fuzz-cursor-" + std::to_string(getpid()));
  fs::create_directories(workDir);
  db::registerDriver("STANDARD", [] { return db::paradox::makeDriver(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t control = data[0];
  if (!layOut(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1))) return 0;
  db::Database database("FUZZ");
  database.setDriverName("STANDARD");
  database.addParam("PATH=" + workDir.string());
  db::Table t;
  t.setDatabase(&database);
  t.setTableName("T");
  t.setReadOnly(true);
  const bool ci = control & 1;
  try {
    database.connect();
    t.open();
    t.recordCount();
    walk(t, "");
  } catch (const db::EngineError&) {
    return 0;
  }
  const auto defs = t.indexDefs();
  for (std::size_t k = 0; k < defs.size() && k < 4; ++k) {
    try {
      if (defs[k].name.empty())
        t.setIndexFieldNames(defs[k].fields);
      else
        t.setIndexName(defs[k].name);
      const auto key = walk(t, defs[k].fields);
      locateOwnRow(t, defs[k].fields, key, ci);
    } catch (const db::EngineError&) {
    }
  }
  if (t.fieldCount() > 0) {
    try {
      const std::string name = t.field((control >> 1) % t.fieldCount()).name();
      t.setIndexFieldNames(name);
      const auto key = walk(t, name);
      locateOwnRow(t, name, key, ci);
    } catch (const db::EngineError&) {
    }
  }
  return 0;
}
