#include "db/firebird/types.h"

#include <ibase.h>

#include <cctype>
#include <charconv>

namespace db::firebird {

namespace {
// blr codes of RDB$FIELD_TYPE.
constexpr int kBlrShort = 7, kBlrLong = 8, kBlrQuad = 9, kBlrFloat = 10, kBlrDFloat = 11, kBlrDate = 12,
              kBlrTime = 13, kBlrText = 14, kBlrInt64 = 16, kBlrBool = 23, kBlrDouble = 27,
              kBlrTimestamp = 35, kBlrVarying = 37, kBlrCString = 40, kBlrBlob = 261;
}  // namespace

FieldDef mapColumnType(const ColumnType& c, bool enableBcd) {
  FieldDef def;
  bool integer =
      c.blrType == kBlrShort || c.blrType == kBlrLong || c.blrType == kBlrInt64 || c.blrType == kBlrQuad;
  if (integer && (c.scale < 0 || c.subType == 1 || c.subType == 2)) {
    if (enableBcd) {
      def.type = FieldType::BCD;
      def.size = -c.scale;
      def.scale = -c.scale;
      // The integer that stores it scaled (the declared precision bounds nothing more).
      def.width = c.blrType == kBlrShort ? 2 : c.blrType == kBlrLong ? 4 : 8;
    } else {
      def.type = FieldType::Float;
      def.scale = -c.scale;
    }
    return def;
  }
  switch (c.blrType) {
    case kBlrText:
    case kBlrVarying:
    case kBlrCString:
      def.type = FieldType::String;
      def.size = c.charLength;
      def.fixedLength = c.blrType == kBlrText;
      break;
    case kBlrShort:
      def.type = FieldType::Smallint;
      break;
    case kBlrLong:
      def.type = FieldType::Integer;
      break;
    case kBlrInt64:
    case kBlrQuad:
      def.type = FieldType::LargeInt;
      break;
    case kBlrFloat:
      def.type = FieldType::Float;
      def.width = 4;
      break;
    case kBlrDFloat:
    case kBlrDouble:
      def.type = FieldType::Float;
      def.width = 8;
      break;
    case kBlrDate:
      def.type = FieldType::Date;
      break;
    case kBlrTime:
      def.type = FieldType::Time;
      break;
    case kBlrTimestamp:
      def.type = FieldType::DateTime;
      break;
    case kBlrBool:
      def.type = FieldType::Boolean;
      break;
    case kBlrBlob:
      def.type = c.subType == 1 ? FieldType::Memo : FieldType::Blob;
      break;
    default:
      def.type = FieldType::Unknown;
      break;
  }
  return def;
}

ColumnType columnTypeFromSqlType(unsigned sqlType, int subType, int scale, unsigned length,
                                 unsigned bytesPerChar) {
  ColumnType c;
  c.subType = subType;
  c.scale = scale;
  switch (sqlType & ~1u) {
    case SQL_TEXT:
      c.blrType = kBlrText;
      break;
    case SQL_VARYING:
      c.blrType = kBlrVarying;
      break;
    case SQL_SHORT:
      c.blrType = kBlrShort;
      break;
    case SQL_LONG:
      c.blrType = kBlrLong;
      break;
    case SQL_INT64:
      c.blrType = kBlrInt64;
      break;
    case SQL_QUAD:
      c.blrType = kBlrQuad;
      break;
    case SQL_FLOAT:
      c.blrType = kBlrFloat;
      break;
    case SQL_D_FLOAT:
      c.blrType = kBlrDFloat;
      break;
    case SQL_DOUBLE:
      c.blrType = kBlrDouble;
      break;
    case SQL_TYPE_DATE:
      c.blrType = kBlrDate;
      break;
    case SQL_TYPE_TIME:
      c.blrType = kBlrTime;
      break;
    case SQL_TIMESTAMP:
      c.blrType = kBlrTimestamp;
      break;
    case SQL_BOOLEAN:
      c.blrType = kBlrBool;
      break;
    case SQL_BLOB:
      c.blrType = kBlrBlob;
      break;
    default:
      c.blrType = 0;
      break;
  }
  if (c.blrType == kBlrText || c.blrType == kBlrVarying) {
    c.charLength = static_cast<int>(length / (bytesPerChar ? bytesPerChar : 1));
  }
  return c;
}

namespace {

// Reads an unsigned decimal number of 1..maxDigits digits at `pos`.
bool readNumber(std::string_view s, std::size_t& pos, int maxDigits, int& out) {
  std::size_t start = pos;
  while (pos < s.size() && pos - start < static_cast<std::size_t>(maxDigits) &&
         std::isdigit(static_cast<unsigned char>(s[pos]))) {
    ++pos;
  }
  if (pos == start) return false;
  std::from_chars(s.data() + start, s.data() + pos, out);
  return true;
}

bool readTime(std::string_view s, std::size_t& pos, Time& out) {
  int h = 0, m = 0, sec = 0;
  if (!readNumber(s, pos, 2, h) || pos >= s.size() || s[pos] != ':') return false;
  ++pos;
  if (!readNumber(s, pos, 2, m)) return false;
  std::int64_t us = 0;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!readNumber(s, pos, 2, sec)) return false;
    if (pos < s.size() && s[pos] == '.') {
      ++pos;
      std::int64_t scale = 100000;
      std::size_t start = pos;
      while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        us += (s[pos] - '0') * scale;
        scale /= 10;
        ++pos;
      }
      if (pos == start) return false;
    }
  }
  if (h > 23 || m > 59 || sec > 59) return false;
  out = Time{((h * 60 + m) * 60 + sec) * std::int64_t{1000000} + us};
  return true;
}

bool validDay(int y, int m, int d) {
  if (m < 1 || m > 12 || d < 1 || y < 1 || y > 9999) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= days[m - 1] + ((m == 2 && leap) ? 1 : 0);
}

}  // namespace

std::optional<DateTime> parseDateTimeText(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  std::size_t pos = 0;
  DateTime result;
  int a = 0, b = 0, c = 0;
  std::size_t save = pos;
  if (readNumber(s, pos, 4, a) && pos < s.size() && (s[pos] == '-' || s[pos] == '.')) {
    char sep = s[pos++];
    if (!readNumber(s, pos, 2, b) || pos >= s.size() || s[pos] != sep) return std::nullopt;
    ++pos;
    if (!readNumber(s, pos, 4, c)) return std::nullopt;
    int y = sep == '-' ? a : c, m = b, d = sep == '-' ? c : a;
    if (!validDay(y, m, d)) return std::nullopt;
    result.date = dateFromYmd(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
    if (pos == s.size()) return result;
    if (s[pos] != ' ' && s[pos] != 'T') return std::nullopt;
    ++pos;
  } else {
    pos = save;
  }
  if (!readTime(s, pos, result.time) || pos != s.size()) return std::nullopt;
  return result;
}

}  // namespace db::firebird
