// The comparison of a dictionary's entries in Paradox with its entries in Firebird
// (TPrzebieg::PorownajZawartoscTabeliSlownikow in slownik.cpp) and the key helpers it uses.
#pragma once

#include <string>
#include <vector>

#include "db/value.h"

namespace db {
class Dataset;
}

namespace konw {

class TPrzebieg;

// The key of one dictionary entry: the values of the key fields in the order of the field list
// (one value for a list of one name). Empty when no key has been read yet.
using KluczSlownika = std::vector<db::Value>;

enum class StronaSlownika { Paradox, Firebird };

// Reads the key of the dataset's current entry through the current ListaTabel row's field list of that
// side (KLUCZ_SLOWNIKA or KLUCZ_SLOWNIKA_IB). On failure writes the log lines, the error block and the
// error report, leaves `klucz` unchanged and returns false; never throws.
bool WstawWartosciZTabeli(TPrzebieg& przebieg, db::Dataset& dataset, StronaSlownika strona,
                          KluczSlownika& klucz);

// A single value as text (null: empty text); several values each followed by ";".
std::string KluczNaTekst(const KluczSlownika& klucz);

// "T" for true, "N" for false.
inline std::string WartoscTN(bool b) {
  return b ? "T" : "N";
}

// Whether a field of a Paradox entry equals the field of the same position in the Firebird entry:
// texts character for character, logicals as their "T"/"N" text, numbers and dates by value (a date as
// its day number), a text against a number or a date read as a number. db::EngineError when the text
// cannot be read so, or for binary data against a number.
bool RowneWartosciSlownika(const db::Value& paradox, const db::Value& firebird);

}  // namespace konw
