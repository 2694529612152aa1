// konwersja-cli dump: prints a Paradox table in the canonical JSON dump form.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/paradox/dump.h"
#include "tools/cli/commands.h"

namespace {

int runDump(const std::string& file, int codePage) {
  // The dump is built in memory first so that a damaged table prints nothing but the error.
  std::ostringstream out;
  std::vector<std::string> warnings;
  std::string codePageNote;
  try {
    db::paradox::dumpTable(file, codePage, out, warnings, &codePageNote);
  } catch (const db::EngineError& e) {
    std::fprintf(stderr, "dump: %s\n", e.what());
    return 1;
  }
  // Standard output stays the canonical dump; what the reader decided or doubted goes beside it.
  std::fprintf(stderr, "dump: strona kodowa %s\n", codePageNote.c_str());
  for (const auto& w : warnings) std::fprintf(stderr, "dump: ostrzeżenie: %s\n", w.c_str());
  std::cout << out.str();
  std::cout.flush();
  return std::cout ? 0 : 1;
}

std::function<int()> defineDump(CLI::App& sub) {
  auto file = std::make_shared<std::string>();
  auto codePage = std::make_shared<int>(0);
  sub.add_option("TABLE.DB", *file, "the Paradox table")->required();
  sub.add_option("--codepage", *codePage, "read text in this code page instead of the header's")
      ->check(CLI::PositiveNumber);
  return [file, codePage] { return runDump(*file, *codePage); };
}

}  // namespace

konw::cli::Command konw::cli::dumpCommand() {
  return {"dump", "print a Paradox table as JSON (header, fields, indexes, rows)", defineDump};
}
