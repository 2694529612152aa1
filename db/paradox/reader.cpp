#include "db/paradox/reader.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "db/error.h"
#include "platform/text.h"

namespace db::paradox {

namespace {

using konw::lowerAscii;

bool allZero(const unsigned char* p, int n) {
  if (n == 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word == 0;
  }
  for (int i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

// The string held by `v`, made a string first if it is not one; keeps its capacity between rows.
std::string& textSlot(Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return v.emplace<std::string>();
}
std::string& bytesSlot(Value& v) {
  if (auto* b = std::get_if<Bytes>(&v)) return b->data;
  return v.emplace<Bytes>().data;
}

constexpr std::int64_t kMsPerDay = 86400000;
// Paradox day numbers of 0001-01-01 and 9999-12-31: the dates a Firebird DATE can hold.
constexpr std::int64_t kFirstDay = 1;
constexpr std::int64_t kLastDay = 3652059;

std::string dayText(std::int64_t paradoxDay) {
  if (paradoxDay < INT32_MIN + kParadoxDayOffset || paradoxDay > INT32_MAX)
    return "dzień " + std::to_string(paradoxDay);
  const Ymd ymd = ymdFromDate(Date{static_cast<std::int32_t>(paradoxDay - kParadoxDayOffset)});
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%04d-%02u-%02u", ymd.year < 0 ? "-" : "",
                ymd.year < 0 ? -ymd.year : ymd.year, ymd.month, ymd.day);
  return buf;
}

std::string numberText(double v) {
  return fmt::format("{:.17g}", v);
}

const char* problemLabel(int problem) {
  switch (problem) {
    case 0:
      return "nieciągły łańcuch bloków";
    case 1:
      return "liczba rekordów niezgodna z nagłówkiem";
    case 2:
      return "niepoprawne cyfry BCD";
    case 3:
      return "data spoza zakresu";
    case 4:
      return "czas spoza doby";
    case 5:
      return "znacznik czasu spoza zakresu";
    case 6:
      return "uszkodzone odwołanie do pliku .MB";
    case 7:
      return "wartość z pliku .MB niezgodna z rekordem";
    case 8:
      return "długość łańcucha bloków niezgodna z nagłówkiem";
    case 9:
      return "data znacznika czasu spoza zakresu";
    default:
      return "bajty po znaku NUL w polu tekstowym";
  }
}

}  // namespace

std::filesystem::path findIgnoringCase(const std::filesystem::path& dir, const std::string& fileName) {
  std::error_code ec;
  auto exact = dir / fileName;
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
  const std::string wanted = lowerAscii(fileName);
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (lowerAscii(it->path().filename().string()) == wanted && it->is_regular_file(ec)) return it->path();
  }
  return {};
}

FieldDef engineFieldDef(const FieldInfo& f, int number) {
  FieldDef d;
  d.name = f.name;
  d.number = number;
  d.type = typeInfo(f.type).engine;
  switch (f.type) {
    case PdxType::Alpha:
    case PdxType::Bytes:
      d.size = f.size;
      break;
    case PdxType::Memo:
    case PdxType::FmtMemo:
    case PdxType::Binary:
    case PdxType::Graphic:
    case PdxType::Ole:
      d.size = f.size - 10;  // the leader the record keeps
      break;
    case PdxType::Bcd:
      d.size = f.size;
      d.scale = f.size;
      break;
    case PdxType::Number:
    case PdxType::Money:
    case PdxType::Short:
    case PdxType::Long:
    case PdxType::AutoInc:
    case PdxType::Date:
    case PdxType::Time:
    case PdxType::Timestamp:
    case PdxType::Logical:
      break;
  }
  return d;
}

std::unique_ptr<TableReader> TableReader::open(const std::filesystem::path& dbFile, int codePage) {
  auto src = openFile(dbFile);
  auto dir = dbFile.parent_path();
  if (dir.empty()) dir = ".";
  const std::string mbName = dbFile.stem().string() + ".mb";
  BlobOpener opener = [dir, mbName, dbFile]() -> std::unique_ptr<ByteSource> {
    auto mb = findIgnoringCase(dir, mbName);
    if (mb.empty())
      throw EngineError(errc::kNotFound, "Brak pliku " + mbName + " z wartościami pól tabeli " +
                                             dbFile.filename().string() + " (notatki, dane binarne)");
    return openFile(mb);
  };
  return std::make_unique<TableReader>(std::move(src), std::move(opener), codePage,
                                       dbFile.filename().string());
}

TableReader::TableReader(std::unique_ptr<ByteSource> db, BlobOpener openBlobs, int codePage, std::string name)
    : src_(std::move(db)), openBlobs_(std::move(openBlobs)), name_(std::move(name)) {
  header_ = readHeader(*src_, codePage, name_);
  if (header_.fileType != 0 && header_.fileType != 2) corrupt("to nie jest plik tabeli (.DB)");
  choice_ = chooseCodePage(header_, codePage);
  codePage_ = choice_.codePage;
  cp_ = &CodePage::get(codePage_);
  for (std::size_t i = 0; i < header_.fields.size(); ++i)
    defs_.push_back(engineFieldDef(header_.fields[i], static_cast<int>(i) + 1));
  buf_.resize(header_.blockSize);
  walkChain();
}

void TableReader::corrupt(const std::string& why) const {
  throw EngineError(errc::kCorrupt, "Uszkodzona tabela " + name_ + " (" + why + ")");
}

void TableReader::warn(Problem problem, int field, std::string text, bool replaced) {
  if (replaced) replaced_ = true;
  std::string fieldName = field >= 0 ? header_.fields[static_cast<std::size_t>(field)].name : std::string();
  Tally& t = tallies_[{problem, field}];
  // Table-wide problems (record 0) come once each, from the walk along the chain.
  if (currentRecord_ != 0 && std::find(t.records.begin(), t.records.end(), currentRecord_) != t.records.end())
    return;
  if (t.records.size() < kDetailedWarnings) {
    t.records.push_back(currentRecord_);
    t.lastCounted = std::max(t.lastCounted, currentRecord_);
    warnings_.push_back({static_cast<long>(currentRecord_), std::move(fieldName), std::move(text), name_,
                         problem == Problem::TextAfterNul});
    warnings_.back().damage = replaced;
    return;
  }
  // Rows are read again (orders, ranges, the first row after each open): count each one once.
  if (currentRecord_ != 0 && currentRecord_ <= t.lastCounted) return;
  t.lastCounted = currentRecord_;
  ++t.more;
}

void TableReader::noteValue(Problem problem, double raw, const Decimal* read) {
  // Days and milliseconds of dates and times are whole numbers; a timestamp's may be anything.
  const auto whole = [raw] { return static_cast<std::int64_t>(raw); };
  switch (problem) {
    case Problem::Date:
      // Kept as stored (the day may be read back), but no Firebird DATE can take it.
      warn(problem, currentField_, "data " + dayText(whole()) + " spoza zakresu 0001-01-01 – 9999-12-31");
      return;
    case Problem::Time:
      warn(problem, currentField_, "czas " + std::to_string(whole()) + " ms spoza doby; odczytano jako pusty",
           true);
      return;
    case Problem::Timestamp:
      warn(problem, currentField_,
           "znacznik czasu " + numberText(raw) + " ms spoza zakresu; odczytano jako pusty", true);
      return;
    case Problem::TimestampDate:
      warn(problem, currentField_,
           "data znacznika czasu " + dayText(whole()) + " spoza zakresu 0001-01-01 – 9999-12-31");
      return;
    default:
      warn(problem, currentField_,
           "cyfry BCD większe niż 9; odczytano " + (read ? read->toString() : std::string()) +
               " (od pierwszej niepoprawnej cyfry same zera)",
           true);
      return;
  }
}

void TableReader::noteTextAfterNul(const unsigned char* p, int end, int width) {
  int from = end, last = width;
  while (last > end && p[last - 1] == 0) --last;
  while (from < last && p[from] == 0) ++from;
  std::string left;
  cp_->toUtf8(left, p + from, static_cast<std::size_t>(last - from));
  std::string shown;
  for (char c : left) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  warn(Problem::TextAfterNul, currentField_,
       "tekst kończy się znakiem NUL na pozycji " + std::to_string(end + 1) + ", po nim pole zawiera \"" +
           shown + "\"; odczytano tekst do znaku NUL" + (end == 0 ? " (pusty)" : ""));
}

std::vector<ReadWarning> TableReader::takeWarnings() {
  std::vector<ReadWarning> out = std::move(warnings_);
  warnings_.clear();
  for (auto& [key, t] : tallies_) {
    if (t.more == 0) continue;
    const std::string field =
        key.second >= 0 ? header_.fields[static_cast<std::size_t>(key.second)].name : std::string();
    out.push_back(
        {0, field,
         std::string(problemLabel(static_cast<int>(key.first))) + " także w " + std::to_string(t.more) +
             (key.first == Problem::Chain ? (t.more == 1 ? " dalszym bloku" : " dalszych blokach")
                                          : (t.more == 1 ? " dalszym rekordzie" : " dalszych rekordach")) +
             " (wymieniono pierwsze " + std::to_string(kDetailedWarnings) + ")",
         name_, key.first == Problem::TextAfterNul});
    t.more = 0;
  }
  return out;
}

std::string warningLine(const ReadWarning& w) {
  std::string s;
  if (w.record > 0) s = "rekord " + std::to_string(w.record);
  if (!w.field.empty()) s += (s.empty() ? "pole " : ", pole ") + w.field;
  return s.empty() ? w.text : s + ": " + w.text;
}

void TableReader::walkChain() {
  const std::uint64_t size = src_->size();
  const std::uint64_t bs = header_.blockSize;
  const std::uint64_t maxBlocks = size > header_.headerSize ? (size - header_.headerSize + bs - 1) / bs : 0;
  std::vector<bool> seen(maxBlocks + 1, false);
  std::uint32_t prev = 0;
  std::uint32_t chainLength = 0;
  for (std::uint32_t k = header_.firstBlock; k != 0;) {
    if (k > maxBlocks) corrupt("wskaźnik bloku " + std::to_string(k) + " poza końcem pliku");
    if (seen[k]) corrupt("pętla w łańcuchu bloków na bloku " + std::to_string(k));
    seen[k] = true;
    const std::uint64_t offset = header_.headerSize + (k - 1) * bs;
    unsigned char head[6];
    if (header_.encryption != 0) {
      loadBlock(SIZE_MAX);  // invalidate the cache; the block is read whole to decrypt its header
      std::size_t got = src_->readAt(offset, buf_.data(), buf_.size());
      if (got < 6) corrupt("blok " + std::to_string(k) + " urwany");
      std::fill(buf_.begin() + static_cast<std::ptrdiff_t>(got), buf_.end(), 0);
      decryptDbBlock(buf_.data(), buf_.size(), header_.encryption, k);
      std::copy_n(buf_.data(), 6, head);
    } else if (src_->readAt(offset, head, 6) != 6) {
      corrupt("blok " + std::to_string(k) + " urwany");
    }
    const std::uint16_t next = le16(head);
    const std::uint16_t back = le16(head + 2);
    const auto addSize = static_cast<std::int16_t>(le16(head + 4));
    if (back != prev)
      warn(Problem::Chain, -1,
           "blok " + std::to_string(k) + " wskazuje jako poprzedni blok " + std::to_string(back) +
               ", a łańcuch doszedł do niego z bloku " + std::to_string(prev));
    std::uint64_t count = 0;
    if (addSize >= 0) {
      if (addSize % header_.recordSize != 0) corrupt("liczba rekordów bloku " + std::to_string(k));
      count = static_cast<std::uint64_t>(addSize) / header_.recordSize + 1;
      if (6 + count * header_.recordSize > bs)
        corrupt("blok " + std::to_string(k) + " zawiera więcej, niż się w nim mieści");
      if (offset + 6 + count * header_.recordSize > size)
        corrupt("rekord w bloku " + std::to_string(k) + " urwany przez koniec pliku");
    }
    if (count > 0) {
      blocks_.push_back({static_cast<std::uint16_t>(k), static_cast<std::uint16_t>(count), rowCount_});
      rowCount_ += count;
    }
    prev = k;
    ++chainLength;
    k = next;
  }
  cached_ = SIZE_MAX;
  if (chainLength != header_.blocksInUse || prev != header_.lastBlock)
    warn(Problem::ChainLength, -1,
         "łańcuch bloków przechodzi przez " + std::to_string(chainLength) + " bloków i kończy się na bloku " +
             std::to_string(prev) + ", a nagłówek podaje " + std::to_string(header_.blocksInUse) +
             " bloków w użyciu i ostatni blok " + std::to_string(header_.lastBlock));
  if (rowCount_ != header_.records) {
    warn(Problem::Count, -1,
         "nagłówek podaje liczbę rekordów " + std::to_string(header_.records) + ", a bloki zawierają " +
             std::to_string(rowCount_) + "; odczytano " + std::to_string(rowCount_));
    // Fewer rows than counted: the chain lost some of them.
    if (rowCount_ < header_.records && !warnings_.empty()) {
      warnings_.back().damage = true;
      warnings_.back().expectedRows = static_cast<long>(header_.records);
    }
  }
}

void TableReader::loadBlock(std::size_t blockIndex) {
  cached_ = SIZE_MAX;
  if (blockIndex == SIZE_MAX) return;
  const auto k = blocks_[blockIndex].number;
  const std::uint64_t offset = header_.headerSize + std::uint64_t{k - 1u} * header_.blockSize;
  std::size_t got = src_->readAt(offset, buf_.data(), buf_.size());
  const std::size_t need = 6 + std::size_t{blocks_[blockIndex].count} * header_.recordSize;
  // A block cut short (the file shrank, or was cut) is no data, encrypted or not: zeros decrypted would
  // give made-up rows.
  if (got < need) corrupt("blok " + std::to_string(k) + " urwany");
  if (header_.encryption != 0) {
    std::fill(buf_.begin() + static_cast<std::ptrdiff_t>(got), buf_.end(), 0);
    decryptDbBlock(buf_.data(), buf_.size(), header_.encryption, k);
  }
  cached_ = blockIndex;
}

const unsigned char* TableReader::record(std::size_t index) {
  std::size_t b = cached_;
  auto inBlock = [&](std::size_t i) {
    return i < blocks_.size() && index >= blocks_[i].firstRow &&
           index < blocks_[i].firstRow + blocks_[i].count;
  };
  if (!inBlock(b)) {
    if (b != SIZE_MAX && inBlock(b + 1)) {
      b = b + 1;
    } else {
      auto it = std::upper_bound(blocks_.begin(), blocks_.end(), index,
                                 [](std::size_t i, const Block& blk) { return i < blk.firstRow; });
      b = static_cast<std::size_t>(it - blocks_.begin()) - 1;
    }
    loadBlock(b);
  }
  return buf_.data() + 6 + (index - blocks_[b].firstRow) * header_.recordSize;
}

void TableReader::readRow(std::size_t index, Row& out) {
  if (index >= rowCount_)
    throw EngineError(errc::kNotFound, "Tabela " + name_ + " nie ma rekordu " + std::to_string(index + 1));
  const unsigned char* rec = record(index);
  out.resize(header_.fields.size());
  struct Current {
    std::size_t& record;
    int& field;
    ~Current() {
      record = 0;
      field = -1;
    }
  } current{currentRecord_, currentField_};
  currentRecord_ = index + 1;
  for (std::size_t i = 0; i < header_.fields.size(); ++i) {
    const FieldInfo& f = header_.fields[i];
    currentField_ = static_cast<int>(i);
    decodeField(f, rec + f.offset, out[i]);
  }
}

void TableReader::decodeField(const FieldInfo& f, const unsigned char* p, Value& out) {
  switch (f.type) {
    case PdxType::Alpha: {
      // The text ends at its first NUL, as the old engine read it (a C string). What a field holds after
      // that NUL is left over from an earlier value; it is noted, not read.
      const auto* nul =
          static_cast<const unsigned char*>(std::memchr(p, 0, static_cast<std::size_t>(f.width)));
      const int n = nul ? static_cast<int>(nul - p) : f.width;
      if (n < f.width && !allZero(p + n, f.width - n)) noteTextAfterNul(p, n, f.width);
      if (n == 0) {
        out = Null{};
      } else {
        cp_->toUtf8(textSlot(out), p, static_cast<std::size_t>(n));
      }
      return;
    }
    case PdxType::Short: {
      std::uint16_t x = be16(p);
      if (x == 0)
        out = Null{};
      else
        out = std::int64_t{static_cast<std::int16_t>(x ^ 0x8000u)};
      return;
    }
    case PdxType::Long:
    case PdxType::AutoInc:
    case PdxType::Date:
    case PdxType::Time: {
      std::uint32_t x = be32(p);
      if (x == 0) {
        out = Null{};
        return;
      }
      const auto v = static_cast<std::int32_t>(x ^ 0x80000000u);
      if (f.type == PdxType::Date) {
        // Kept as stored (the day may be read back), but no Firebird DATE can take it.
        if (v < kFirstDay || v > kLastDay) noteValue(Problem::Date, v);
        out = Date{static_cast<std::int32_t>(std::int64_t{v} - kParadoxDayOffset)};
      } else if (f.type == PdxType::Time) {
        if (v < 0 || v >= kMsPerDay) {
          noteValue(Problem::Time, v);
          out = Null{};
          return;
        }
        out = Time{std::int64_t{v} * 1000};
      } else {
        out = std::int64_t{v};
      }
      return;
    }
    case PdxType::Number:
    case PdxType::Money:
    case PdxType::Timestamp: {
      if (allZero(p, 8)) {
        out = Null{};
        return;
      }
      const double v = decodeDouble(p);
      if (f.type != PdxType::Timestamp) {
        out = v;
        return;
      }
      if (!std::isfinite(v) || std::fabs(v) > 1e17) {
        noteValue(Problem::Timestamp, v);
        out = Null{};
        return;
      }
      // Milliseconds since 0001-01-01 minus one day; the fraction of a millisecond is kept in microseconds.
      auto day = static_cast<std::int64_t>(std::floor(v / kMsPerDay));
      auto us = static_cast<std::int64_t>(std::llround((v - static_cast<double>(day) * kMsPerDay) * 1000.0));
      if (us >= kMsPerDay * 1000) {
        us -= kMsPerDay * 1000;
        ++day;
      }
      if (day < kFirstDay || day > kLastDay) noteValue(Problem::TimestampDate, static_cast<double>(day));
      out = DateTime{Date{static_cast<std::int32_t>(day - kParadoxDayOffset)}, Time{us}};
      return;
    }
    case PdxType::Logical:
      if (p[0] == 0)
        out = Null{};
      else
        out = p[0] != 0x80;
      return;
    case PdxType::Bcd:
      decodeBcd(f, p, out);
      return;
    case PdxType::Bytes:
      if (allZero(p, f.width))
        out = Null{};
      else
        bytesSlot(out).assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(f.width));
      return;
    case PdxType::Memo:
    case PdxType::Binary:
    case PdxType::FmtMemo:
    case PdxType::Ole:
    case PdxType::Graphic:
      decodeBlob(f, p, out);
      return;
  }
}

