// The Firebird side of the demo: the schema script and the database it is run into.
#pragma once

#include <string>
#include <vector>

#include "tools/demo/tables.h"

namespace konw::demo {

// A SQL literal for a value in a Firebird column of the given SQL type ('T'/'N' for logical values).
std::string sqlLiteral(const db::Value& value);

// The dictionary as the product ships it in Firebird: the user's entries minus those the user added,
// with the product's wording where the user changed it, plus the entries the user removed.
// Each row holds one value per Firebird column (columns without a Paradox counterpart are null).
std::vector<db::Row> productDictionary(const DemoTable& t);

// The statements that build the schema: tables, keys, indexes, generators, triggers, dictionary rows.
std::vector<std::string> schemaStatements(const std::vector<DemoTable>& tables);

// Creates the database `location` (a host path, or HOST:/path through a server; charset WIN1250,
// dialect 3) and runs the statements in it. Throws db::EngineError.
void createDatabase(const std::string& location, const std::vector<std::string>& statements);

}  // namespace konw::demo
