// The canonical JSON dump of a Paradox table: header facts, fields, indexes and every row.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace db::paradox {

// Writes the dump of `dbFile` to `out` (see the samples' README for the form). `codePage` overrides the
// table's (0 = the header's, else its language driver's, else 1250). Problems that did not stop reading
// go to `warnings`, one line each; the code page used and why to `codePageNote` when given.
// EngineError when the table or one of its index files is damaged or missing.
void dumpTable(const std::filesystem::path& dbFile, int codePage, std::ostream& out,
               std::vector<std::string>& warnings, std::string* codePageNote = nullptr);

// A double as the shortest text that reads back the same, in the form "40.0", "0.1", "1e+16", "1.5e-05".
std::string shortestDouble(double v);

}  // namespace db::paradox
