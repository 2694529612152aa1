#include "tools/demo/firebird_schema.h"

#include <fmt/format.h>

#include <algorithm>

#include "db/engine.h"
#include "db/firebird/driver.h"
#include "platform/text.h"

namespace konw::demo {

namespace {

std::string joinQuoted(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ",") + quoteIdentifier(n);
  return out;
}

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out;
}

bool contains(const std::vector<std::size_t>& v, std::size_t i) {
  return std::find(v.begin(), v.end(), i) != v.end();
}

// The product's wording of an entry the user renamed: users shorten the official names.
std::string productWording(const std::string& user, int size) {
  const std::string official = user + " (wg klasyfikacji)";
  if (static_cast<int>(official.size()) <= size) return official;
  // Cut at a blank, never inside a multi-byte character.
  const auto space = user.find_last_of(' ', user.size() / 2);
  return space == std::string::npos || space == 0 ? user + "." : user.substr(0, space);
}

std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

}  // namespace

std::string sqlLiteral(const db::Value& value) {
  struct Visitor {
    std::string operator()(db::Null) const { return "NULL"; }
    std::string operator()(bool b) const { return b ? "'T'" : "'N'"; }
    std::string operator()(std::int64_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return fmt::format("{}", d); }
    std::string operator()(const db::Decimal& d) const { return d.toString(); }
    std::string operator()(db::Date d) const {
      const auto ymd = db::ymdFromDate(d);
      return fmt::format("'{:04}-{:02}-{:02}'", ymd.year, ymd.month, ymd.day);
    }
    std::string operator()(db::Time t) const {
      const std::int64_t s = t.us / 1000000;
      return fmt::format("'{:02}:{:02}:{:02}'", s / 3600, s / 60 % 60, s % 60);
    }
    std::string operator()(db::DateTime dt) const {
      std::string d = (*this)(dt.date), t = (*this)(dt.time);
      return d.substr(0, d.size() - 1) + " " + t.substr(1);
    }
    std::string operator()(const std::string& s) const { return "'" + escape(s) + "'"; }
    std::string operator()(const db::Bytes& b) const { return "x'" + hex(b.data) + "'"; }
  };
  return std::visit(Visitor{}, value);
}

std::vector<db::Row> productDictionary(const DemoTable& t) {
  // Which Paradox field feeds each Firebird column.
  std::vector<int> source(t.fbColumns.size(), -1);
  for (std::size_t f = 0; f < t.tdef.fields.size(); ++f) {
    const int col = fbColumnIndex(t, fbNameOf(t, t.tdef.fields[f].name));
    if (col >= 0) source[static_cast<std::size_t>(col)] = static_cast<int>(f);
  }
  // The first text field outside the table's key and the dictionary's key carries the entry's name.
  const std::string dictKey = ";" + t.dictKey + ";";
  int nameField = -1;
  for (std::size_t f = static_cast<std::size_t>(t.tdef.keyFields); f < t.tdef.fields.size() && nameField < 0;
       ++f)
    if (t.tdef.fields[f].type == 'A' && dictKey.find(";" + t.tdef.fields[f].name + ";") == std::string::npos)
      nameField = static_cast<int>(f);

  auto convert = [&](const db::Row& in, bool changed) {
    db::Row out(t.fbColumns.size(), db::Value(db::Null{}));
    for (std::size_t c = 0; c < out.size(); ++c) {
      if (source[c] < 0) continue;
      db::Value v = in[static_cast<std::size_t>(source[c])];
      if (changed && source[c] == nameField && std::holds_alternative<std::string>(v))
        v = productWording(std::get<std::string>(v), t.tdef.fields[static_cast<std::size_t>(nameField)].size);
      out[c] = std::move(v);
    }
    return out;
  };
  std::vector<db::Row> rows;
  for (std::size_t i = 0; i < t.rows.size(); ++i)
    if (!contains(t.addedByUser, i)) rows.push_back(convert(t.rows[i], contains(t.changedByUser, i)));
  for (const auto& r : t.productOnly) rows.push_back(convert(r, false));
  return rows;
}

