#include "db/value.h"

#include <fmt/format.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "db/error.h"
#include "platform/text.h"

namespace db {

namespace {
constexpr const char* kTypeNames[] = {
    "Unknown",    "String",   "Smallint", "Integer",    "Word",      "Boolean",     "Float",   "Currency",
    "BCD",        "Date",     "Time",     "DateTime",   "Bytes",     "VarBytes",    "AutoInc", "Blob",
    "Memo",       "Graphic",  "FmtMemo",  "ParadoxOle", "DBaseOle",  "TypedBinary", "Cursor",  "FixedChar",
    "WideString", "LargeInt", "ADT",      "Array",      "Reference", "DataSet"};
static_assert(sizeof(kTypeNames) / sizeof(kTypeNames[0]) == 30);

constexpr std::int32_t kDaysFrom1970To1899 = 25569;  // 1899-12-30 is day -25569 of the Unix calendar

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

Ymd civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), m, d};
}

std::string int128ToString(__int128 v) {
  if (v == 0) return "0";
  bool neg = v < 0;
  unsigned __int128 u =
      neg ? static_cast<unsigned __int128>(-(v + 1)) + 1 : static_cast<unsigned __int128>(v);
  std::string s;
  while (u > 0) {
    s.push_back(static_cast<char>('0' + static_cast<int>(u % 10)));
    u /= 10;
  }
  if (neg) s.push_back('-');
  return {s.rbegin(), s.rend()};
}

// 10^38 is the largest power of ten a signed 128-bit integer holds.
constexpr int kMaxPow10 = 38;

constexpr auto kPow10 = [] {
  std::array<__int128, kMaxPow10 + 1> p{};
  p[0] = 1;
  for (int i = 1; i <= kMaxPow10; ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// v * 10^n into `out`; false when the product leaves the 128-bit range (n >= 0).
bool scaleUp(__int128 v, long long n, __int128& out) {
  if (v == 0) {
    out = 0;
    return true;
  }
  if (n > kMaxPow10) return false;
  return !__builtin_mul_overflow(v, kPow10[static_cast<std::size_t>(n)], &out);
}

int signOf(__int128 v) {
  return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// The decimal a finite double was written as: its shortest round-trip text, read exactly
// (0.1 stays 0.1, not 0.1000000000000000055...). 1e30 becomes {1, -30}.
Decimal shortestDecimal(double value) {
  if (!std::isfinite(value))
    throw EngineError(errc::kConversion,
                      "Liczby " + fmt::format("{}", value) + " nie można zapisać jako dziesiętnej");
  std::string text = fmt::format("{}", value);
  int exponent = 0;
  if (auto e = text.find_first_of("eE"); e != std::string::npos) {
    exponent = std::stoi(text.substr(e + 1));
    text.resize(e);
  }
  Decimal exact = Decimal::parse(text);
  exact.scale -= exponent;
  return exact;
}

std::string formatTime(std::int64_t us) {
  const std::int64_t ms = us / 1000;
  const auto h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, frac = ms % 1000;
  if (frac == 0) return fmt::format("{:02}:{:02}:{:02}", h, m, s);
  return fmt::format("{:02}:{:02}:{:02}.{:03}", h, m, s, frac);
}

std::string formatDate(Date d) {
  const Ymd ymd = ymdFromDate(d);
  return fmt::format("{:04}-{:02}-{:02}", ymd.year, ymd.month, ymd.day);
}

[[noreturn]] void conversionError(const char* target) {
  throw EngineError(errc::kConversion, std::string("Wartości nie można przekształcić na ") + target);
}
}  // namespace

const char* fieldTypeName(FieldType type) {
  return fieldTypeName(static_cast<int>(type));
}
const char* fieldTypeName(int type) {
  return type >= 0 && type < 30 ? kTypeNames[type] : "?";
}

std::string Decimal::toString() const {
  // The sign is taken off the text: the most negative value has no positive counterpart.
  std::string digits = int128ToString(unscaled);
  if (unscaled < 0) digits.erase(0, 1);
  if (scale <= 0) {
    std::string s = (unscaled < 0 ? "-" : "") + digits;
    if (unscaled != 0) s.append(static_cast<std::size_t>(-scale), '0');
    return s;
  }
  if (digits.size() <= static_cast<std::size_t>(scale))
    digits.insert(0, static_cast<std::size_t>(scale) - digits.size() + 1, '0');
  digits.insert(digits.size() - static_cast<std::size_t>(scale), ".");
  return (unscaled < 0 ? "-" : "") + digits;
}

Decimal Decimal::parse(std::string_view text) {
  std::size_t i = 0;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  Decimal d;
  bool anyDigit = false, dot = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !dot) {
      dot = true;
      continue;
    }
    if (c < '0' || c > '9') throw std::invalid_argument("not a decimal number: " + std::string(text));
    anyDigit = true;
    if (d.unscaled > (std::numeric_limits<__int128>::max() - 9) / 10)
      throw std::invalid_argument("decimal number too long: " + std::string(text));
    d.unscaled = d.unscaled * 10 + (c - '0');
    if (dot) ++d.scale;
  }
  if (!anyDigit) throw std::invalid_argument("not a decimal number: " + std::string(text));
  if (neg) d.unscaled = -d.unscaled;
  return d;
}

