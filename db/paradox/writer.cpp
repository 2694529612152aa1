#include "db/paradox/writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <numeric>
#include <optional>
#include <set>

#include "db/error.h"
#include "db/paradox/writer_blob.h"
#include "db/paradox/writer_blocks.h"
#include "db/paradox/writer_file.h"
#include "db/paradox/writer_index.h"
#include "db/paradox/writer_layout.h"
#include "db/paradox/writer_text.h"
#include "db/paradox/writer_values.h"
#include "platform/text.h"

namespace db::paradox {

namespace {

using konw::lowerAscii;
using konw::upperAscii;
using wr::Field;

constexpr int kMaxFields = 255;
constexpr std::size_t kMaxFieldName = 25;

// Renaming order: index files first, the blob file next, the table itself last, so that the table a
// reader opens is never newer than the files it refers to.
constexpr int kRankIndex = 0;
constexpr int kRankBlobs = 1;
constexpr int kRankTable = 2;

[[noreturn]] void invalid(const std::string& why) {
  throw EngineError(errc::kNotSupported, why);
}

struct TablePlan {
  wr::Format fmt;
  std::vector<Field> fields;
  int keyFields = 0;
  std::uint32_t keyLength = 0;
  std::uint32_t recordSize = 0;
  bool hasBlobs = false;
  std::filesystem::path dir;
  std::string dbName, stem;
  bool lowerExt = false;
  std::vector<wr::IndexPlan> indexes;

