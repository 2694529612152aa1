// Firebird column types as the engine sees them, and the calendar conversions of the wire formats.
#pragma once

#include <firebird/Interface.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "db/driver.h"
#include "db/value.h"

namespace db::firebird {

// A column's type as the system tables describe it (RDB$FIELDS); message metadata is turned into
// the same shape by columnTypeFromSqlType.
struct ColumnType {
  int blrType = 0;     // RDB$FIELD_TYPE (blr_short, blr_varying, ...)
  int subType = 0;     // RDB$FIELD_SUB_TYPE: 1 NUMERIC / 2 DECIMAL for integers, 1 text for blobs
  int scale = 0;       // RDB$FIELD_SCALE, zero or negative
  int precision = 0;   // RDB$FIELD_PRECISION, 0 when unknown
  int charLength = 0;  // RDB$CHARACTER_LENGTH: declared length of text in characters
};

// The engine's view of a column: type, size and scale of the FieldDef (name and number left alone).
// NUMERIC/DECIMAL become BCD whose size is the number of decimals, as the Paradox driver reports
// BCD sizes, so that the two sides of a structure comparison speak the same unit; the scale field
// carries the same number. With BCD disabled they are Float, as the old engine did.
FieldDef mapColumnType(const ColumnType& column, bool enableBcd = true);

// Message metadata (SQL_TEXT, SQL_LONG, ...) in system-table terms. Text lengths arrive in bytes and
// become characters through `bytesPerChar` of the connection character set.
ColumnType columnTypeFromSqlType(unsigned sqlType, int subType, int scale, unsigned length,
                                 unsigned bytesPerChar);

// Day numbers: the engine counts from 1899-12-30, Firebird's ISC_DATE from 1858-11-17.
constexpr std::int32_t kIscDateOffset = 15018;
inline ISC_DATE toIscDate(Date d) {
  return d.day + kIscDateOffset;
}
inline Date fromIscDate(ISC_DATE d) {
  return Date{d - kIscDateOffset};
}
// ISC_TIME counts tenths of milliseconds.
inline ISC_TIME toIscTime(Time t) {
  return static_cast<ISC_TIME>(t.us / 100);
}
inline Time fromIscTime(ISC_TIME t) {
  return Time{static_cast<std::int64_t>(t) * 100};
}

// Parses "YYYY-MM-DD", "DD.MM.YYYY", either optionally followed by " HH:MM[:SS[.fraction]]", or a
// bare time "HH:MM[:SS[.fraction]]" (its date is day 0). Nullopt when the text is none of these.
std::optional<DateTime> parseDateTimeText(std::string_view text);

}  // namespace db::firebird
