// Verification of a copied table: the Firebird table is read back and compared with the Paradox rows as
// the copy sent them, value by value, with the rules of each target column's type (blanks that CHAR adds,
// NUMERIC at its scale, DATE without a time of day, FLOAT in single precision). A value the column could
// not hold unchanged is a difference, whatever the server made of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/driver.h"
#include "db/value.h"

namespace db {
class Database;
class Query;
class Table;
}  // namespace db

namespace konw {

class TPrzebieg;

// The value a column of this type holds for a value sent into it, in the form stored values are
// compared in (see WartoscZapisana); nullopt when the column cannot hold it unchanged (decimals beyond
// the scale, a time of day in a DATE, digits a FLOAT does not keep, text that does not convert).
std::optional<db::Value> WartoscWKolumnie(const db::Value& wyslana, const db::FieldDef& kolumna);
// A value read from a column in the form WartoscWKolumnie gives.
db::Value WartoscZapisana(const db::Value& zapisana, const db::FieldDef& kolumna);

// One side of the comparison: rows read again from the first after `odPoczatku`. The stored side
// comes in key order after odPoczatku(true), otherwise in the order it holds them (the sent side has
// one order only).
struct StronaWeryfikacji {
  std::function<void(bool wgKlucza)> odPoczatku;
  // The next row's values (one per column); `rekord` its number from 1 on the Paradox side;
  // `pomijalny` whether the copy may have left it out. False past the last row.
  std::function<bool(std::vector<db::Value>& wiersz, std::int64_t& rekord, bool& pomijalny)> nastepny;
};

struct WynikWeryfikacji {
  std::int64_t wyslanych = 0;   // rows the copy sent
  std::int64_t zapisanych = 0;  // rows read from the Firebird table
  std::int64_t roznic = 0;      // differing values, missing and surplus rows
  // How the rows were matched: pairwise in the order both sides hold them (all of them equal), by a
  // merge in key order, or by row digests.
  enum class Sposob { Kolejno, WgKlucza, Odciski } sposob = Sposob::Kolejno;
  bool przerwana = false;          // stopped by a break request
  std::vector<std::string> linie;  // the first differences, one line each, then the count of the rest
};

// Differences reported by line; the rest are counted.
constexpr std::size_t kLimitRoznic = 20;

// Compares the sent rows with the stored ones. `klucz`: positions of the target's primary-key columns
// (empty when it has none). First the rows are paired in the order both sides hold them, which is the
// order the copy inserted them in a table filled in one go: when every pair is equal, that is all.
// Otherwise the sent rows are merged with the stored ones in key order while their keys ascend, else
// matched as a multiset of 64-bit row digests.
// `etykieta` names the table in the lines; `przerwac` is asked now and then whether to stop.
WynikWeryfikacji PorownajWiersze(const std::vector<std::string>& nazwy,
                                 const std::vector<db::FieldDef>& kolumny, const std::vector<int>& klucz,
                                 StronaWeryfikacji& wyslane, StronaWeryfikacji& zapisane,
                                 const std::string& etykieta, const std::function<bool()>& przerwac = {});

// The rows a copy sends, added up as it sends them: a 128-bit sum of 64-bit row digests over the values
// the columns hold for them, so that a read-back whose stored rows add up to the same (and are as many)
// needs nothing else, and only one that does not compares row by row. Nothing is kept per row but the
// digests of rows the copy may still leave out.
class SumaWierszy {
 public:
  explicit SumaWierszy(std::vector<db::FieldDef> kolumny) : kolumny_(std::move(kolumny)) {}
  // The row bound in `insert`'s parameters (one per column, in order) goes out as row `numer`;
  // `pomijalny`: the copy may yet leave it out (wycofaj).
  void dodaj(db::Query& insert, std::uint64_t numer, bool pomijalny);
  // The row `numer`, which could be left out, was.
  void wycofaj(std::uint64_t numer);
  // The digest of a stored row (one value per column), as dodaj counts a sent one.
  std::uint64_t skrotZapisanego(const std::vector<db::Value>& wiersz) const;
  static std::uint64_t drugi(std::uint64_t skrot);