  std::string companion(const std::string& ext) const {
    return stem + "." + (lowerExt ? lowerAscii(ext) : ext);
  }
};

void planFormat(const TableSpec& tdef, TablePlan& plan) {
  wr::Format& fmt = plan.fmt;
  fmt.level = tdef.level;
  switch (tdef.level) {
    case 3:
      fmt.version = 4;
      break;
    case 4:
      fmt.version = 9;
      break;
    case 5:
      fmt.version = 11;
      break;
    case 7:
      fmt.version = 12;
      break;
    default:
      invalid("poziom formatu " + std::to_string(tdef.level) + " nie jest żadnym z 3, 4, 5, 7");
  }
  const int kb = tdef.blockSizeKb;
  const bool allowed = (kb >= 1 && kb <= 4) || (tdef.level == 7 && (kb == 8 || kb == 16 || kb == 32));
  if (!allowed)
    invalid("rozmiar bloku " + std::to_string(kb) + " KiB jest niedozwolony na poziomie " +
            std::to_string(tdef.level));
  fmt.blockKb = static_cast<std::uint8_t>(kb);
  fmt.blockSize = static_cast<std::uint32_t>(kb) * 1024;
  fmt.codePage = tdef.codePage;
  fmt.headerCodePage = tdef.level >= 4;
  const wr::TextEncoder& text = wr::TextEncoder::get(tdef.codePage);  // refuses unknown pages
  wr::defaultSortOrder(tdef.codePage, fmt.sortName, fmt.sortCode);
  if (!tdef.sortOrder.empty()) {
    fmt.sortName = tdef.sortOrder;
    if (fmt.sortName.find('\0') != std::string::npos || fmt.sortName.size() > 31)
      invalid("niepoprawna nazwa sterownika języka");
  }
  // Level 3 tables name no language driver, and their sort-order byte stays 0.
  if (tdef.level == 3) fmt.sortCode = 0;
  if (tdef.sortOrderCode) fmt.sortCode = *tdef.sortOrderCode;
  fmt.stamp = tdef.timeStamp ? *tdef.timeStamp : static_cast<std::uint32_t>(std::time(nullptr));

  if (!tdef.password.empty() && tdef.encryption)
    invalid("tabelę szyfruje się hasłem albo podanym kluczem, nie jednym i drugim");
  if (!tdef.password.empty()) {
    std::string raw;
    text.encode(tdef.password, raw, "hasło");
    fmt.key = wr::keyForPassword(raw);
  } else if (tdef.encryption) {
    if (*tdef.encryption == 0xFF00FF00u) invalid("0xFF00FF00 nie może być kluczem szyfru");
    fmt.key = *tdef.encryption;
  }
}

void planFields(const TableSpec& tdef, TablePlan& plan) {
  const wr::TextEncoder& text = wr::TextEncoder::get(tdef.codePage);
  if (tdef.fields.empty()) invalid("tabela musi mieć co najmniej jedno pole");
  if (tdef.fields.size() > kMaxFields) invalid("tabela może mieć najwyżej 255 pól");
  std::set<std::string> seen;
  int offset = 0;
  for (const FieldSpec& fs : tdef.fields) {
    Field f;
    f.name = fs.name;
    const std::string what = "pole \"" + fs.name + "\"";
    // The one place a definition's type letter becomes a type.
    const std::optional<PdxType> type = typeFromLetter(fs.type);
    if (!type) invalid(what + ": nieznany typ '" + std::string(1, fs.type) + "'");
    f.type = *type;
    if (typeInfo(f.type).level > tdef.level)
      invalid(what + ": typ " + typeLabel(f.type) + " nie istnieje na poziomie " +
              std::to_string(tdef.level));
    if (fs.name.empty()) invalid("pole nie ma nazwy");
    text.encode(fs.name, f.rawName, what + ", nazwa");
    if (f.rawName.size() > kMaxFieldName) invalid(what + ": nazwa może mieć najwyżej 25 znaków");
    if (f.rawName.find('\0') != std::string::npos) invalid(what + ": nazwa zawiera znak NUL");
    std::string folded;
    for (char c : f.rawName) folded.push_back(static_cast<char>(text.upper(static_cast<unsigned char>(c))));
    if (!seen.insert(folded).second) invalid(what + ": inne pole ma tę samą nazwę");
    switch (f.type) {
      case PdxType::Alpha:
      case PdxType::Bytes:
        if (fs.size < 1 || fs.size > 255) invalid(what + ": rozmiar musi wynosić od 1 do 255");
        f.size = f.width = fs.size;
        break;
      case PdxType::Memo:
      case PdxType::Binary:
      case PdxType::FmtMemo:
      case PdxType::Ole:
      case PdxType::Graphic:
        f.size = f.width = fs.size == 0 ? 10 : fs.size;
        if (f.size < 10 || f.size > 250) invalid(what + ": rozmiar musi wynosić od 10 do 250");
        plan.hasBlobs = true;
        break;
      case PdxType::Bcd:
        if (fs.size < 0 || fs.size > 32) invalid(what + ": miejsc po przecinku musi być od 0 do 32");
        f.size = fs.size;
        f.width = typeInfo(f.type).width;
        break;
      case PdxType::Date:
      case PdxType::Short:
      case PdxType::Long:
      case PdxType::Money:
      case PdxType::Number:
      case PdxType::Logical:
      case PdxType::Time:
      case PdxType::Timestamp:
      case PdxType::AutoInc:
        // A fixed width: the size a definition gives is not asked for.
        f.size = f.width = typeInfo(f.type).width;
        break;
    }
    f.offset = offset;
    offset += f.width;
    plan.fields.push_back(std::move(f));
  }
  plan.recordSize = static_cast<std::uint32_t>(offset);
  if (plan.recordSize + 6 > plan.fmt.blockSize)
    invalid("rekord " + std::to_string(plan.recordSize) + " bajtów nie mieści się w bloku " +
            std::to_string(plan.fmt.blockSize) + " bytes");

  if (tdef.keyFields < 0 || tdef.keyFields > static_cast<int>(plan.fields.size()))
    invalid("liczba pól klucza " + std::to_string(tdef.keyFields) + " poza zakresem");
  plan.keyFields = tdef.keyFields;
  for (int i = 0; i < plan.keyFields; ++i) {
    if (isBlob(plan.fields[i].type))
      invalid("pole \"" + plan.fields[i].name + "\": pole typu blob nie może należeć do klucza");
    plan.keyLength += static_cast<std::uint32_t>(plan.fields[i].width);
  }
  if (plan.keyFields > 0 && 2 * (plan.keyLength + 6) + 6 > plan.fmt.blockSize)
    invalid("klucz główny za długi na rozmiar bloku");
}

int findField(const TablePlan& plan, const std::string& name) {
  for (std::size_t i = 0; i < plan.fields.size(); ++i)
    if (plan.fields[i].name == name) return static_cast<int>(i);
  for (std::size_t i = 0; i < plan.fields.size(); ++i)
    if (upperAscii(plan.fields[i].name) == upperAscii(name)) return static_cast<int>(i);
  return -1;
}

void planIndexes(const TableSpec& tdef, TablePlan& plan) {
  const wr::TextEncoder& text = wr::TextEncoder::get(tdef.codePage);
  std::set<std::string> names;
  std::set<int> singleFields;
  int named = 0;
  static constexpr char kHex[] = "0123456789ABCDEF";
  // Level-3 index files carry no field numbers, so nothing would tie them to their fields.
  if (tdef.level < 4 && !tdef.secondary.empty()) invalid("indeksy dodatkowe wymagają poziomu 4 lub wyższego");
  for (const SecondaryIndexSpec& is : tdef.secondary) {
    wr::IndexPlan ip;
    ip.name = is.name;
    ip.caseSensitive = is.caseSensitive;
    const std::string what = is.name.empty() ? "indeks dodatkowy" : "indeks dodatkowy \"" + is.name + "\"";
    if (is.fields.empty()) invalid(what + ": brak pól");
    std::set<int> used;
    std::uint32_t length = 0;
    for (const std::string& fn : is.fields) {
      const int fi = findField(plan, fn);
      if (fi < 0) throw EngineError(errc::kNotFound, what + ": brak pola \"" + fn + "\"");
      if (isBlob(plan.fields[fi].type)) invalid(what + ": pole \"" + fn + "\" jest typu blob");
      if (!used.insert(fi).second) invalid(what + ": pole \"" + fn + "\" występuje dwa razy");
      ip.fields.push_back(fi);
      length += static_cast<std::uint32_t>(plan.fields[fi].width);
    }
    if (2 * (length + 12) + 6 > plan.fmt.blockSize) invalid(what + ": klucz za długi na rozmiar bloku");
    if (is.name.empty()) {
      if (ip.fields.size() != 1 || !is.caseSensitive)
        invalid(
            "indeks dodatkowy bez nazwy musi obejmować jedno pole z rozróżnianiem wielkości liter; inne "
            "trzeba nazwać");
      if (!singleFields.insert(ip.fields[0]).second) invalid(what + ": dwa indeksy na tym samym polu");
      const int no = ip.fields[0] + 1;
      const std::string suffix{kHex[no >> 4], kHex[no & 0xF]};
      ip.dataFile = plan.companion("X" + suffix);
      ip.treeFile = plan.companion("Y" + suffix);
    } else {
      text.encode(is.name, ip.rawName, what + ", nazwa");
      if (ip.rawName.find('\0') != std::string::npos) invalid(what + ": nazwa zawiera znak NUL");
      if (!names.insert(upperAscii(is.name)).second) invalid(what + ": inny indeks ma tę samą nazwę");
      if (named >= 16) invalid("tabela może mieć najwyżej 16 nazwanych indeksów dodatkowych");
      ip.dataFile = plan.companion(std::string("XG") + kHex[named]);
      ip.treeFile = plan.companion(std::string("YG") + kHex[named]);
      ++named;
    }
    plan.indexes.push_back(std::move(ip));
  }
}

TablePlan makePlan(const std::filesystem::path& dbFile, const TableSpec& tdef) {
  TablePlan plan;
  const std::string ext = dbFile.extension().string();
  if (upperAscii(ext) != ".DB")
    invalid("nazwa pliku tabeli Paradoxu musi kończyć się na .DB: " + dbFile.string());
  plan.dbName = dbFile.filename().string();
  plan.stem = dbFile.stem().string();
  if (plan.stem.empty()) invalid("tabela musi mieć nazwę: " + dbFile.string());
  plan.lowerExt = ext == ".db";
  plan.dir = dbFile.parent_path().empty() ? std::filesystem::path(".") : dbFile.parent_path();
  std::error_code ec;
  if (!std::filesystem::is_directory(plan.dir, ec))
    throw EngineError(errc::kNotFound, "Katalog " + plan.dir.string() + " nie istnieje");
  planFormat(tdef, plan);
  planFields(tdef, plan);
  planIndexes(tdef, plan);
  return plan;
}

// Companion files of an older version of this table that the new one does not replace by name:
// another .MB, .PX or index of the same table name (compared ignoring case).
std::vector<std::string> staleFiles(const TablePlan& plan, const std::set<std::string>& keep) {
  std::vector<std::string> stale;
  std::error_code ec;
  const std::string stem = upperAscii(plan.stem);
  for (const auto& entry : std::filesystem::directory_iterator(plan.dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (keep.count(name) || upperAscii(entry.path().stem().string()) != stem) continue;
    const std::string ext = upperAscii(entry.path().extension().string());
    const bool companion = ext == ".PX" || ext == ".MB" ||
                           (ext.size() == 4 && (ext[1] == 'X' || ext[1] == 'Y') &&
                            std::isxdigit(static_cast<unsigned char>(ext[3])) &&
                            (ext[2] == 'G' || std::isxdigit(static_cast<unsigned char>(ext[2]))));
    if (!companion) continue;
    // A table whose name differs from ours only in case is another table (possible on this system).
    const std::filesystem::path otherDb = plan.dir / (entry.path().stem().string() + ".DB");
    const std::filesystem::path otherDbLower = plan.dir / (entry.path().stem().string() + ".db");
    if (entry.path().stem().string() != plan.stem &&
        ((std::filesystem::exists(otherDb, ec) && otherDb.filename() != plan.dbName) ||
         (std::filesystem::exists(otherDbLower, ec) && otherDbLower.filename() != plan.dbName)))
      continue;
    stale.push_back(name);
  }
  return stale;
}

}  // namespace

void writeTable(const std::filesystem::path& dbFile, const TableSpec& tdef, std::vector<Row> rows) {
  const TablePlan plan = makePlan(dbFile, tdef);
  const wr::Format& fmt = plan.fmt;
  const wr::TextEncoder& text = wr::TextEncoder::get(tdef.codePage);
  if (rows.size() > 0xFFFFFFFEu) invalid("za dużo wierszy na jedną tabelę");
  const auto count = static_cast<std::uint32_t>(rows.size());
  const wr::BlockPlan blocks = wr::planBlocks(count, plan.recordSize, fmt.blockSize, plan.dbName);

  wr::TempFiles files(plan.dir);
  wr::Cipher cipher(fmt.key, fmt.blockSize);
  std::set<std::string> produced{plan.dbName};

  // Records are encoded once into one buffer; each row is released as soon as it is encoded.
  std::vector<unsigned char> recs(std::size_t{count} * plan.recordSize, 0);
  std::int64_t maxAutoInc = 0;
  {
    std::unique_ptr<wr::BlobWriter> blobs;
    if (plan.hasBlobs) {
      const std::string mbName = plan.companion("MB");
      produced.insert(mbName);
      blobs = std::make_unique<wr::BlobWriter>(files.create(mbName, kRankBlobs), cipher);
    }
    wr::RecordEncoder encoder(plan.fields, text, blobs.get());
    for (std::uint32_t i = 0; i < count; ++i) {
      encoder.encode(rows[i], i, &recs[std::size_t{i} * plan.recordSize]);
      Row().swap(rows[i]);
    }
    maxAutoInc = encoder.maxAutoInc();
    if (blobs) blobs->finish();
  }
  rows = {};

  // Keyed tables keep their rows in key order; the encoding makes byte order the key order.
  std::vector<std::uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  if (plan.keyFields > 0) {
    const std::size_t rs = plan.recordSize, kl = plan.keyLength;
    const unsigned char* base = recs.data();
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      const int c = std::memcmp(base + a * rs, base + b * rs, kl);
      return c < 0 || (c == 0 && a < b);
    });
    for (std::uint32_t i = 1; i < count; ++i)
      if (std::memcmp(base + order[i - 1] * rs, base + order[i] * rs, kl) == 0)
        throw EngineError(errc::kKeyViolation, "wiersze " + std::to_string(order[i - 1] + 1) + " i " +
                                                   std::to_string(order[i] + 1) +
                                                   " mają ten sam klucz główny");
  }

