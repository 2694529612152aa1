// The .MB file of a table being written: blobs too long for their record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/paradox/writer_file.h"

namespace db::paradox::wr {

class BlobWriter {
 public:
  // Modification number written with every blob (in the .MB and in the record).
  static constexpr std::uint16_t kModNumber = 1;

  // Writes the header block to `out`; every block goes through `cipher`.
  BlobWriter(OutFile& out, Cipher& cipher);
  // Stores `data` (not empty) and returns the reference a record keeps for it. Small blobs share
  // sub-allocated blocks; others get blocks of their own. EngineError kNotSupported past the format's limits.
  std::uint32_t store(const std::string& data);
  // Writes the last sub-allocated block and the header's note of its free space.
  void finish();

 private:
  void closeShared();
  void writeUnits(std::uint64_t offset, std::vector<unsigned char>& block);

  OutFile& out_;
  Cipher& cipher_;
  std::vector<unsigned char> shared_;  // the open sub-allocated block, empty when none
  std::uint64_t sharedOffset_ = 0;
  int nextSlot_ = 0;              // entry to use next (they are taken from the top down)
  std::size_t nextData_ = 0;      // offset of free data space in the block
  std::uint64_t lastShared_ = 0;  // offset of the most recent sub-allocated block, 0 when none
  std::size_t lastSharedFree_ = 0;
};

}  // namespace db::paradox::wr
