// The copy of one table from Paradox into Firebird (TfrmConvert::Convert in kopia.cpp) and the
// pieces of it that stand on their own.
#pragma once

#include <cstddef>
#include <string>

#include "db/value.h"

namespace konw {

// The value a primary-key column receives in place of a null, by the Paradox source field's type:
// " " for text, 0 for numbers, dates and times, false for logicals, null for anything else.
db::Value WartoscPolaKlucza(db::FieldType type);

// The first `count` characters of UTF-8 text (whole characters, never a part of one).
std::string PierwszeZnaki(const std::string& text, std::size_t count);

}  // namespace konw
