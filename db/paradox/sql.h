// The local SQL the system sends to Paradox tables: four SELECT forms, nothing else.
#pragma once

#include <string>
#include <vector>

namespace db::paradox {

struct LocalSelect {
  enum class Kind { Star, Columns, Max, Count };
  Kind kind = Kind::Star;
  std::vector<std::string> columns;  // Columns: the field names; Max: the one field
  std::string alias;                 // Max / Count: the "as" name, "" when none
  std::string table;                 // as written, without quotes
};

// Parses SELECT * | f1, f2, ... | MAX(f) [AS a] | COUNT(*) [AS a] FROM table [;], names bare or in double
// quotes, keywords in any case. EngineError kNotSupported, naming what was not understood, otherwise.
LocalSelect parseLocalSelect(const std::string& sql);

}  // namespace db::paradox
