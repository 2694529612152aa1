// The Paradox side of a table copy: the table opened once, what its reader said about it, and its files'
// size and time, noted at the opening and checked when the rows are in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "db/engine.h"

namespace konw {

class TLogKonwersji;

// The table a copy reads and what its reader repaired, skipped or doubted in it, each said once, also
// when the copy fails: the operator must know which values did not arrive as stored.
class ZrodloKopii {
 public:
  std::optional<db::Table> tabela;
  std::string plik;  // the table's file name ("DZIALY.DB"); warnings about other files are not its

  // Takes what the reader of `d` noted about this table.
  void zbierz(db::Dataset& d);
  // Says everything noted so far (`tabela`'s and `inny`'s included): doubts as errors, marked as
  // mismatches; notes (a value read as the old engine read it) as additional information.
  void zapisz(TLogKonwersji& log, db::Dataset& inny);
  // Whether the table gave less than it holds: rows it counts not reached (how many it counts), values
  // not readable.
  bool uszkodzona() const { return uszkodzona_; }
  long oczekiwane() const { return oczekiwane_; }

 private:
  std::vector<std::string> ostrzezenia_, uwagi_;
  bool uszkodzona_ = false;
  long oczekiwane_ = -1;
};

// The files of a Paradox table (its .DB and .MB, found ignoring case) with their size and modification
// time, noted when the copy opens the table and compared when its rows are in: a table that another
// program changed meanwhile was read half old, half new.
struct PlikTabeli {
  std::filesystem::path sciezka;
  std::uintmax_t rozmiar = 0;
  std::filesystem::file_time_type czas;
  bool operator==(const PlikTabeli&) const = default;
};

std::vector<PlikTabeli> PlikiTabeli(const std::string& katalog, const std::string& tabela);
// Raises the copy's error when the table's files are not as they were when it was opened.
void SprawdzPlikiTabeli(const std::vector<PlikTabeli>& przed, const std::string& katalog,
                        const std::string& tabela);

}  // namespace konw