  wr::HeaderSpec db;
  db.fileType = plan.keyFields > 0 ? 0 : 2;
  db.recordSize = static_cast<std::uint16_t>(plan.recordSize);
  wr::setBlocks(db, blocks, count);
  db.fields = plan.fields;
  db.keyFields = plan.keyFields;
  for (std::size_t i = 0; i < plan.fields.size(); ++i)
    db.fieldNumbers.push_back(static_cast<std::uint16_t>(i + 1));
  db.rawFileName = text.encodeLossy(plan.dbName);
  // The header keeps the last number handed out; never one below a value already in the table.
  const std::int64_t lastAutoInc = std::max<std::int64_t>(std::int64_t{tdef.nextAutoInc} - 1, maxAutoInc);
  db.autoInc = static_cast<std::uint32_t>(std::max<std::int64_t>(lastAutoInc, 0));
  auto record = [&](std::uint32_t i) { return &recs[std::size_t{order[i]} * plan.recordSize]; };
  wr::writeRecords(files.create(plan.dbName, kRankTable), wr::buildHeader(fmt, db), fmt, cipher,
                   plan.recordSize, count, record);

  if (plan.keyFields > 0) {
    wr::TreeLeaves leaves;
    leaves.keyLength = plan.keyLength;
    for (std::uint32_t b = 0; b < blocks.blocks; ++b) {
      const std::uint32_t first = b * blocks.perBlock;
      leaves.firstKeys.append(reinterpret_cast<const char*>(record(first)), plan.keyLength);
      leaves.counts.push_back(static_cast<std::uint16_t>(std::min(blocks.perBlock, count - first)));
    }
    wr::HeaderSpec px;
    px.fileType = 1;
    px.fields.assign(plan.fields.begin(), plan.fields.begin() + plan.keyFields);
    for (Field& f : px.fields) f.rawName.clear();
    const std::string pxName = plan.companion("PX");
    px.rawFileName = text.encodeLossy(pxName);
    produced.insert(pxName);
    wr::writeTree(files.create(pxName, kRankIndex), fmt, cipher, px, leaves);
  }

