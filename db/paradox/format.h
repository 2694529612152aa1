// The Paradox file format: headers, field encodings and the block cipher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/paradox/field_type.h"

namespace db::paradox {

// Random access to the bytes of one file: a real file or, for the fuzzer, a buffer.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Reads up to `n` bytes at `offset`; returns how many were there (fewer only at the end).
  virtual std::size_t readAt(std::uint64_t offset, void* buf, std::size_t n) const = 0;
};

// Opens `path` read-only (no lock, nothing created); EngineError kNotFound / kIo.
std::unique_ptr<ByteSource> openFile(const std::filesystem::path& path);
// Wraps a copy of `data`.
std::unique_ptr<ByteSource> memorySource(std::string data);

struct FieldInfo {
  std::string name;  // UTF-8
  PdxType type = PdxType::Alpha;
  int size = 0;    // the header's size byte (decimals for #)
  int width = 0;   // bytes in the record
  int offset = 0;  // offset in the record
};

struct Header {
  std::uint16_t recordSize = 0;
  std::uint16_t headerSize = 0;
  std::uint8_t fileType = 0;
  std::uint32_t blockSize = 0;  // bytes
  std::uint32_t records = 0;
  std::uint16_t blocksInUse = 0;
  std::uint16_t blocksInFile = 0;
  std::uint16_t firstBlock = 0;
  std::uint16_t lastBlock = 0;
  int keyFields = 0;
  std::uint32_t rawEncryption = 0;  // the word at 0x25
  std::uint32_t encryption = 0;     // the key in effect (0x25, or 0x5C when 0x25 says so); 0 = none
  std::uint8_t sortOrder = 0;
  std::uint8_t version = 0;
  std::uint32_t autoInc = 0;
  std::uint8_t flags55 = 0;
  int codePage = 0;  // 0 = none declared
  std::string sortOrderName;
  std::string indexName;  // XGn files
  std::vector<std::uint16_t> fieldNumbers;
  std::vector<FieldInfo> fields;

  // "3.0", "3.5", "4.x", "5.x" or "7.x".
  const char* versionText() const;
  // File format level for writing: 3, 4, 5 or 7.
  int level() const;
};

// Parses a .DB, Xnn or XGn header from the start of `src`. Text (field and index names) is decoded
// with `codePage`, or when it is 0 with the table's own (see chooseCodePage). EngineError kCorrupt
// names `what` when the header is inconsistent.
Header readHeader(const ByteSource& src, int codePage, const std::string& what);

// The code page text of a table with this header is decoded with, given an override (0 = none):
// chooseCodePage(header, overrideCodePage).codePage.
int effectiveCodePage(const Header& header, int overrideCodePage);

// Undoes the cipher on `n` bytes (a multiple of 256) of data block `blockNo` of a .DB file.
void decryptDbBlock(unsigned char* data, std::size_t n, std::uint32_t key, std::uint32_t blockNo);
// Undoes the cipher on `n` bytes (a multiple of 256, starting at a multiple of 256) of a .MB file.
void decryptMbChunk(unsigned char* data, std::size_t n, std::uint32_t key);

// Paradox day numbers count from 0001-01-01 = 1; the engine's Date from 1899-12-30 = 0.
constexpr std::int32_t kParadoxDayOffset = 693594;

// Field decoding helpers on big-endian, sign-flipped record bytes.
inline std::uint16_t be16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t be32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
inline std::uint64_t be64(const unsigned char* p) {
  return std::uint64_t{be32(p)} << 32 | be32(p + 4);
}
inline std::uint16_t le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t le32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
// The double of an N, $ or @ field whose bytes are not all zero.
double decodeDouble(const unsigned char* p);

}  // namespace db::paradox
