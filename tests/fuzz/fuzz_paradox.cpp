// Fuzz target: any bytes given to the Paradox readers end in values or an EngineError.
// Input: byte 0 picks what the rest is.
//   0: a .DB file alone (a blob kept in the .MB then fails as a missing file);
//   1: a u32 little-endian length L, a .DB file of L bytes, then its .MB file;
//   2: a secondary-index data file (Xnn/XGn) of a 16-field table keyed on two fields.
#include <cstddef>
#include <cstdint>
#include <string>

#include "db/error.h"
#include "db/paradox/index.h"
#include "db/paradox/reader.h"

namespace {

void readTable(std::string db, std::string mb, bool haveMb) {
  db::paradox::TableReader::BlobOpener opener = [&]() -> std::unique_ptr<db::paradox::ByteSource> {
    if (!haveMb) throw db::EngineError(db::errc::kNotFound, "no .MB");
    return db::paradox::memorySource(mb);
  };
  db::paradox::TableReader reader(db::paradox::memorySource(std::move(db)), opener, 0, "fuzz.db");
  reader.setFormattedMemoAsBytes(mb.size() % 2 == 0);
  db::Row row;
  for (std::size_t i = 0; i < reader.rowCount(); ++i) {
    try {
      reader.readRow(i, row);
    } catch (const db::EngineError&) {
      // A damaged blob spoils one value; the following rows are still read.
    }
  }
}

void readIndex(std::string data) {
  db::paradox::Header table;
  table.keyFields = 2;
  for (int i = 0; i < 16; ++i)
    table.fields.push_back({"F" + std::to_string(i + 1), db::paradox::PdxType::Long, 4, 4, 4 * i});
  auto src = db::paradox::memorySource(std::move(data));
  db::paradox::readIndexFile(*src, table, 0, "fuzz.X01");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const char* p = reinterpret_cast<const char*>(data) + 1;
  std::size_t n = size - 1;
  try {
    switch (data[0] % 3) {
      case 0:
        readTable(std::string(p, n), {}, false);
        break;
      case 1: {
        if (n < 4) return 0;
        std::size_t len = data[1] | data[2] << 8 | data[3] << 16 | static_cast<std::size_t>(data[4]) << 24;
        if (len > n - 4) len = n - 4;
        readTable(std::string(p + 4, len), std::string(p + 4 + len, n - 4 - len), true);
        break;
      }
      default:
        readIndex(std::string(p, n));
        break;
    }
  } catch (const db::EngineError&) {
  }
  return 0;
}
