// The .MB file beside a table: memos, formatted memos, binary, OLE and graphic values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/paradox/format.h"

namespace db::paradox {

class BlobFile {
 public:
  // `key` is the table's encryption key (0 = plain). `name` names the file in errors.
  BlobFile(std::unique_ptr<ByteSource> src, std::uint32_t key, std::string name);

  // Reads the blob that a record refers to by `ref` with `length` and modification number `mod` into
  // `out` (replaced). EngineError kCorrupt when the reference does not lead to a blob; mismatches of
  // length or modification number are noted in `warnings` (Polish, without the file's name).
  void read(std::uint32_t ref, std::uint32_t length, std::uint16_t mod, std::string& out,
            std::vector<std::string>& warnings);

 private:
  // Loads the 4 KiB unit at `offset` into unit_ (decrypted, zero-padded at the end of the file).
  void loadUnit(std::uint64_t offset);
  [[noreturn]] void corrupt(std::uint32_t ref, const std::string& why) const;

  std::unique_ptr<ByteSource> src_;
  std::uint32_t key_;
  std::string name_;
  std::vector<unsigned char> unit_;
  std::uint64_t unitOffset_ = UINT64_MAX;
};

}  // namespace db::paradox
