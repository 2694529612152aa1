// konwersja-cli dump: prints a Paradox table in the canonical JSON dump form.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/paradox/dump.h"
#include "tools/cli/commands.h"

namespace {

int runDump(const std::vector<std::string>& args) {
  std::string file;
  int codePage = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--codepage") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "dump: --codepage needs a number\n");
        return 2;
      }
      try {
        std::size_t used = 0;
        codePage = std::stoi(args[++i], &used);
        if (used != args[i].size() || codePage <= 0) throw std::invalid_argument("code page");
      } catch (const std::exception&) {
        std::fprintf(stderr, "dump: bad code page '%s'\n", args[i].c_str());
        return 2;
      }
    } else if (file.empty()) {
      file = args[i];
    } else {
      std::fprintf(stderr, "usage: konwersja-cli dump TABLE.DB [--codepage N]\n");
      return 2;
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: konwersja-cli dump TABLE.DB [--codepage N]\n");
    return 2;
  }
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

const bool registered =
    konw::cli::registerCommand({"dump", "dump TABLE.DB [--codepage N]",
                                "print a Paradox table as JSON (header, fields, indexes, rows)", runDump});

}  // namespace