Decimal Decimal::fromDouble(double value, int scale) {
  const Decimal exact = shortestDecimal(value);
  try {
    return exact.rescaled(scale);
  } catch (const EngineError&) {
    throw EngineError(errc::kConversion,
                      fmt::format("Liczby {} nie można zapisać jako dziesiętnej z {} miejscami po przecinku",
                                  value, scale));
  }
}

Decimal Decimal::fromDoubleAtMost(double value, int maxScale) {
  const Decimal exact = shortestDecimal(value);
  return exact.scale > maxScale ? exact.rescaled(maxScale) : exact;
}

double Decimal::toDouble() const {
  // The nearest double to the decimal's own digits, whatever the process's locale.
  if (const auto d = konw::parseDouble(toString())) return *d;
  throw EngineError(errc::kConversion,
                    "Liczby " + toString() + " nie można zapisać jako zmiennoprzecinkowej");
}

Decimal Decimal::rescaled(int newScale) const {
  Decimal r{0, newScale};
  const long long shift = static_cast<long long>(newScale) - scale;
  if (shift >= 0) {
    if (!scaleUp(unscaled, shift, r.unscaled))
      throw EngineError(errc::kConversion,
                        fmt::format("Liczba {} nie mieści się w zakresie liczb dziesiętnych "
                                    "z {} miejscami po przecinku",
                                    toString(), newScale));
    return r;
  }
  // Dropping more than 38 digits leaves zero: every magnitude is below 10^39 / 2.
  if (-shift > kMaxPow10) return r;
  const __int128 div = kPow10[static_cast<std::size_t>(-shift)];
  __int128 q = unscaled / div;
  const __int128 rem = unscaled % div, absRem = rem < 0 ? -rem : rem;
  // Half away from zero, written so that nothing is doubled past the range.
  if (absRem >= div - absRem) q += unscaled < 0 ? -1 : 1;
  r.unscaled = q;
  return r;
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
  const int sa = signOf(a.unscaled), sb = signOf(b.unscaled);
  if (sa != sb || sa == 0) return sa <=> sb;
  if (a.scale == b.scale) return a.unscaled <=> b.unscaled;
  // Same sign: the one with fewer decimals is brought to the other's scale. When that leaves the
  // 128-bit range, its magnitude is beyond anything the other one holds.
  const bool aUp = a.scale < b.scale;
  const Decimal& up = aUp ? a : b;
  const Decimal& other = aUp ? b : a;
  __int128 x = 0;
  std::strong_ordering upVsOther = std::strong_ordering::equal;
  if (scaleUp(up.unscaled, static_cast<long long>(other.scale) - up.scale, x))
    upVsOther = x <=> other.unscaled;
  else
    upVsOther = sa > 0 ? std::strong_ordering::greater : std::strong_ordering::less;
  return aUp ? upVsOther : 0 <=> upVsOther;
}

Date dateFromYmd(int year, unsigned month, unsigned day) {
  return Date{static_cast<std::int32_t>(daysFromCivil(year, month, day) + kDaysFrom1970To1899)};
}

Ymd ymdFromDate(Date date) {
  return civilFromDays(static_cast<std::int64_t>(date.day) - kDaysFrom1970To1899);
}

std::string valueToText(const Value& v) {
  struct Visitor {
    std::string operator()(Null) const { return {}; }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(std::int64_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return fmt::format("{}", d); }
    std::string operator()(const Decimal& d) const { return d.toString(); }
    std::string operator()(Date d) const { return formatDate(d); }
    std::string operator()(Time t) const { return formatTime(t.us); }
    std::string operator()(const DateTime& dt) const {
      return formatDate(dt.date) + " " + formatTime(dt.time.us);
    }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const Bytes& b) const { return b.data; }
  };
  return std::visit(Visitor{}, v);
}

