// Secondary indexes of a table being written: the index data (Xnn/XGn) and its B-tree (Ynn/YGn).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/paradox/writer_file.h"
#include "db/paradox/writer_layout.h"
#include "db/paradox/writer_text.h"

namespace db::paradox::wr {

struct IndexPlan {
  std::string name;         // "" for Xnn
  std::string rawName;      // in the code page
  std::vector<int> fields;  // 0-based table field numbers, in key order
  bool caseSensitive = true;
  std::string dataFile;  // final file names
  std::string treeFile;
};

// The table's records as stored: `count` records of `recordSize` bytes, record p of the chain at
// `record(p)`, `perBlock` to a block.
struct StoredRows {
  const unsigned char* base = nullptr;
  const std::uint32_t* order = nullptr;  // chain position -> record in `base`
  std::uint32_t count = 0;
  std::uint32_t recordSize = 0;
  std::uint32_t perBlock = 0;
  const unsigned char* record(std::uint32_t p) const { return base + std::size_t{order[p]} * recordSize; }
};

// Writes the index data file and its B-tree for `index`, consistent with `rows`.
void writeSecondary(const IndexPlan& index, const std::vector<Field>& tableFields, const StoredRows& rows,
                    const Format& fmt, const TextEncoder& text, Cipher& cipher, OutFile& dataOut,
                    OutFile& treeOut);

}  // namespace db::paradox::wr
