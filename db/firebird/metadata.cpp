#include "db/firebird/metadata.h"

#include "db/engine.h"
#include "db/firebird/types.h"

namespace db::firebird {

namespace {

std::string text(const Value& v) {
  return isNull(v) ? std::string() : valueToText(v);
}
int integer(const Value& v) {
  return isNull(v) ? 0 : static_cast<int>(valueToInt(v));
}

}  // namespace

namespace {

std::string bezSpacji(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

const std::vector<Catalog::Relation>& relations(Link& link) {
  Catalog& c = link.catalog();
  if (!c.relations) {
    std::vector<Catalog::Relation> all;
    for (const Row& row :
         link.selectAll("SELECT RDB$RELATION_NAME, COALESCE(RDB$SYSTEM_FLAG, 0), "
                        "CASE WHEN RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END FROM RDB$RELATIONS "
                        "ORDER BY RDB$RELATION_NAME",
                        {})) {
      const bool system = integer(row[1]) != 0;
      all.push_back({text(row[0]), !system && integer(row[2]) == 0, system});
    }
    c.relations = std::move(all);
  }
  return *c.relations;
}

constexpr const char* kFields =
    "SELECT RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, F.RDB$FIELD_SCALE, "
    "F.RDB$FIELD_PRECISION, F.RDB$CHARACTER_LENGTH, COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0), "
    "F.RDB$CHARACTER_SET_ID, RF.RDB$RELATION_NAME, CASE WHEN F.RDB$COMPUTED_BLR IS NULL THEN 0 ELSE 1 END "
    "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE ";

constexpr const char* kIndexes =
    "SELECT I.RDB$INDEX_NAME, S.RDB$FIELD_NAME, COALESCE(I.RDB$UNIQUE_FLAG, 0), COALESCE(I.RDB$INDEX_TYPE, "
    "0), "
    "C.RDB$CONSTRAINT_TYPE, I.RDB$RELATION_NAME "
    "FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
    "LEFT JOIN RDB$RELATION_CONSTRAINTS C ON C.RDB$INDEX_NAME = I.RDB$INDEX_NAME ";

// The tables and views not of the system's own, whose definitions the catalog keeps.
constexpr const char* kOwnRelations =
    "(SELECT R.RDB$RELATION_NAME FROM RDB$RELATIONS R WHERE COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0)";

// Rows of kFields (one relation, in position order) as the relation's fields.
std::vector<FieldDef> fieldsOf(Link& link, std::vector<Row>::const_iterator from,
                               std::vector<Row>::const_iterator to) {
  std::vector<FieldDef> fields;
  for (; from != to; ++from) {
    const Row& row = *from;
    ColumnType column{integer(row[1]), integer(row[2]), integer(row[3]), integer(row[4]), integer(row[5])};
    FieldDef def = mapColumnType(column, link.enableBcd());
    def.name = text(row[0]);
    def.number = static_cast<int>(fields.size()) + 1;
    def.required = integer(row[6]) != 0;
    def.computed = integer(row[9]) != 0;
    // NONE (0) and OCTETS (1) text, and blobs that are not text, hold bytes in no character set.
    const bool textual = def.type == FieldType::String || def.type == FieldType::Memo;
    def.binary = def.type == FieldType::Blob || (textual && !isNull(row[7]) && integer(row[7]) <= 1);
    if (textual && !def.binary && !isNull(row[7])) def.charset = characterSet(link, integer(row[7])).name;
    fields.push_back(std::move(def));
  }
  return fields;
}

// Rows of kIndexes (one relation, primary key first, then by name and segment) as its indexes.
std::vector<IndexDef> indexesOf(std::vector<Row>::const_iterator from, std::vector<Row>::const_iterator to) {
  std::vector<IndexDef> indexes;
  for (; from != to; ++from) {
    const Row& row = *from;
    std::string name = text(row[0]);
    if (indexes.empty() || indexes.back().name != name) {
      IndexDef def;
      def.name = name;
      def.primary = text(row[4]) == "PRIMARY KEY";
      def.unique = def.primary || integer(row[2]) != 0;
      def.descending = integer(row[3]) == 1;
      indexes.push_back(std::move(def));
    } else {
      indexes.back().fields += ';';
    }
    indexes.back().fields += text(row[1]);
  }
  return indexes;
}

// Calls `part(name, from, to)` for the rows of each relation, the rows ordered by the relation named in
// `column`.
template <typename Part>
void eachRelation(const std::vector<Row>& rows, std::size_t column, Part part) {
  for (auto from = rows.begin(); from != rows.end();) {
    const std::string name = bezSpacji(text((*from)[column]));
    auto to = from;
    while (to != rows.end() && bezSpacji(text((*to)[column])) == name) ++to;
    part(name, from, to);
    from = to;
  }
}

bool own(Link& link, const std::string& table) {
  for (const Catalog::Relation& r : relations(link))
    if (bezSpacji(r.name) == bezSpacji(table)) return !r.system;
  return false;
}

}  // namespace

std::vector<std::string> userTableNames(Link& link) {
  std::vector<std::string> names;
  for (const Catalog::Relation& r : relations(link))
    if (r.user) names.push_back(r.name);
  return names;
}

std::optional<std::string> resolveTableName(Link& link, const std::string& name) {
  for (const std::string& candidate : {name, upperAscii(name)}) {
    if (candidate.empty() || candidate.size() > 31 * 4) continue;
    // Names compare as CHAR values do: trailing blanks do not count.
    for (const Catalog::Relation& r : relations(link))
      if (bezSpacji(r.name) == bezSpacji(candidate)) return r.name;
  }
  return std::nullopt;
}

std::vector<FieldDef> tableFields(Link& link, const std::string& table) {
  if (!own(link, table)) {
    auto rows =
        link.selectAll(std::string(kFields) + "WHERE RF.RDB$RELATION_NAME = ? ORDER BY RF.RDB$FIELD_POSITION",
                       {Value{table}});
    return fieldsOf(link, rows.begin(), rows.end());
  }
  Catalog& c = link.catalog();
  if (!c.fields) {
    auto rows = link.selectAll(std::string(kFields) + "WHERE RF.RDB$RELATION_NAME IN " + kOwnRelations +
                                   " ORDER BY RF.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION",
                               {});
    std::map<std::string, std::vector<FieldDef>> all;
    eachRelation(rows, 8,
                 [&](const std::string& name, auto from, auto to) { all[name] = fieldsOf(link, from, to); });
    c.fields = std::move(all);
  }
  auto found = c.fields->find(bezSpacji(table));
  return found == c.fields->end() ? std::vector<FieldDef>{} : found->second;
}

std::vector<IndexDef> tableIndexes(Link& link, const std::string& table) {
  const std::string order =
      "CASE WHEN C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' THEN 0 ELSE 1 END, I.RDB$INDEX_NAME, "
      "S.RDB$FIELD_POSITION";
  if (!own(link, table)) {
    auto rows = link.selectAll(std::string(kIndexes) + "WHERE I.RDB$RELATION_NAME = ? ORDER BY " + order,
                               {Value{table}});
    return indexesOf(rows.begin(), rows.end());
  }
  Catalog& c = link.catalog();
  if (!c.indexes) {
    auto rows = link.selectAll(std::string(kIndexes) + "WHERE I.RDB$RELATION_NAME IN " + kOwnRelations +
                                   " ORDER BY I.RDB$RELATION_NAME, " + order,
                               {});
    std::map<std::string, std::vector<IndexDef>> all;
    eachRelation(rows, 5,
                 [&](const std::string& name, auto from, auto to) { all[name] = indexesOf(from, to); });
    c.indexes = std::move(all);
  }
  auto found = c.indexes->find(bezSpacji(table));
  return found == c.indexes->end() ? std::vector<IndexDef>{} : found->second;
}

Catalog::TextCharset characterSet(Link& link, unsigned id) {
  Catalog& c = link.catalog();
  auto found = c.charsets.find(id);
  if (found != c.charsets.end()) return found->second;
  Catalog::TextCharset charset;
  std::vector<Row> rows = link.selectAll(
      "SELECT TRIM(RDB$CHARACTER_SET_NAME), RDB$BYTES_PER_CHARACTER FROM RDB$CHARACTER_SETS "
      "WHERE RDB$CHARACTER_SET_ID = ?",
      {std::int64_t{id}});
  if (!rows.empty() && rows[0].size() == 2 && !isNull(rows[0][0]) && !isNull(rows[0][1])) {
    charset.name = valueToText(rows[0][0]);
    charset.bytesPerChar = static_cast<unsigned>(valueToInt(rows[0][1]));
  }
  return c.charsets[id] = charset;
}

}  // namespace db::firebird