std::vector<std::string> schemaStatements(const std::vector<DemoTable>& tables) {
  std::vector<std::string> out;
  std::string sql;
  // Statements are collected in `sql` and cut off one by one.
  auto done = [&] {
    out.push_back(std::move(sql));
    sql.clear();
  };
  for (const auto& t : tables) {
    if (t.fb.empty()) continue;
    sql += fmt::format("CREATE TABLE {} (\n", quoteIdentifier(t.fb));
    for (std::size_t i = 0; i < t.fbColumns.size(); ++i)
      sql += fmt::format("  {} {}{}\n", quoteIdentifier(t.fbColumns[i].name), t.fbColumns[i].sql,
                         i + 1 < t.fbColumns.size() || !t.fbPrimary.empty() || !t.fbCheck.empty() ? "," : "");
    if (!t.fbPrimary.empty())
      sql += fmt::format("  CONSTRAINT {} PRIMARY KEY ({}){}\n", quoteIdentifier("PK_" + t.fb),
                         joinQuoted(t.fbPrimary), t.fbCheck.empty() ? "" : ",");
    if (!t.fbCheck.empty()) sql += "  " + t.fbCheck + "\n";
    sql += ")";
    done();
    int n = 0;
    for (const auto& idx : t.fbIndexes) {
      sql = fmt::format("CREATE INDEX {} ON {} ({})", quoteIdentifier(fmt::format("IX_{}_{}", t.fb, ++n)),
                        quoteIdentifier(t.fb), joinQuoted(idx));
      done();
    }
    if (!t.generator().empty()) {
      const std::string field = fbNameOf(t, t.autoIncField);
      sql = fmt::format("CREATE SEQUENCE {}", quoteIdentifier(t.generator()));
      done();
      sql = fmt::format(
          "CREATE TRIGGER {} FOR {} ACTIVE BEFORE INSERT POSITION 0 AS\nBEGIN\n"
          "  IF (NEW.{} IS NULL) THEN NEW.{} = GEN_ID({}, 1);\nEND",
          quoteIdentifier(t.trigger()), quoteIdentifier(t.fb), quoteIdentifier(field), quoteIdentifier(field),
          quoteIdentifier(t.generator()));
      done();
    }
  }
  // The product's own dictionary entries.
  for (const auto& t : tables) {
    if (!t.dictionary || t.fb.empty()) continue;
    const auto rows = productDictionary(t);
    std::vector<std::string> names;
    std::vector<std::size_t> used;
    for (std::size_t c = 0; c < t.fbColumns.size(); ++c) {
      bool fed = false;
      for (const auto& f : t.tdef.fields) fed = fed || fbNameOf(t, f.name) == t.fbColumns[c].name;
      if (fed) {
        names.push_back(t.fbColumns[c].name);
        used.push_back(c);
      }
    }
    std::int64_t maxId = 0;
    const int idCol = t.generator().empty() ? -1 : fbColumnIndex(t, fbNameOf(t, t.autoIncField));
    for (const auto& r : rows) {
      std::string values;
      for (std::size_t c : used) values += (values.empty() ? "" : ",") + sqlLiteral(r[c]);
      sql = fmt::format("INSERT INTO {} ({}) VALUES ({})", quoteIdentifier(t.fb), joinQuoted(names), values);
      done();
      if (idCol >= 0 && std::holds_alternative<std::int64_t>(r[static_cast<std::size_t>(idCol)]))
        maxId = std::max(maxId, std::get<std::int64_t>(r[static_cast<std::size_t>(idCol)]));
    }
    if (idCol >= 0) {
      sql = fmt::format("ALTER SEQUENCE {} RESTART WITH {}", quoteIdentifier(t.generator()), maxId);
      done();
    }
  }
  return out;
}

void createDatabase(const std::string& location, const std::vector<std::string>& statements) {
  db::firebird::ConnectOptions options;
  options.location = location;
  options.password = "palisandr";
  db::firebird::createDatabase(options, "WIN1250");

  db::registerDriver("INTRBASE", [] { return db::firebird::makeDriver(); });
  db::Session session;
  db::Database database("DBi", session);
  database.setDriverName("INTRBASE");
  for (const std::string& line : {"SERVER NAME=" + location, std::string("USER NAME=SYSDBA"),
                                  std::string("PASSWORD=palisandr"), std::string("SQLDIALECT=3")})
    database.addParam(line);
  database.connect();
  // Each statement commits as it executes, so later ones see the tables the earlier ones made.
  for (const auto& sql : statements) {
    db::Query q;
    q.setDatabase(&database);
    q.addSql(sql);
    q.execSql();
  }
  database.disconnect();
}

}  // namespace konw::demo