  const std::vector<db::FieldDef>& kolumny() const { return kolumny_; }
  // False when a value sent is not one its column can hold: the rows then differ for certain.
  bool pewna() const { return pewna_; }
  std::int64_t wierszy() const { return wierszy_; }
  std::uint64_t suma() const { return suma_; }
  std::uint64_t sumaDruga() const { return sumaDruga_; }

 private:
  std::vector<db::FieldDef> kolumny_;
  std::uint64_t suma_ = 0, sumaDruga_ = 0;
  std::int64_t wierszy_ = 0;
  bool pewna_ = true;
  std::unordered_map<std::uint64_t, std::uint64_t> pomijalne_;  // digests of rows that may be left out
};

// The sum a copy into `tabelaIb` through `insert` gathers, with the columns read back after it; nullopt
// when the run does not read tables back or the columns cannot be described (the read-back then
// compares row by row).
std::optional<SumaWierszy> PrzygotujSume(TPrzebieg& przebieg, db::Query& insert, const std::string& tabelaIb);

// A copied table as the read-back found it: the query that reads its columns, how many rows it held and
// their digests added up. The check after the run's last commit reads it again and compares, so that a
// change made after the read-back (a trigger of a table copied later, one run at commit) is seen.
struct StanZapisanej {
  std::string etykieta, tabelaIb, sql;
  std::vector<db::FieldDef> kolumny;
  std::int64_t wierszy = 0;
  std::uint64_t suma = 0, sumaDruga = 0;
  bool zgodna = false;                   // the read-back found exactly the values sent
  std::size_t wynik = SIZE_MAX;          // the table's entry in the run's outcomes (TPrzebieg::tabele)
  std::optional<std::int64_t> zakladka;  // the table's ListaTabel row, to compare it again value by value
  // What a comparison with the Paradox rows found: the differing values and their lines.
  std::int64_t roznic = 0;
  std::vector<std::string> linie;
};

// A copy whose every value is one its column holds (`suma` is certain) needs no read-back of its own: the
// table it leaves must add up to what it sent, which the check after the run's last commit reads once.
// The state that check compares with.
StanZapisanej StanWyslanych(TPrzebieg& przebieg, const SumaWierszy& suma, db::Query& insert,
                            const std::string& tabelaIb);

// Reads the Firebird table `tabelaIb` back after a copy through `insert` and logs what differs in the
// run's log: each difference in the errors and critical-errors categories, marked as a critical
// mismatch. A clean table is said only by the check after the run's last commit (SprawdzPoZakonczeniu),
// which is when it is known to have stayed so. `ustawWiersz` binds the current row of `zrodlo` into the
// INSERT's parameters exactly as the copy does; `pomijalny` (optional) tells whether the copy may have
// left the current row out. `poZakonczeniu`: the comparison of a table that changed after its copy
// (nothing is recorded, the lines say so).
// Returns the table as read when it was read to its end (nullopt when it was not read, or not to the end:
// a break, an error).
std::optional<StanZapisanej> WeryfikujKopie(TPrzebieg& przebieg, db::Table& zrodlo, db::Query& insert,
                                            const std::string& tabelaIb,
                                            const std::function<void()>& ustawWiersz,
                                            const std::function<bool()>& pomijalny = {},
                                            bool poZakonczeniu = false);

// The rows of the table `wzor` describes, read now through `baza` and added up as the read-back adds them
// (`pompuj` is called now and then); EngineError when it cannot be read.
StanZapisanej OdczytajStan(db::Database& baza, const StanZapisanej& wzor,
                           const std::function<void()>& pompuj = {});
// Whether two readings of a table found the same rows.
bool TakiSam(const StanZapisanej& a, const StanZapisanej& b);

// The check after the run's last commit: every table the run copied and read back is read once more and
// its rows added up as the read-back did. A table that holds other rows now is named in the general,
// errors and critical-errors categories ("zmieniona po skopiowaniu"), marked as a critical mismatch, and
// `porownajPonownie` (when given) names its values; a table that stayed as the read-back found it clean
// gets its line of additional information. The tables checked are forgotten.
void SprawdzPoZakonczeniu(
    TPrzebieg& przebieg,
    const std::function<std::optional<StanZapisanej>(const StanZapisanej&)>& porownajPonownie = {});

}  // namespace konw
