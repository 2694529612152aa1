// The matching of a copy's rows with the rows its table holds: pairwise in the order both hold them,
// by a merge in key order, or as multisets of row digests; every value that differs is named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/value.h"

namespace konw {

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

// "1 wiersz", "3 wiersze", "5 wierszy": the number with its noun in the form Polish gives it.
std::string Ile(std::int64_t n, const char* jeden, const char* kilka, const char* wiele);

}  // namespace konw
