// Secondary indexes of a table: the .Xnn and .XGn files beside it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "db/paradox/format.h"

namespace db::paradox {

struct SecondaryIndex {
  std::string name;         // stored name (XGn), else the field's name (Xnn)
  std::vector<int> fields;  // 0-based table field indexes in key order
  std::vector<bool> descending;
  bool caseSensitive = true;
  bool unique = false;
  bool composite = false;  // an XGn file (named, composite or case-insensitive)
  std::string fileName;
};

// Reads the definition in one index data file against the table's header. EngineError kCorrupt when the
// file is not an index of that table.
SecondaryIndex readIndexFile(const ByteSource& src, const Header& table, int codePage,
                             const std::string& fileName);

// Every secondary index beside `dbFile` (Xnn by field number, then XGn by number).
std::vector<SecondaryIndex> readSecondaryIndexes(const std::filesystem::path& dbFile, const Header& table,
                                                 int codePage);

}  // namespace db::paradox
