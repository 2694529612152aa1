// Comparing and converting engine values for the Paradox driver's in-memory ordering and editing.
#pragma once

#include <string>

#include "db/paradox/format.h"
#include "db/value.h"

namespace db::paradox {

// Orders two values: null first, numbers by value across int/double/Decimal, text by code point (or by
// case-folded code point when `caseInsensitive`). Returns <0, 0 or >0.
int compareValues(const Value& a, const Value& b, bool caseInsensitive = false);

// The value as field `f` stores it (text, double, int64, Date, Time, DateTime, bool, Decimal at the
// field's scale, Bytes); "" becomes null as Paradox cannot store an empty string. EngineError
// kConversion when it does not fit.
Value coerceToField(const FieldInfo& f, const Value& v);

// A byte string identifying the value exactly (type and content), to match rows across a rewrite.
void appendSignature(std::string& out, const Value& v);

}  // namespace db::paradox
