#include "db/paradox/writer_blob.h"

#include <cstring>

#include "db/error.h"
#include "db/paradox/writer_layout.h"

namespace db::paradox::wr {

namespace {

constexpr std::size_t kUnit = 4096;
constexpr int kSlots = 64;
constexpr std::size_t kSlotTable = 12;
constexpr std::size_t kSharedData = 0x150;  // first data byte: after the 64 five-byte entries, 16-aligned
// Blobs up to this length share blocks; longer ones get blocks of their own.
constexpr std::size_t kSharedLimit = 2048;
// References are 32-bit .MB offsets.
constexpr std::uint64_t kMaxFile = 0xFFFFF000ull;

// The header block as Paradox writes it into a new .MB file.
constexpr unsigned char kHeaderStart[] = {0x00, 0x01, 0x00, 0x01, 0x00, 0x82, 0x73, 0x02, 0x00, 0x29, 0x00,
                                          0x00, 0x10, 0x00, 0x10, 0x00, 0x10, 0x40, 0x00, 0x00, 0x08};

}  // namespace

BlobWriter::BlobWriter(OutFile& out, Cipher& cipher) : out_(out), cipher_(cipher) {
  std::vector<unsigned char> header(kUnit, 0);
  std::memcpy(header.data(), kHeaderStart, sizeof kHeaderStart);
  header[0x29] = 0xA1;
  header[0x2A] = 0x02;
  writeUnits(0, header);
}

void BlobWriter::writeUnits(std::uint64_t offset, std::vector<unsigned char>& block) {
  cipher_.encryptMb(block.data(), block.size());
  if (offset == out_.size())
    out_.append(block.data(), block.size());
  else
    out_.writeAt(offset, block.data(), block.size());
}

std::uint32_t BlobWriter::store(const std::string& data) {
  const std::size_t units16 = (data.size() + 15) / 16;
  if (data.size() <= kSharedLimit) {
    if (!shared_.empty() && (nextSlot_ < 0 || nextData_ + units16 * 16 > kUnit)) closeShared();
    if (shared_.empty()) {
      if (out_.size() + kUnit > kMaxFile)
        throw EngineError(errc::kNotSupported, "plik .MB przekroczyłby granicę 4 GiB formatu");
      shared_.assign(kUnit, 0);
      shared_[0] = 3;
      putLe16(&shared_[1], 1);
      sharedOffset_ = out_.size();
      // Reserve the block's place now; its content is written once it is full.
      out_.appendZeros(kUnit);
      nextSlot_ = kSlots - 1;
      nextData_ = kSharedData;
    }
    const int slot = nextSlot_--;
    unsigned char* entry = &shared_[kSlotTable + 5 * slot];
    entry[0] = static_cast<unsigned char>(nextData_ / 16);
    entry[1] = static_cast<unsigned char>(units16);
    putLe16(entry + 2, kModNumber);
    entry[4] = static_cast<unsigned char>(data.size() - (units16 - 1) * 16);
    std::memcpy(&shared_[nextData_], data.data(), data.size());
    nextData_ += units16 * 16;
    return static_cast<std::uint32_t>(sharedOffset_) | static_cast<std::uint32_t>(slot);
  }

  const std::uint64_t units = (9 + data.size() + kUnit - 1) / kUnit;
  if (units > 0xFFFF)
    throw EngineError(errc::kNotSupported,
                      "wartość " + std::to_string(data.size()) + " bajtów przekracza granicę formatu");
  const std::uint64_t offset = out_.size();
  if (offset + units * kUnit > kMaxFile)
    throw EngineError(errc::kNotSupported, "plik .MB przekroczyłby granicę 4 GiB formatu");
  std::vector<unsigned char> block(units * kUnit, 0);
  block[0] = 2;
  putLe16(&block[1], static_cast<std::uint16_t>(units));
  putLe32(&block[3], static_cast<std::uint32_t>(data.size()));
  putLe16(&block[7], kModNumber);
  std::memcpy(&block[9], data.data(), data.size());
  writeUnits(offset, block);
  return static_cast<std::uint32_t>(offset) | 0xFF;
}

void BlobWriter::closeShared() {
  if (shared_.empty()) return;
  lastShared_ = sharedOffset_;
  lastSharedFree_ = (kUnit - nextData_) / 16;
  writeUnits(sharedOffset_, shared_);
  shared_.clear();
}

void BlobWriter::finish() {
  closeShared();
  if (lastShared_ == 0) return;
  // The header notes the block where small blobs may still go, and how many 16-byte units it has free.
  std::vector<unsigned char> header(kUnit, 0);
  std::memcpy(header.data(), kHeaderStart, sizeof kHeaderStart);
  header[0x29] = 0xA1;
  header[0x2A] = 0x02;
  putLe32(&header[0x38], static_cast<std::uint32_t>(lastShared_) | 2u);
  putLe16(&header[0x3C], static_cast<std::uint16_t>(lastSharedFree_));
  writeUnits(0, header);
}

}  // namespace db::paradox::wr
