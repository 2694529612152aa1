// Verification of a copied table: the Firebird table is read back and compared with the Paradox rows as
// the copy sent them (value rules in wartosci_kolumn.h, sums in suma_wierszy.h, matching in
// porownanie_wierszy.h), and read once more after the run's last commit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/porownanie_wierszy.h"
#include "convert/suma_wierszy.h"
#include "convert/wartosci_kolumn.h"
#include "db/driver.h"
#include "db/value.h"

namespace db {
class Database;
class Query;
class Table;
}  // namespace db

namespace konw {

class TPrzebieg;

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
  // The same read with short blob values as text: the query, and the position of each column's text
  // (-1 where it has none). Empty where every blob is read as a blob.
  std::string sqlKrotkie;
  std::vector<int> krotkie;
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