std::string valueToSqlText(const Value& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "T" : "N";
  if (const auto* d = std::get_if<double>(&v)) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, *d);
    return std::string(buf, r.ptr);
  }
  if (const auto* bytes = std::get_if<Bytes>(&v)) return bytes->data;
  if (const auto* date = std::get_if<Date>(&v)) {
    Ymd y = ymdFromDate(*date);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y.year, y.month, y.day);
    return buf;
  }
  if (const auto* dt = std::get_if<DateTime>(&v)) {
    Ymd y = ymdFromDate(dt->date);
    std::int64_t us = dt->time.us;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02lld:%02lld:%02lld.%04lld", y.year, y.month, y.day,
                  static_cast<long long>(us / 3600000000), static_cast<long long>(us / 60000000 % 60),
                  static_cast<long long>(us / 1000000 % 60), static_cast<long long>(us % 1000000 / 100));
    return buf;
  }
  if (const auto* t = std::get_if<Time>(&v)) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%04lld", static_cast<long long>(t->us / 3600000000),
                  static_cast<long long>(t->us / 60000000 % 60), static_cast<long long>(t->us / 1000000 % 60),
                  static_cast<long long>(t->us % 1000000 / 100));
    return buf;
  }
  return valueToText(v);
}

std::int64_t valueToInt(const Value& v) {
  struct Visitor {
    std::int64_t operator()(Null) const { return 0; }
    std::int64_t operator()(bool b) const { return b ? 1 : 0; }
    std::int64_t operator()(std::int64_t i) const { return i; }
    std::int64_t operator()(double d) const {
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18) conversionError("liczbę całkowitą");
      return static_cast<std::int64_t>(std::llround(d));
    }
    std::int64_t operator()(const Decimal& d) const {
      const __int128 whole = d.rescaled(0).unscaled;
      if (whole < std::numeric_limits<std::int64_t>::min() ||
          whole > std::numeric_limits<std::int64_t>::max())
        conversionError("liczbę całkowitą");
      return static_cast<std::int64_t>(whole);
    }
    std::int64_t operator()(Date d) const { return d.day; }
    std::int64_t operator()(Time) const { conversionError("liczbę całkowitą"); }
    std::int64_t operator()(const DateTime& dt) const { return dt.date.day; }
    std::int64_t operator()(const std::string& s) const {
      std::size_t used = 0;
      std::int64_t r = 0;
      try {
        r = std::stoll(s, &used);
      } catch (const std::exception&) {
        conversionError("liczbę całkowitą");
      }
      if (used != s.size()) conversionError("liczbę całkowitą");
      return r;
    }
    std::int64_t operator()(const Bytes&) const { conversionError("liczbę całkowitą"); }
  };
  return std::visit(Visitor{}, v);
}

double valueToDouble(const Value& v) {
  struct Visitor {
    double operator()(Null) const { return 0; }
    double operator()(bool b) const { return b ? 1 : 0; }
    double operator()(std::int64_t i) const { return static_cast<double>(i); }
    double operator()(double d) const { return d; }
    double operator()(const Decimal& d) const { return d.toDouble(); }
    double operator()(Date d) const { return d.day; }
    double operator()(Time t) const { return static_cast<double>(t.us) / 86400e6; }
    double operator()(const DateTime& dt) const {
      return dt.date.day + static_cast<double>(dt.time.us) / 86400e6;
    }
    double operator()(const std::string& s) const {
      const auto r = konw::parseDouble(s);
      if (!r) conversionError("liczbę");
      return *r;
    }
    double operator()(const Bytes&) const { conversionError("liczbę"); }
  };
  return std::visit(Visitor{}, v);
}

bool valueToBool(const Value& v) {
  if (isNull(v)) return false;
  if (auto b = std::get_if<bool>(&v)) return *b;
  if (auto s = std::get_if<std::string>(&v)) {
    std::string u;
    for (char c : *s) u.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    if (u == "TRUE" || u == "T" || u == "1") return true;
    if (u == "FALSE" || u == "F" || u == "0" || u.empty()) return false;
    conversionError("wartość logiczną");
  }
  return valueToInt(v) != 0;
}

std::optional<bool> truthValue(const Value& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  const std::string* text = std::get_if<std::string>(&v);
  if (const auto* bytes = std::get_if<Bytes>(&v)) text = &bytes->data;
  if (text) {
    const auto from = text->find_first_not_of(" \t\r\n");
    if (from == std::string::npos) return std::nullopt;
    std::string u = text->substr(from, text->find_last_not_of(" \t\r\n") + 1 - from);
    for (char& c : u) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    if (u == "T" || u == "Y" || u == "1" || u == "TRUE") return true;
    if (u == "F" || u == "N" || u == "0" || u == "FALSE") return false;
    return std::nullopt;
  }
  if (const auto* i = std::get_if<std::int64_t>(&v)) {
    if (*i == 0 || *i == 1) return *i == 1;
  } else if (const auto* x = std::get_if<double>(&v)) {
    if (*x == 0 || *x == 1) return *x == 1;
  } else if (const auto* d = std::get_if<Decimal>(&v)) {
    if (*d == Decimal{0, 0} || *d == Decimal{1, 0}) return *d == Decimal{1, 0};
  }
  return std::nullopt;
}

}  // namespace db