void TableReader::decodeBcd(const FieldInfo& f, const unsigned char* p, Value& out) {
  if ((p[0] & 0x40) == 0) {
    out = Null{};
    return;
  }
  const bool positive = (p[0] & 0x80) != 0;
  __int128 unscaled = 0;
  bool invalid = false;
  for (int i = 0; i < 32; ++i) {
    unsigned nib = (p[1 + i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0xF;
    if (!positive) nib ^= 0xF;
    // A writer once left nibbles A-F in the tail of a 32-place column: keep the valid prefix, zeros after it.
    if (nib > 9) invalid = true;
    unscaled = unscaled * 10 + (invalid ? 0 : nib);
  }
  // The record always holds 32 digits with the header's number of places as the fraction.
  out = Decimal{positive ? unscaled : -unscaled, f.size};
  if (invalid) noteValue(Problem::Bcd, 0, &std::get<Decimal>(out));
}

void TableReader::decodeBlob(const FieldInfo& f, const unsigned char* p, Value& out) {
  const int leader = f.width - 10;
  const std::uint32_t ref = le32(p + leader);
  const std::uint32_t length = le32(p + leader + 4);
  const std::uint16_t mod = le16(p + leader + 8);
  if (length == 0) {
    out = Null{};
    return;
  }
  const unsigned char* data;
  std::size_t n;
  if (ref == 0) {
    if (length > static_cast<std::uint32_t>(leader)) {
      const std::string why = "wartość zapisana w rekordzie dłuższa niż jej pole";
      if (!lenientBlobs_) corrupt(why + " (" + f.name + ")");
      warn(Problem::BlobRef, currentField_, why + "; odczytano jako pustą", true);
      out = Null{};
      return;
    }
    data = p;
    n = length;
  } else {
    if (!blobs_) blobs_ = std::make_unique<BlobFile>(openBlobs_(), header_.encryption, name_ + " (.MB)");
    std::vector<std::string> notes;
    try {
      blobs_->read(ref, length, mod, scratch_, notes);
    } catch (const EngineError& e) {
      if (!lenientBlobs_ || e.code() != errc::kCorrupt) throw;
      // The message starts with the .MB file's name; the warning is about this table already.
      std::string why = e.entries().front().message;
      const std::string prefix = name_ + " (.MB): ";
      if (why.compare(0, prefix.size(), prefix) == 0) why.erase(0, prefix.size());
      warn(Problem::BlobRef, currentField_, why + " w pliku .MB; odczytano jako pustą", true);
      out = Null{};
      return;
    }
    for (auto& note : notes) warn(Problem::BlobMismatch, currentField_, std::move(note));
    data = reinterpret_cast<const unsigned char*>(scratch_.data());
    n = scratch_.size();
  }
  if (f.type == PdxType::Memo || (f.type == PdxType::FmtMemo && !rawFormatted_)) {
    cp_->toUtf8(textSlot(out), data, n);
    if (std::get<std::string>(out).empty()) out = Null{};
  } else {
    bytesSlot(out).assign(reinterpret_cast<const char*>(data), n);
  }
}

}  // namespace db::paradox
