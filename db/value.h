// Values that cross the engine interface: typed, with null kept distinct.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace db {

// The engine's 30 field data types, in the engine's own order (the numbers are stable).
enum class FieldType : std::uint8_t {
  Unknown = 0,
  String,
  Smallint,
  Integer,
  Word,
  Boolean,
  Float,
  Currency,
  BCD,
  Date,
  Time,
  DateTime,
  Bytes,
  VarBytes,
  AutoInc,
  Blob,
  Memo,
  Graphic,
  FmtMemo,
  ParadoxOle,
  DBaseOle,
  TypedBinary,
  Cursor,
  FixedChar,
  WideString,
  LargeInt,
  ADT,
  Array,
  Reference,
  DataSet
};

// "Unknown" .. "DataSet"; "?" for a value outside the enumeration.
const char* fieldTypeName(FieldType type);
const char* fieldTypeName(int type);

struct Null {
  friend bool operator==(Null, Null) { return true; }
};

// Exact decimal: unscaled * 10^-scale. Holds 38 digits, enough for any Paradox BCD and Firebird NUMERIC.
// A negative scale counts trailing zeros of a whole number (1e30 is {1, -30}).
// Every operation that would leave the 128-bit range throws EngineError (errc::kConversion);
// comparisons never throw and are exact whatever the scales.
struct Decimal {
  __int128 unscaled = 0;
  int scale = 0;

  // Plain decimal text with exactly `scale` decimals ("-12.50"); no exponent.
  std::string toString() const;
  // Parses "[-+]digits[.digits]"; throws std::invalid_argument on anything else or on overflow.
  static Decimal parse(std::string_view text);
  // Nearest decimal with the given number of decimals (half away from zero); EngineError when the
  // value is not finite or does not fit at that scale.
  static Decimal fromDouble(double value, int scale);
  // The decimal the value was written as (its shortest round-trip text), rounded to `maxScale`
  // decimals when it has more; never scaled up, so any finite value fits. EngineError when not finite.
  static Decimal fromDoubleAtMost(double value, int maxScale);
  double toDouble() const;
  // Same value with another scale; rounding half away from zero when decimals are dropped.
  // EngineError when the value does not fit at the new scale.
  Decimal rescaled(int newScale) const;
  // By value: 1.50 == 1.5, and 10^30 > 1 whatever the scales.
  friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);
  friend bool operator==(const Decimal& a, const Decimal& b) { return (a <=> b) == 0; }
};

// Calendar day: days since 1899-12-30 (day 0), proleptic Gregorian. Day 1 of year 1 is -693593.
struct Date {
  std::int32_t day = 0;
  friend auto operator<=>(const Date&, const Date&) = default;
};
// Time of day in microseconds since midnight.
struct Time {
  std::int64_t us = 0;
  friend auto operator<=>(const Time&, const Time&) = default;
};
struct DateTime {
  Date date;
  Time time;
  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};
// Binary data (blobs, graphics, Bytes fields), exactly as stored.
struct Bytes {
  std::string data;
  friend bool operator==(const Bytes&, const Bytes&) = default;
};

// Text is UTF-8. Integers of every width travel as int64; Float and Currency as double.
using Value =
    std::variant<Null, bool, std::int64_t, double, Decimal, Date, Time, DateTime, std::string, Bytes>;

inline bool isNull(const Value& v) {
  return std::holds_alternative<Null>(v);
}

// Calendar helpers shared by the drivers.
struct Ymd {
  int year;
  unsigned month;
  unsigned day;
};
Date dateFromYmd(int year, unsigned month, unsigned day);
Ymd ymdFromDate(Date date);

// Conversions used by Field's accessors. Each throws EngineError when the value cannot be converted.
std::string valueToText(const Value& v);  // null -> ""
// The text a value becomes in a text column: "T"/"N" for booleans, the shortest exact form of a double,
// ISO dates and times to a tenth of a millisecond, bytes as they are; otherwise valueToText.
std::string valueToSqlText(const Value& v);
std::int64_t valueToInt(const Value& v);  // null -> 0
double valueToDouble(const Value& v);     // null -> 0
bool valueToBool(const Value& v);         // null -> false
// The truth value a BOOLEAN column takes for `v`: a bool; text T/F, Y/N, 1/0, TRUE/FALSE (any case, blanks
// around it ignored); a number 1 or 0. Nullopt for anything else ("Tak", 2, a date), which has none.
std::optional<bool> truthValue(const Value& v);

}  // namespace db