  wr::StoredRows stored{recs.data(), order.data(), count, plan.recordSize, blocks.perBlock};
  for (const wr::IndexPlan& index : plan.indexes) {
    produced.insert(index.dataFile);
    produced.insert(index.treeFile);
    wr::OutFile& data = files.create(index.dataFile, kRankIndex);
    wr::OutFile& tree = files.create(index.treeFile, kRankIndex);
    wr::writeSecondary(index, plan.fields, stored, fmt, text, cipher, data, tree);
  }

  std::vector<std::string> stale = staleFiles(plan, produced);
  for (std::string& name : wr::abandonedTempFiles(plan.dir, plan.stem)) stale.push_back(std::move(name));
  files.commit(stale);
}

int blockSizeKbFor(const TableSpec& tdef, std::uint64_t rows) {
  for (int kb : {1, 2, 3, 4, 8, 16, 32}) {
    if (kb < tdef.blockSizeKb) continue;
    TableSpec sized = tdef;
    sized.blockSizeKb = kb;
    try {
      TablePlan plan;
      planFormat(sized, plan);  // refuses a size the level lacks
      planFields(sized, plan);
      wr::planBlocks(rows, plan.recordSize, plan.fmt.blockSize, plan.dbName);
      return kb;
    } catch (const EngineError&) {
      // Too small, or not a size of this level: the next one.
    }
  }
  return tdef.blockSizeKb;
}

}  // namespace db::paradox
