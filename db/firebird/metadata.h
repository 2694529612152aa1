// Table structure read from the system tables.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/firebird/link.h"

namespace db::firebird {

// Names of the user tables (no system tables, no views), sorted.
std::vector<std::string> userTableNames(Link& link);
// The stored name of a table: `name` exactly, else upper-cased as unquoted names are stored.
std::optional<std::string> resolveTableName(Link& link, const std::string& name);
// Columns in position order, with declared lengths in characters.
std::vector<FieldDef> tableFields(Link& link, const std::string& table);
// Indexes with their segments in key order; the primary key's first.
std::vector<IndexDef> tableIndexes(Link& link, const std::string& table);

}  // namespace db::firebird
