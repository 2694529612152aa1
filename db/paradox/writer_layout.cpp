#include "db/paradox/writer_layout.h"

#include <bit>
#include <cstring>

#include "db/error.h"

namespace db::paradox::wr {

namespace {

constexpr std::size_t kHeaderUnit = 2048;

bool holdsRows(std::uint8_t fileType) {
  return fileType == 0 || fileType == 2 || fileType == 3 || fileType == 5 || fileType == 6 || fileType == 8;
}
bool isIndexData(std::uint8_t fileType) {
  return fileType == 3 || fileType == 5 || fileType == 6 || fileType == 8;
}

// Paradox keeps its in-memory addresses in several header words; they mean nothing on disk, but real
// files never hold zeros there, so we write addresses of the same shape, consistent with each other.
constexpr std::uint32_t kPointerBase = 0x6BDF1000u;

}  // namespace

void putDouble(unsigned char* p, double v) {
  std::uint64_t x = std::bit_cast<std::uint64_t>(v);
  x = (x & 0x8000000000000000ull) ? ~x : (x | 0x8000000000000000ull);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(x >> (56 - 8 * i));
}

void defaultSortOrder(int codePage, std::string& name, std::uint8_t& code) {
  switch (codePage) {
    case 1252:
      name = "ANSIINTL", code = 0x62;
      break;
    case 1250:
      name = "anpolish", code = 0x62;
      break;
    case 866:
      name = "cyrr", code = 0xC0;
      break;
    case 852:
      name = "polish", code = 0x00;
      break;
    default:
      name = "ascii", code = 0x00;
      break;
  }
}

std::string buildHeader(const Format& fmt, const HeaderSpec& tdef) {
  const bool rows = holdsRows(tdef.fileType);
  const bool extended = rows && fmt.version >= 5;
  const bool xg = tdef.fileType == 6 || tdef.fileType == 8;
  const std::size_t nf = tdef.fields.size();
  const std::size_t nameArea = fmt.version >= 12 ? 261 : 79;

  // The variable part first: its length decides the header size.
  std::string var;
  auto put16 = [&var](std::uint16_t v) {
    var.push_back(static_cast<char>(v & 0xFF));
    var.push_back(static_cast<char>(v >> 8));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(static_cast<std::uint16_t>(v));
    put16(static_cast<std::uint16_t>(v >> 16));
  };
  for (const Field& f : tdef.fields) {
    var.push_back(static_cast<char>(typeCode(f.type)));
    var.push_back(static_cast<char>(f.size));
  }
  const std::uint32_t fieldInfoPtr = kPointerBase;
  const std::uint32_t tableNamePtr = kPointerBase + static_cast<std::uint32_t>(2 * nf);
  put32(tableNamePtr + 4);
  if (rows) {
    std::uint32_t namePtr = kPointerBase + 0x400;
    for (const Field& f : tdef.fields) {
      put32(namePtr);
      namePtr += static_cast<std::uint32_t>(f.rawName.size() + 1);
    }
  }
  std::string tableName = tdef.rawFileName.substr(0, nameArea - 1);
  tableName.resize(nameArea, '\0');
  var += tableName;
  const std::size_t varStart = extended ? 0x78 : 0x58;
  std::size_t fieldNumbersAt = 0, sortNameAt = 0, indexNameAt = 0;
  if (rows) {
    for (const Field& f : tdef.fields) {
      var += f.rawName;
      var.push_back('\0');
    }
    if (fmt.version >= 5) {
      fieldNumbersAt = varStart + var.size();
      for (std::uint16_t n : tdef.fieldNumbers) put16(n);
      sortNameAt = varStart + var.size();
      var += fmt.sortName;
      var.push_back('\0');
      if (xg) {
        indexNameAt = varStart + var.size();
        var += tdef.rawIndexName;
        var.push_back('\0');
      }
    }
  }
  const std::size_t used = varStart + var.size();
  const std::size_t size = (used + kHeaderUnit - 1) / kHeaderUnit * kHeaderUnit;
  if (size > 0xF800)
    throw EngineError(errc::kNotSupported, "nagłówek tabeli przekroczyłby granicę formatu (za dużo pól)");

  std::string out(size, '\0');
  auto* h = reinterpret_cast<unsigned char*>(out.data());
  putLe16(h + 0x00, tdef.recordSize);
  putLe16(h + 0x02, static_cast<std::uint16_t>(size));
  h[0x04] = tdef.fileType;
  h[0x05] = fmt.blockKb;
  putLe32(h + 0x06, tdef.records);
  putLe16(h + 0x0A, tdef.blocks);
  putLe16(h + 0x0C, tdef.blocks);
  putLe16(h + 0x0E, tdef.firstBlock);
  putLe16(h + 0x10, tdef.lastBlock);
  putLe16(h + 0x12, 3);
  h[0x15] = tdef.firstIndexedField;
  if ((tdef.fileType == 0 || isIndexData(tdef.fileType))) putLe32(h + 0x16, kPointerBase - 0x2000);
  putLe16(h + 0x1E, tdef.root);
  h[0x20] = tdef.levels;
  putLe16(h + 0x21, static_cast<std::uint16_t>(nf));
  putLe16(h + 0x23, static_cast<std::uint16_t>(tdef.keyFields));
  // From level 4 on, the key lives in the extension and 0x25 only says so.
  putLe32(h + 0x25, extended ? 0xFF00FF00u : fmt.key);
  h[0x29] = fmt.sortCode;
  if (isIndexData(tdef.fileType)) h[0x2C] = 0xFF;
  if (rows) h[0x2D] = 1;
  putLe32(h + 0x30, tableNamePtr);
  putLe32(h + 0x34, fieldInfoPtr);
  h[0x39] = fmt.version;
  putLe16(h + 0x3A, tdef.blocks);
  if (rows) {
    h[0x3E] = 0x1F;
    h[0x3F] = 0x0F;
    if (fmt.key != 0) {
      putLe32(h + 0x40, kPointerBase + 0x800);
      putLe32(h + 0x44, kPointerBase + 0x802);
    }
  }
  putLe32(h + 0x49, tdef.autoInc);
  putLe16(h + 0x51, static_cast<std::uint16_t>(used));
  h[0x55] = tdef.indexFlags;
  if (rows && fmt.version >= 5) h[0x56] = 0x20;
  if (extended) {
    putLe16(h + 0x58, static_cast<std::uint16_t>(0x100 | fmt.version));
    putLe16(h + 0x5A, static_cast<std::uint16_t>(0x100 | fmt.version));
    putLe32(h + 0x5C, fmt.key);
    putLe32(h + 0x60, fmt.stamp);
    putLe16(h + 0x64, static_cast<std::uint16_t>(nf + 1));
    putLe16(h + 0x66, static_cast<std::uint16_t>(fieldNumbersAt - 0x58));
    if (xg) putLe16(h + 0x68, static_cast<std::uint16_t>(indexNameAt - 0x58));
    putLe16(h + 0x6A, static_cast<std::uint16_t>(fmt.headerCodePage ? fmt.codePage : 0));
    h[0x6C] = 1;
    h[0x6D] = 1;
    putLe16(h + 0x6E, static_cast<std::uint16_t>(sortNameAt - 0x58));
    if (!isIndexData(tdef.fileType)) putLe16(h + 0x70, 1);
  }
  std::memcpy(h + varStart, var.data(), var.size());
  return out;
}

}  // namespace db::paradox::wr
