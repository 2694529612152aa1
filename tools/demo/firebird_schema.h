// The Firebird side of the demo: the schema script and the database it is run into.
#pragma once

#include <filesystem>
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

// The whole script after CREATE DATABASE: tables, keys, indexes, generators, triggers, dictionary rows.
std::string schemaScript(const std::vector<DemoTable>& tables);

// Creates the database `location` (a host path, or HOST:/path through a server) and runs the schema
// script in it with isql-fb. `scriptFile` is a scratch file the caller owns. Throws std::runtime_error.
void createDatabase(const std::string& location, const std::string& script, const std::filesystem::path& scriptFile);

}  // namespace konw::demo
