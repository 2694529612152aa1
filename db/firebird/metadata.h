// Table structure read from the system tables. Through a server every question costs round trips, so the
// link keeps a catalog: the relations, the columns and the indexes of every table, each kind read in one
// query at its first request and answered from there on, until the link runs DDL that may change them
// (Link::forgetCatalog). Switching a trigger and setting a generator keep it: it holds neither.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/firebird/link.h"

namespace db::firebird {

struct Catalog {
  struct Relation {
    std::string name;   // as the system table gives it
    bool user = false;  // neither a system table nor a view
    bool system = false;
  };
  std::optional<std::vector<Relation>> relations;  // every relation, by name
  // Keyed by the name without trailing blanks; tables and views of the database's own (system relations are
  // read one by one when asked for).
  std::optional<std::map<std::string, std::vector<FieldDef>>> fields;
  std::optional<std::map<std::string, std::vector<IndexDef>>> indexes;
  struct TextCharset {
    std::string name;
    unsigned bytesPerChar = 1;
  };
  std::map<unsigned, TextCharset> charsets;  // never changed by DDL: kept for the connection's life
};

// The character set numbered `id` as the server names it, with its longest character in bytes; an empty
// name when the server has none of that number.
Catalog::TextCharset characterSet(Link& link, unsigned id);

// Names of the user tables (no system tables, no views), sorted.
std::vector<std::string> userTableNames(Link& link);
// The stored name of a table: `name` exactly, else upper-cased as unquoted names are stored.
std::optional<std::string> resolveTableName(Link& link, const std::string& name);
// Columns in position order, with declared lengths in characters.
std::vector<FieldDef> tableFields(Link& link, const std::string& table);
// Indexes with their segments in key order; the primary key's first.
std::vector<IndexDef> tableIndexes(Link& link, const std::string& table);

}  // namespace db::firebird
