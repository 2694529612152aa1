// Reading the rows of a Paradox .DB file in block-chain order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/paradox/blob.h"
#include "db/paradox/codepage.h"
#include "db/paradox/format.h"

namespace db::paradox {

class TableReader {
 public:
  using BlobOpener = std::function<std::unique_ptr<ByteSource>()>;

  // Reads the header and walks the block chain. `openBlobs` opens the .MB file when a value needs it
  // (it may throw kNotFound). `codePage` overrides the header's (0 = the header's, else 1250).
  // EngineError kCorrupt on a damaged header or chain (pointer out of range, loop, cut record).
  TableReader(std::unique_ptr<ByteSource> db, BlobOpener openBlobs, int codePage, std::string name);

  // Opens `dbFile` with the .MB found beside it (name matched ignoring case).
  static std::unique_ptr<TableReader> open(const std::filesystem::path& dbFile, int codePage);

  const Header& header() const { return header_; }
  const std::string& name() const { return name_; }
  int codePage() const { return codePage_; }
  // Rows found along the block chain.
  std::size_t rowCount() const { return rowCount_; }
  // Field definitions as the engine reports them.
  const std::vector<FieldDef>& fieldDefs() const { return defs_; }

  // Decodes row `index` (0-based, chain order) into `out`. A: text, M/F: text, N/$: double, S/I/+: int64,
  // D/T/@: Date/Time/DateTime, L: bool, #: Decimal, B/O/G/Y: Bytes, null where nothing is stored.
  void readRow(std::size_t index, Row& out);
  // Formatted memos come as Bytes exactly as stored instead of text (for inspection).
  void setFormattedMemoAsBytes(bool raw) { rawFormatted_ = raw; }
  // Problems noticed so far that did not stop reading (blob mismatches, cut BCD digits, counts).
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  struct Block {
    std::uint16_t number;
    std::uint16_t count;
    std::size_t firstRow;
  };
  void walkChain();
  const unsigned char* record(std::size_t index);
  void loadBlock(std::size_t blockIndex);
  void decodeField(const FieldInfo& f, const unsigned char* p, Value& out);
  void decodeBlob(const FieldInfo& f, const unsigned char* p, Value& out);
  void decodeBcd(const FieldInfo& f, const unsigned char* p, Value& out);
  [[noreturn]] void corrupt(const std::string& why) const;

  std::unique_ptr<ByteSource> src_;
  BlobOpener openBlobs_;
  std::unique_ptr<BlobFile> blobs_;
  std::string name_;
  Header header_;
  int codePage_ = 0;
  const CodePage* cp_ = nullptr;
  std::vector<FieldDef> defs_;
  std::vector<Block> blocks_;
  std::size_t rowCount_ = 0;
  std::vector<unsigned char> buf_;
  std::size_t cached_ = SIZE_MAX;
  std::string scratch_;
  bool rawFormatted_ = false;
  std::vector<std::string> warnings_;
  bool bcdWarned_ = false;
};

// The engine's field definition for a Paradox field (type mapping and sizes).
FieldDef engineFieldDef(const FieldInfo& field, int number);

// The file beside `dir` whose name equals `fileName` ignoring case; empty when there is none.
std::filesystem::path findIgnoringCase(const std::filesystem::path& dir, const std::string& fileName);

}  // namespace db::paradox
