// Helpers of the writer tests: raw views of written files and reading tables back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/paradox/format.h"
#include "db/paradox/reader.h"
#include "db/paradox/writer.h"
#include "paradox_support.h"

namespace writer_test {

using namespace paradox_test;
using db::paradox::FieldSpec;
using db::paradox::TableSpec;

inline std::uint16_t u16(const std::string& b, std::size_t o) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[o]) | static_cast<unsigned char>(b[o + 1])
                                                                           << 8);
}
inline std::uint32_t u32(const std::string& b, std::size_t o) {
  return u16(b, o) | std::uint32_t{u16(b, o + 2)} << 16;
}
inline unsigned byteAt(const std::string& b, std::size_t o) {
  return static_cast<unsigned char>(b[o]);
}

// Records of a block-structured file (table, index data or B-tree) along its chain from the header's
// first block, decrypted with `key` when not 0.
inline std::vector<std::string> chainRecords(const std::string& file, std::uint32_t key = 0) {
  const std::uint16_t recSize = u16(file, 0), headerSize = u16(file, 2);
  const std::size_t blockSize = byteAt(file, 5) * 1024u;
  std::vector<std::string> out;
  std::uint16_t block = u16(file, 0x0E);
  std::uint16_t prev = 0;
  int guard = 0;
  while (block != 0 && guard++ < 70000) {
    std::string b = file.substr(headerSize + (block - 1) * blockSize, blockSize);
    if (key) db::paradox::decryptDbBlock(reinterpret_cast<unsigned char*>(b.data()), b.size(), key, block);
    EXPECT_EQ(u16(b, 2), prev) << "previous-block link of block " << block;
    const auto add = static_cast<std::int16_t>(u16(b, 4));
    const int n = add < 0 ? 0 : add / recSize + 1;
    for (int i = 0; i < n; ++i) out.push_back(b.substr(6 + i * recSize, recSize));
    prev = block;
    block = u16(b, 0);
  }
  return out;
}

inline std::vector<db::Row> readBack(const fs::path& dbFile, int codePage = 0) {
  auto r = db::paradox::TableReader::open(dbFile, codePage);
  std::vector<db::Row> rows(r->rowCount());
  for (std::size_t i = 0; i < rows.size(); ++i) r->readRow(i, rows[i]);
  const auto warnings = r->takeWarnings();
  EXPECT_TRUE(warnings.empty()) << db::paradox::warningLine(warnings.front());
  return rows;
}

inline db::paradox::Header headerOf(const fs::path& p) {
  return db::paradox::readHeader(*db::paradox::openFile(p), 0, p.filename().string());
}

template <class F>
std::uint16_t errorCode(F&& f) {
  try {
    f();
  } catch (const db::EngineError& e) {
    return e.code();
  }
  return 0;
}

// Names of the files in `dir`, sorted.
inline std::vector<std::string> listDir(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace writer_test
