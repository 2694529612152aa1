// The demo installation: a complete, realistic set-up of the product for one budget unit, created
// from nothing under one directory (a Wine prefix, the product's INI, Paradox data, control tables,
// the Firebird databases).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/demo/tables.h"

namespace konw::demo {

struct Options {
  std::filesystem::path dir;
  std::int64_t rows = 2000;  // rows of the plan and execution tables together
  std::string server;        // "" = the embedded engine; else the Firebird server's host name
  bool force = false;        // replace what an earlier demo left in dir
  bool firebird = true;      // false: leave the Firebird databases out (tests of the Paradox side)
};

struct Summary {
  int paradoxTables = 0;
  std::int64_t paradoxRows = 0;
  int firebirdTables = 0;
  std::vector<std::string> databases;  // GDBPath values, per edition
};

// Creates the installation. Refuses (std::runtime_error) a non-empty dir unless force; never writes
// outside dir; writes dir/.complete last.
Summary createDemo(const Options& options);

// The control tables of KONWERSJA for a catalogue, written into `directory`.
void writeControlTables(const std::filesystem::path& directory, const std::vector<DemoTable>& tables);

// The Paradox tables of a catalogue, written below `dataDir` (subdirectories BUFOR, BUFOR/JO).
// Consumes the rows. Returns the number of rows written.
std::int64_t writeParadoxTables(const std::filesystem::path& dataDir, std::vector<DemoTable>& tables);

}  // namespace konw::demo
