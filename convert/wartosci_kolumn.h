// What a Firebird column holds for a value sent into it, and how stored values are compared with sent
// ones: blanks that CHAR adds, NUMERIC at its scale, DATE without a time of day, FLOAT in single
// precision, bytes for a column of no character set. A value the column could not hold unchanged is a
// difference, whatever the server made of it.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/driver.h"
#include "db/value.h"

namespace konw {

// The value a column of this type holds for a value sent into it, in the form stored values are
// compared in (see WartoscZapisana); nullopt when the column cannot hold it unchanged (decimals beyond
// the scale, a time of day in a DATE, digits a FLOAT does not keep, text that does not convert).
std::optional<db::Value> WartoscWKolumnie(const db::Value& wyslana, const db::FieldDef& kolumna);
// A value read from a column in the form WartoscWKolumnie gives.
db::Value WartoscZapisana(const db::Value& zapisana, const db::FieldDef& kolumna);

// What a run meets when its copy sends `wyslana` into `kolumna`: the column takes it; the column keeps
// it changed (rounded, cut to a date, fewer digits: WartoscWKolumnie has no value for it, and the
// read-back names a critical difference); or the driver or the server refuses the row, which is the
// copy's error and stops the run (a null into NOT NULL, text longer than the column, a number beyond
// the integer that stores it, text that is no number or date, no truth value for a BOOLEAN, a date
// outside years 1 to 9999, a character the connection's or the column's set lacks). `odmowaTekstu`
// says what becomes of text that does not reach the column as sent (the connection's character set and
// the column's); when not given, text is not asked about.
struct Przyjecie {
  enum class Skutek { Przyjeta, Zmieniona, Odrzucona };
  Skutek skutek = Skutek::Przyjeta;
  std::string powod;  // for the operator: what the column does with the value
};
struct DrogaTekstu {
  bool odrzucony = false;  // refused; else stored changed
  std::string powod;
};
using OdmowaTekstu = std::function<std::optional<DrogaTekstu>(const std::string&, const db::FieldDef&)>;
Przyjecie PrzyjecieWKolumnie(const db::Value& wyslana, const db::FieldDef& kolumna,
                             const OdmowaTekstu& odmowaTekstu = {});

// The rules the read-back's sums and matching share.
namespace wartosci {

using Wiersz = std::vector<db::Value>;
// A sent row as its columns hold it; nullopt where a column could not hold the value sent.
using WierszKolumn = std::vector<std::optional<db::Value>>;

bool calkowita(db::FieldType t);
bool tekstowa(db::FieldType t);
// A Firebird blob column: text (Memo) or bytes (Blob).
bool blobowa(db::FieldType t);
// A column that keeps bytes in no character set (text or blob).
bool bajtowa(const db::FieldDef& k);
// The text without the blanks at its end (CHAR pads with them).
std::string_view bezSpacjiNaKoncu(std::string_view s);
std::size_t znakiUtf8(const std::string& s);
// Positive and negative zero are one value, and every NaN is one (whatever its sign and payload), so
// that equal values compare and add up alike.
double kanon(double x);
// The decimal a double sent into NUMERIC at `scale` stands for, in units of the scale, when it is the
// double nearest to a whole number of units below 10^15 (then it is the decimal of at most 15 digits
// the double stands for, and it fits the scale); nullopt otherwise.
std::optional<std::int64_t> wJednostkach(double x, int scale);
// Key values in the order Firebird sorts them; only types compared here are matched in key order.
bool kluczPorzadkowalny(db::FieldType t);
std::partial_ordering porownajWartosci(const db::Value& a, const db::Value& b);
// Whether a stored value is what the column holds for the value sent.
bool zgodne(const db::Value& wyslana, const db::Value& zapisana, const db::FieldDef& k);
// A value as a difference's line shows it; a value of a column of no character set by its bytes.
std::string opis(const db::Value& v);
std::string opis(const db::Value& v, const db::FieldDef& k);

}  // namespace wartosci
}  // namespace konw
