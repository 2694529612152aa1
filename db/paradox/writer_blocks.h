// Data blocks and B-trees of the files being written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/paradox/writer_file.h"
#include "db/paradox/writer_layout.h"

namespace db::paradox::wr {

// How `records` records of `recordSize` bytes fill blocks of `blockSize`. EngineError kNotSupported when
// they need more blocks than a file can count (65535).
struct BlockPlan {
  std::uint32_t perBlock = 0;
  std::uint32_t blocks = 0;
};
BlockPlan planBlocks(std::uint64_t records, std::uint32_t recordSize, std::uint32_t blockSize,
                     const std::string& what);

// Fills the block-related fields of `tdef` for a file with `plan` and the given record count.
void setBlocks(HeaderSpec& tdef, const BlockPlan& plan, std::uint32_t records);

// Appends the header and then the records, `record(i)` giving record i, in a chain of full blocks
// numbered 1, 2, ... in file order. Each block goes through `cipher`.
void writeRecords(OutFile& out, const std::string& header, const Format& fmt, Cipher& cipher,
                  std::uint32_t recordSize, std::uint32_t count,
                  const std::function<const unsigned char*(std::uint32_t)>& record);

// The lowest level of a B-tree: one entry per block of the file it indexes.
struct TreeLeaves {
  std::uint32_t keyLength = 0;
  std::string firstKeys;              // keyLength bytes per block: the key of the block's first record
  std::vector<std::uint16_t> counts;  // records in each block
};

// Writes a whole B-tree file (.PX, Ynn, YGn): `tdef` holds its type, key descriptors and name; records,
// blocks, root and levels are filled in here. Entries are the key, then the block number, the count of
// records (leaf level) or entries (upper levels) below, and a zero, each an S value.
void writeTree(OutFile& out, const Format& fmt, Cipher& cipher, HeaderSpec tdef, const TreeLeaves& leaves);

}  // namespace db::paradox::wr
