// Reading the rows of a Paradox .DB file in block-chain order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/paradox/blob.h"
#include "db/paradox/codepage.h"
#include "db/paradox/format.h"
#include "db/paradox/langdriver.h"

namespace db::paradox {

class TableReader {
 public:
  using BlobOpener = std::function<std::unique_ptr<ByteSource>()>;

  // Reads the header and walks the block chain. `openBlobs` opens the .MB file when a value needs it
  // (it may throw kNotFound). `codePage` overrides the table's (0 = the header's, else its language
  // driver's, else 1250).
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
  // A blob whose reference leads nowhere in the .MB reads as null with a warning instead of an error
  // (a missing .MB file stays an error).
  void setDamagedBlobsAsNull(bool lenient) { lenientBlobs_ = lenient; }
  // How the code page was chosen.
  const CodePageChoice& codePageChoice() const { return choice_; }

  // Problems noticed since the last call that did not stop reading (the chain, the record count, blob
  // references, BCD digits, dates, times and timestamps; Alpha text with bytes after its ending NUL, an
  // informational note), then forgotten. A row read again adds nothing;
  // past kDetailedWarnings of one kind in one field the rest are counted into one summary warning.
  std::vector<ReadWarning> takeWarnings();
  // Whether some value read so far was replaced (by null or zeros) because it could not be read as stored.
  bool replacedValues() const { return replaced_; }

  static constexpr std::size_t kDetailedWarnings = 20;

 private:
  enum class Problem {
    Chain,
    Count,
    Bcd,
    Date,
    Time,
    Timestamp,
    BlobRef,
    BlobMismatch,
    ChainLength,
    TimestampDate,
    TextAfterNul
  };
  struct Tally {
    std::vector<std::size_t> records;  // rows warned about in detail (1-based)
    std::size_t more = 0;              // rows past those, counted only
    std::size_t lastCounted = 0;
    std::string text;  // the first detailed text, for the summary
  };
  // Notes a problem of field `field` (-1 = none) in the row being read (0 = none); `replaced` when the
  // value given out is not the stored one.
  void warn(Problem problem, int field, std::string text, bool replaced = false);
  // The warning about a value of the field being decoded: a day (Date, TimestampDate), milliseconds
  // (Time, Timestamp) or the decimal read (Bcd). Kept out of line, off the decoding path.
  [[gnu::cold, gnu::noinline]] void noteValue(Problem problem, double raw, const Decimal* read = nullptr);
  // The note about an Alpha field of `width` bytes at `p` whose text ends at a NUL at `end`, with other
  // bytes after it: read as the text before the NUL, as the old engine read it (informational).
  [[gnu::cold, gnu::noinline]] void noteTextAfterNul(const unsigned char* p, int end, int width);
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
  bool lenientBlobs_ = false;
  CodePageChoice choice_;
  std::size_t currentRecord_ = 0;  // 1-based number of the row being decoded, 0 outside readRow
  int currentField_ = -1;
  std::vector<ReadWarning> warnings_;
  std::map<std::pair<Problem, int>, Tally> tallies_;
  bool replaced_ = false;
};

// A warning as one line: "rekord 12, pole Kwota: ...".
std::string warningLine(const ReadWarning& warning);

// The engine's field definition for a Paradox field (type mapping and sizes).
FieldDef engineFieldDef(const FieldInfo& field, int number);

// The file beside `dir` whose name equals `fileName` ignoring case; empty when there is none.
std::filesystem::path findIgnoringCase(const std::filesystem::path& dir, const std::string& fileName);

}  // namespace db::paradox
