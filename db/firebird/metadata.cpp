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

std::vector<std::string> userTableNames(Link& link) {
  std::vector<std::string> names;
  for (const Row& row : link.selectAll("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS "
                                       "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL "
                                       "ORDER BY RDB$RELATION_NAME",
                                       {})) {
    names.push_back(text(row[0]));
  }
  return names;
}

std::optional<std::string> resolveTableName(Link& link, const std::string& name) {
  for (const std::string& candidate : {name, upperAscii(name)}) {
    if (candidate.empty() || candidate.size() > 31 * 4) continue;
    auto rows = link.selectAll("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?",
                               {Value{candidate}});
    if (!rows.empty()) return text(rows[0][0]);
  }
  return std::nullopt;
}

std::vector<FieldDef> tableFields(Link& link, const std::string& table) {
  std::vector<FieldDef> fields;
  auto rows = link.selectAll(
      "SELECT RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, F.RDB$FIELD_SCALE, "
      "F.RDB$FIELD_PRECISION, F.RDB$CHARACTER_LENGTH, COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0), "
      "F.RDB$CHARACTER_SET_ID "
      "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
      "WHERE RF.RDB$RELATION_NAME = ? ORDER BY RF.RDB$FIELD_POSITION",
      {Value{table}});
  for (const Row& row : rows) {
    ColumnType column{integer(row[1]), integer(row[2]), integer(row[3]), integer(row[4]), integer(row[5])};
    FieldDef def = mapColumnType(column, link.enableBcd());
    def.name = text(row[0]);
    def.number = static_cast<int>(fields.size()) + 1;
    def.required = integer(row[6]) != 0;
    // NONE (0) and OCTETS (1) text, and blobs that are not text, hold bytes in no character set.
    const bool textual = def.type == FieldType::String || def.type == FieldType::Memo;
    def.binary = def.type == FieldType::Blob || (textual && !isNull(row[7]) && integer(row[7]) <= 1);
    fields.push_back(std::move(def));
  }
  return fields;
}

std::vector<IndexDef> tableIndexes(Link& link, const std::string& table) {
  auto rows = link.selectAll(
      "SELECT I.RDB$INDEX_NAME, S.RDB$FIELD_NAME, COALESCE(I.RDB$UNIQUE_FLAG, 0), COALESCE(I.RDB$INDEX_TYPE, "
      "0), "
      "C.RDB$CONSTRAINT_TYPE "
      "FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
      "LEFT JOIN RDB$RELATION_CONSTRAINTS C ON C.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
      "WHERE I.RDB$RELATION_NAME = ? "
      "ORDER BY CASE WHEN C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' THEN 0 ELSE 1 END, I.RDB$INDEX_NAME, "
      "S.RDB$FIELD_POSITION",
      {Value{table}});
  std::vector<IndexDef> indexes;
  for (const Row& row : rows) {
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

}  // namespace db::firebird
