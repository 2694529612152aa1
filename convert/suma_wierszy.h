// The rows a copy sends, added up as it sends them, and stored rows added up alike: 64-bit row digests
// over the values the columns hold, summed in 128 bits.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "convert/wartosci_kolumn.h"
#include "db/driver.h"
#include "db/value.h"

namespace db {
class Query;
}  // namespace db

namespace konw {

// The rows a copy sends, added up as it sends them: a 128-bit sum of 64-bit row digests over the values
// the columns hold for them, so that a read-back whose stored rows add up to the same (and are as many)
// needs nothing else, and only one that does not compares row by row. Nothing is kept per row but the
// digests of rows the copy may still leave out.
class SumaWierszy {
 public:
  explicit SumaWierszy(std::vector<db::FieldDef> kolumny)
      : kolumny_(std::move(kolumny)), bloby_(kolumny_.size()) {}
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
  // Of each column, the blob values sent that are not null and the longest of them, in characters (in
  // bytes for a column without a character set): what reading them back with the rows would take.
  struct Bloby {
    std::int64_t niepuste = 0;
    std::size_t najdluzszy = 0;
  };
  const std::vector<Bloby>& bloby() const { return bloby_; }

 private:
  void policzBlob(std::size_t k, const db::Value& v);
  std::vector<db::FieldDef> kolumny_;
  std::vector<Bloby> bloby_;
  std::uint64_t suma_ = 0, sumaDruga_ = 0;
  std::int64_t wierszy_ = 0;
  bool pewna_ = true;
  std::unordered_map<std::uint64_t, std::uint64_t> pomijalne_;  // digests of rows that may be left out
};

// The digests the sums and the matching by digest share.
namespace skroty {

constexpr std::uint64_t kPoczatekWiersza = 0x243f6a8885a308d3ULL;
// The digest of a row so far with one more value's digest.
std::uint64_t dolacz(std::uint64_t wiersz, std::uint64_t wartosc);
// The digest of a row of values in the form the columns hold them.
std::uint64_t skrotWiersza(const wartosci::Wiersz& w);
// The digest of a stored value in the form WartoscZapisana gives, the common cases without copies.
std::uint64_t skrotZapisanej(const db::Value& v, const db::FieldDef& k);

}  // namespace skroty
}  // namespace konw
