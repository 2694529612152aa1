// Fuzz target: any statement text given to the Paradox driver's local SQL is either run against a
// small table or refused with an EngineError. The table (T.DB beside an empty directory of its own)
// is written once at start-up.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "db/engine.h"
#include "db/error.h"
#include "db/paradox/driver.h"
#include "db/paradox/sql.h"
#include "db/paradox/writer.h"

namespace fs = std::filesystem;

namespace {

db::Database* database = nullptr;

void makeTable(const fs::path& dir) {
  db::paradox::TableSpec definicja;
  definicja.fields = {{"ID", 'I', 0}, {"NAZWA", 'A', 20}, {"KWOTA", '$', 0}, {"OPIS", 'M', 10}};
  definicja.keyFields = 1;
  definicja.secondary = {{"", {"NAZWA"}, true}};
  std::vector<db::Row> rows;
  for (int i = 1; i <= 5; ++i)
    rows.push_back({std::int64_t{i}, std::string("Wiersz ") + char('A' + i), i * 1.25,
                    i % 2 ? db::Value{std::string("opis")} : db::Value{db::Null{}}});
  db::paradox::writeTable(dir / "T.DB", definicja, rows);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const fs::path dir = fs::temp_directory_path() / ("konwersja-fuzz-sql-" + std::to_string(getpid()));
  fs::create_directories(dir);
  makeTable(dir);
  db::registerDriver("STANDARD", [] { return db::paradox::makeDriver(); });
  database = new db::Database("FUZZ");
  database->setDriverName("STANDARD");
  database->addParam("PATH=" + dir.string());
  database->connect();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  try {
    const auto parsed = db::paradox::parseLocalSelect(sql);
    if (parsed.table.empty()) std::abort();
  } catch (const db::EngineError&) {
  }
  db::Query query;
  query.setDatabase(database);
  try {
    query.addSql(sql);
    query.open();
    for (int n = 0; !query.eof() && n < 10; ++n, query.next())
      for (int i = 0; i < query.fieldCount(); ++i) query.field(i).asString();
  } catch (const db::EngineError&) {
  }
  return 0;
}
