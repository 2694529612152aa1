// Shared facts of the writer: the table's fixed layout, file headers and small byte encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/paradox/field_type.h"

namespace db::paradox::wr {

struct Field {
  std::string name;     // UTF-8, as given
  std::string rawName;  // in the table's code page
  PdxType type = PdxType::Alpha;
  int size = 0;    // the descriptor's size byte (decimals for #)
  int width = 0;   // bytes in the record
  int offset = 0;  // offset in the record
};

// What every file of one table shares.
struct Format {
  int level = 7;
  std::uint8_t version = 12;  // header version byte
  std::uint8_t blockKb = 2;
  std::uint32_t blockSize = 2048;
  int codePage = 1250;         // text encoding
  bool headerCodePage = true;  // whether headers declare it (not at level 3)
  std::string sortName;        // language driver (level 4 and later)
  std::uint8_t sortCode = 0;
  std::uint32_t key = 0;    // encryption key, 0 = plain
  std::uint32_t stamp = 0;  // time stamp written to extended headers
};

// One file's header, beyond what Format fixes.
struct HeaderSpec {
  std::uint8_t fileType = 2;
  std::uint16_t recordSize = 0;
  std::uint32_t records = 0;
  std::uint16_t blocks = 0;
  std::uint16_t firstBlock = 0;
  std::uint16_t lastBlock = 0;
  std::vector<Field> fields;                // descriptors; names are written only for .DB and X files
  int keyFields = 0;                        // word 0x23
  std::vector<std::uint16_t> fieldNumbers;  // .DB and X files, level 4 and later
  std::string rawIndexName;                 // XGn files
  std::uint8_t indexFlags = 0;              // byte 0x55 of X files
  std::uint8_t firstIndexedField = 0;       // byte 0x15 of X files
  std::uint16_t root = 0;                   // B-tree files: root block
  std::uint8_t levels = 0;                  // B-tree files: levels
  std::string rawFileName;                  // the file's own name, in the code page
  std::uint32_t autoInc = 0;
};

// The header bytes (a multiple of 2 KiB). EngineError kNotSupported when the header would not fit.
std::string buildHeader(const Format& fmt, const HeaderSpec& tdef);

// Usual language driver and sort-order byte for a code page.
void defaultSortOrder(int codePage, std::string& name, std::uint8_t& code);

// Field encoders: big-endian with the sign bit flipped, so that byte order is sort order.
inline void putLe16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void putLe32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void putShort(unsigned char* p, std::int32_t v) {
  const auto u = static_cast<std::uint16_t>(v) ^ 0x8000u;
  p[0] = static_cast<unsigned char>(u >> 8);
  p[1] = static_cast<unsigned char>(u);
}
inline void putLong(unsigned char* p, std::int64_t v) {
  const auto u = static_cast<std::uint32_t>(v) ^ 0x80000000u;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (24 - 8 * i));
}
// An N, $ or @ value (never null: 0.0 is 80 00 ...).
void putDouble(unsigned char* p, double v);

}  // namespace db::paradox::wr
