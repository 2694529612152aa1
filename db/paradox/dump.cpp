#include "db/paradox/dump.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/paradox/index.h"
#include "db/paradox/reader.h"
#include "db/paradox/sha256.h"

namespace db::paradox {

namespace {

void putString(std::ostream& out, const std::string& s) {
  out << '"';
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      case '\b':
        out << "\\b";
        break;
      case '\f':
        out << "\\f";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out << buf;
        } else {
          out << static_cast<char>(c);
        }
    }
  }
  out << '"';
}

std::string ymdText(Date d) {
  const Ymd ymd = ymdFromDate(d);
  char buf[32];
  if (ymd.year < 0)
    std::snprintf(buf, sizeof buf, "-%04d-%02u-%02u", -ymd.year, ymd.month, ymd.day);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", ymd.year, ymd.month, ymd.day);
  return buf;
}

std::string timeText(Time t) {
  const std::int64_t ms = t.us / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return buf;
}

void putBytes(std::ostream& out, const std::string& data, const std::string& indent) {
  out << "{\n"
      << indent << " \"length\": " << data.size() << ",\n"
      << indent << " \"sha256\": \"" << sha256Hex(data) << "\"\n"
      << indent << "}";
}

void putValue(std::ostream& out, PdxType type, const Value& v, const std::string& indent) {
  if (isNull(v)) {
    out << "null";
    return;
  }
  switch (type) {
    case PdxType::Alpha:
    case PdxType::Memo:
      putString(out, std::get<std::string>(v));
      return;
    case PdxType::Number:
    case PdxType::Money:
      putString(out, shortestDouble(std::get<double>(v)));
      return;
    case PdxType::Short:
    case PdxType::Long:
    case PdxType::AutoInc:
      out << std::get<std::int64_t>(v);
      return;
    case PdxType::Date:
      putString(out, ymdText(std::get<Date>(v)));
      return;
    case PdxType::Time:
      putString(out, timeText(std::get<Time>(v)));
      return;
    case PdxType::Timestamp: {
      const auto& dt = std::get<DateTime>(v);
      putString(out, ymdText(dt.date) + "T" + timeText(dt.time));
      return;
    }
    case PdxType::Logical:
      out << (std::get<bool>(v) ? "true" : "false");
      return;
    case PdxType::Bcd:
      putString(out, std::get<Decimal>(v).toString());
      return;
    case PdxType::Binary:
    case PdxType::FmtMemo:  // read as stored, for inspection
    case PdxType::Ole:
    case PdxType::Graphic:
    case PdxType::Bytes:
      putBytes(out, std::get<Bytes>(v).data, indent);
      return;
  }
}

std::string joinNames(const Header& h, const std::vector<int>& fields) {
  std::string s;
  for (int f : fields) s += (s.empty() ? "" : ";") + h.fields[f].name;
  return s;
}

}  // namespace

std::string shortestDouble(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string sci(buf, res.ptr);
  // Split "-d.ddde+XX" into sign, digits and exponent, then lay it out the way repr() of a float does:
  // plain notation for exponents -4..15, scientific otherwise.
  bool neg = sci[0] == '-';
  std::size_t e = sci.find('e');
  std::string mant = sci.substr(neg ? 1 : 0, e - (neg ? 1 : 0));
  int exp = std::atoi(sci.c_str() + e + 1);
  std::string digits;
  for (char c : mant)
    if (c != '.') digits.push_back(c);
  std::string out = neg ? "-" : "";
  if (exp >= -4 && exp < 16) {
    if (exp < 0) {
      out += "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
    } else if (static_cast<int>(digits.size()) <= exp + 1) {
      out += digits + std::string(static_cast<std::size_t>(exp + 1) - digits.size(), '0') + ".0";
    } else {
      out += digits.substr(0, static_cast<std::size_t>(exp + 1)) + "." +
             digits.substr(static_cast<std::size_t>(exp + 1));
    }
    return out;
  }
  out += digits.substr(0, 1);
  if (digits.size() > 1) out += "." + digits.substr(1);
  char ebuf[16];
  std::snprintf(ebuf, sizeof ebuf, "e%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
  return out + ebuf;
}

void dumpTable(const std::filesystem::path& dbFile, int codePage, std::ostream& out,
               std::vector<std::string>& warnings, std::string* codePageNote) {
  auto reader = TableReader::open(dbFile, codePage);
  reader->setFormattedMemoAsBytes(true);
  const Header& h = reader->header();
  auto secondary = readSecondaryIndexes(dbFile, h, codePage);

  out << "{\n \"file\": ";
  putString(out, dbFile.filename().string());
  out << ",\n \"version\": \"" << h.versionText() << "\",\n \"codepage\": ";
  if (h.codePage != 0)
    out << h.codePage;
  else
    out << "null";
  out << ",\n \"encrypted\": " << (h.encryption != 0 ? "true" : "false") << ",\n \"records\": " << h.records
      << ",\n \"fields\": [";
  for (std::size_t i = 0; i < h.fields.size(); ++i) {
    out << (i ? ",\n  {\n   \"name\": " : "\n  {\n   \"name\": ");
    putString(out, h.fields[i].name);
    out << ",\n   \"type\": \"" << typeLetter(h.fields[i].type) << "\",\n   \"size\": " << h.fields[i].size
        << "\n  }";
  }
  out << (h.fields.empty() ? "],\n" : "\n ],\n");
  std::vector<int> key;
  for (int i = 0; i < h.keyFields; ++i) key.push_back(i);
  out << " \"primary\": ";
  putString(out, joinNames(h, key));
  out << ",\n \"secondary\": [";
  for (std::size_t i = 0; i < secondary.size(); ++i) {
    out << (i ? ",\n  {\n   \"name\": " : "\n  {\n   \"name\": ");
    putString(out, secondary[i].name);
    out << ",\n   \"fields\": ";
    putString(out, joinNames(h, secondary[i].fields));
    out << ",\n   \"case_sensitive\": " << (secondary[i].caseSensitive ? "true" : "false") << "\n  }";
  }
  out << (secondary.empty() ? "],\n" : "\n ],\n");
  out << " \"rows\": [";
  Row row;
  for (std::size_t r = 0; r < reader->rowCount(); ++r) {
    reader->readRow(r, row);
    out << (r ? ",\n  [" : "\n  [");
    for (std::size_t i = 0; i < row.size(); ++i) {
      out << (i ? ",\n   " : "\n   ");
      putValue(out, h.fields[i].type, row[i], "   ");
    }
    out << (row.empty() ? "]" : "\n  ]");
  }
  out << (reader->rowCount() == 0 ? "]\n}\n" : "\n ]\n}\n");
  for (const auto& w : reader->takeWarnings()) warnings.push_back(warningLine(w));
  if (codePageNote) *codePageNote = describeCodePage(reader->codePageChoice());
}

}  // namespace db::paradox
