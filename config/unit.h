// The budget unit's identification (Params.DB) and the Paradox data version (Conf).
#pragma once

#include <optional>
#include <string>

namespace db {
class Query;
class Table;
}  // namespace db

namespace konw {

struct DaneJednostki {
  std::string NAZWA, Wojewodztwo, Powiat, Gmina, TypGminy, WK, PK, GK, GT;
  // Which lines the unit's kind (TYPJST's first letter) shows: G commune, M town, P county,
  // W voivodeship, Z union of units; another or no kind shows none of them.
  bool woj = false, pow = false, gm = false, zwiazek = false;
  // The GUS code: WK + PK + GK + GT.
  std::string KodGUS() const { return WK + PK + GK + GT; }
};

// Reads the unit from the open table Params.DB (an empty table gives an empty unit); checks, once, that
// the table has the fields and types the product writes. db::EngineError when it has not.
DaneJednostki CzytajDaneJednostki(db::Table& params);

// The data version: ParStr of the Conf row WerPl; none when Conf has no such row. Reads through
// `qryParadox`, which stays open.
std::optional<std::string> OdczytajWersjeDanych(db::Query& qryParadox);

enum class OcenaWersji {
  Wystarczajaca,  // 3.65 or later
  ZaStara,        // a version number below 3.65
  Nieprawidlowa,  // no WerPl row, or a text that is not digits, a dot and digits
};

// Judges the data version. Blanks around the number are ignored. Numbers compare as decimal numbers
// (3.7 is 3.70, above 3.65; 10.00 is above 3.65; 3.100 is below it).
OcenaWersji OcenWersjeDanych(const std::optional<std::string>& wersja);

// What was found where a version number should be: the text in quotes, or that the row or the text is
// missing.
std::string CoZamiastWersji(const std::optional<std::string>& wersja);

// What the window shows after "Numer wersji danych w formacie Paradox: ": the text read when it is a
// version number, else what was found and that it is no valid number ("abc" (nieprawidłowy)).
std::string OpisWersjiDanych(const std::optional<std::string>& wersja);

}  // namespace konw
