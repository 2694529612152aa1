// The budget unit's identification (Params.DB) and the Paradox data version (Conf).
#pragma once

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

// The data version: ParStr of the Conf row WerPl (of the first row when none is), empty for an empty
// Conf. Reads through `qryParadox`, which stays open.
std::string OdczytajWersjeDanych(db::Query& qryParadox);

// Whether data of this version can be converted (3.65 or later, compared as text as the product does).
bool WersjaWystarczajaca(const std::string& wersja);

}  // namespace konw
