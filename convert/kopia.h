// The copy of one table from Paradox into Firebird (TfrmConvert::Convert in kopia.cpp) and the
// replacement of a null in a key column that it uses.
#pragma once

#include "db/value.h"

namespace konw {

// The value a primary-key column receives in place of a null, by the Paradox source field's type:
// " " for text, 0 for numbers, dates and times, false for logicals, null for anything else.
db::Value WartoscPolaKlucza(db::FieldType type);

}  // namespace konw
