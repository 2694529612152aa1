// Writing Paradox tables: whole tables with their companion files, replaced atomically.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "db/driver.h"

namespace db::paradox {

struct FieldSpec {
  std::string name;
  char type = 'A';  // the type's letter (kPdxTypes): A D S I $ N L M B F O G T @ + # Y
  int size = 0;     // A: length; #: decimals; M B F O G: bytes kept in the record (default 10); Y: bytes
};

struct SecondaryIndexSpec {
  std::string name;                 // "" for a single-field case-sensitive index (.Xnn/.Ynn)
  std::vector<std::string> fields;  // key order
  bool caseSensitive = true;
};

struct TableSpec {
  std::vector<FieldSpec> fields;
  int keyFields = 0;    // the first N fields form the primary key (0 = unkeyed)
  int codePage = 1250;  // text is encoded into this code page
  int level = 7;        // file format: 3, 4, 5 or 7
  int blockSizeKb = 2;
  std::string password;  // encrypt with this password when not empty
  // The header's raw encryption value, kept when an existing encrypted table is rewritten.
  std::optional<std::uint32_t> encryption;
  std::vector<SecondaryIndexSpec> secondary;
  std::int32_t nextAutoInc = 0;  // 0: one past the largest + value written
  // Language driver named in the header (levels 4 and later); "" picks the usual one for the code page.
  std::string sortOrder;
  std::optional<std::uint8_t> sortOrderCode;  // the header's sort-order byte; nullopt goes with sortOrder
  // Time stamp of level-4-and-later headers (seconds since 1970); nullopt writes the current time. With a
  // fixed stamp the same definition and rows give the same bytes.
  std::optional<std::uint32_t> timeStamp;
};

// Writes `dbFile` (T.DB) with T.PX when keyed, T.MB when a field needs it, and the secondary index files.
// Rows are Values per field (A/M/F text, N/$ double, S/I/+ integer, D Date, T Time, @ DateTime, L bool,
// # Decimal, B/G/O/Y Bytes, Null anywhere); keyed tables are stored in key order. Existing files are
// replaced only once the new ones are complete; throws EngineError on invalid input or I/O failure.
void writeTable(const std::filesystem::path& dbFile, const TableSpec& tdef, std::vector<Row> rows);

// The smallest block size (KiB) the table's level allows, not below tdef.blockSizeKb, in which `rows` rows
// fit one file (65,535 blocks at most); tdef.blockSizeKb when none does, and writeTable then says why.
int blockSizeKbFor(const TableSpec& tdef, std::uint64_t rows);

}  // namespace db::paradox
