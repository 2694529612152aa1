#include "db/paradox/driver.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <utility>

#include "db/engine.h"
#include "db/error.h"
#include "db/paradox/cursor.h"
#include "db/paradox/sql.h"
#include "db/paradox/values.h"
#include "platform/hostpath.h"

namespace db::paradox {

namespace {

bool endsWithDb(const std::string& name) {
  return name.size() > 3 && equalsIgnoreCase(name.substr(name.size() - 3), ".db");
}

// Rows computed once (aggregates), with the warnings of the table read to compute them.
class MemoryCursor final : public CursorImpl {
 public:
  MemoryCursor(std::vector<FieldDef> fields, std::vector<Row> rows, std::vector<ReadWarning> warnings)
      : fields_(std::move(fields)), rows_(std::move(rows)), warnings_(std::move(warnings)) {}
  const std::vector<FieldDef>& fields() const override { return fields_; }
  bool read(std::int64_t pos, Row& out) override {
    if (pos < 0 || static_cast<std::size_t>(pos) >= rows_.size()) return false;
    out = rows_[static_cast<std::size_t>(pos)];
    return true;
  }
  std::int64_t count() override { return static_cast<std::int64_t>(rows_.size()); }
  std::optional<std::int64_t> positionOf(std::int64_t bookmark) override {
    if (bookmark < 0 || bookmark >= count()) return std::nullopt;
    return bookmark;
  }
  std::vector<ReadWarning> takeWarnings() override { return std::exchange(warnings_, {}); }

 private:
  std::vector<FieldDef> fields_;
  std::vector<Row> rows_;
  std::vector<ReadWarning> warnings_;
};

// Some fields of a table, in the order the statement lists them.
class ProjectionCursor final : public CursorImpl {
 public:
  ProjectionCursor(std::unique_ptr<TableCursor> table, std::vector<int> columns)
      : table_(std::move(table)), columns_(std::move(columns)) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      FieldDef d = table_->fields()[static_cast<std::size_t>(columns_[i])];
      d.number = static_cast<int>(i) + 1;
      fields_.push_back(std::move(d));
    }
  }
  const std::vector<FieldDef>& fields() const override { return fields_; }
  bool read(std::int64_t pos, Row& out) override {
    if (!table_->read(pos, whole_)) return false;
    out.resize(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i)
      out[i] = std::move(whole_[static_cast<std::size_t>(columns_[i])]);
    return true;
  }
  std::int64_t count() override { return table_->count(); }
  std::int64_t bookmarkAt(std::int64_t pos) override { return table_->bookmarkAt(pos); }
  std::optional<std::int64_t> positionOf(std::int64_t bookmark) override {
    return table_->positionOf(bookmark);
  }
  std::vector<ReadWarning> takeWarnings() override { return table_->takeWarnings(); }

 private:
  std::unique_ptr<TableCursor> table_;
  std::vector<int> columns_;
  std::vector<FieldDef> fields_;
  Row whole_;
};

class Connection;

class Statement final : public StatementImpl {
 public:
  Statement(Connection& connection, LocalSelect select)
      : connection_(connection), select_(std::move(select)) {}
  void execute(const std::vector<BoundParam>& params) override { open(params); }
  std::unique_ptr<CursorImpl> open(const std::vector<BoundParam>& params) override;

 private:
  Connection& connection_;
  LocalSelect select_;
};

class Connection final : public ConnectionImpl {
 public:
  // `location` is the directory as configured (a Windows path), `dir` where it is on this host.
  Connection(std::string location, std::filesystem::path dir, Session& session)
      : location_(std::move(location)), dir_(std::move(dir)), session_(session) {}

  std::vector<std::string> tableNames(const std::string& pattern) override {
    const bool all = pattern == "*" || equalsIgnoreCase(pattern, "*.db");
    std::string wanted = pattern;
    if (endsWithDb(wanted)) wanted.resize(wanted.size() - 3);
    std::vector<std::string> names;
    if (!directoryExists()) return names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string file = it->path().filename().string();
      if (!endsWithDb(file) || !it->is_regular_file(ec)) continue;
      std::string stem = file.substr(0, file.size() - 3);
      if (all || equalsIgnoreCase(stem, wanted)) names.push_back(stem);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return upperAscii(a) < upperAscii(b); });
    return names;
  }

  std::unique_ptr<CursorImpl> openTable(const std::string& name, const TableOpenOptions& options) override {
    return openTableCursor(name, options.readOnly);
  }

  std::unique_ptr<TableCursor> openTableCursor(const std::string& name, bool readOnly) {
    std::string file = endsWithDb(name) ? name : name + ".db";
    if (file.find('/') != std::string::npos || file.find('\\') != std::string::npos)
      throw EngineError(errc::kNotFound, "Nazwa tabeli Paradoxu nie może zawierać ścieżki: " + name);
    // The directory may have been missing since the connection (a commune without a buffer directory):
    // only the tables in it are unusable.
    if (!directoryExists())
      throw EngineError(errc::kNotFound, "Nie można otworzyć tabeli Paradoxu " + name + ": katalog " +
                                             location_ + " (" + dir_.string() + ") nie istnieje");
    auto path = konw::findIgnoringCase(dir_, file);
    if (path.empty())
      throw EngineError(errc::kNotFound, "Nie znaleziono tabeli Paradoxu " + name + " w katalogu " +
                                             location_ + " (" + dir_.string() + ")");
    return std::make_unique<TableCursor>(path, session_.paradoxCodePage(), readOnly);
  }

  std::unique_ptr<StatementImpl> prepare(const std::string& sql,
                                         const std::vector<std::string>& paramNames) override {
    if (!paramNames.empty())
      throw EngineError(errc::kNotSupported, "Lokalny SQL tabel Paradoxu nie przyjmuje parametrów: " + sql);
    return std::make_unique<Statement>(*this, parseLocalSelect(sql));
  }

 private:
  // Whether the directory exists now; one created since the connection is looked up again, as its
  // letter case may differ from the configured one.
  bool directoryExists() {
    std::error_code ec;
    if (std::filesystem::is_directory(dir_, ec)) return true;
    dir_ = konw::hostPath(location_);
    return std::filesystem::is_directory(dir_, ec);
  }

  std::string location_;
  std::filesystem::path dir_;
  Session& session_;
};

int fieldIndex(const TableCursor& table, const std::string& name, const std::string& tableName) {
  const auto& fields = table.fields();
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (equalsIgnoreCase(fields[i].name, name)) return static_cast<int>(i);
  throw EngineError(errc::kNotFound, "Tabela Paradoxu " + tableName + " nie ma pola " + name);
}

std::unique_ptr<CursorImpl> Statement::open(const std::vector<BoundParam>& params) {
  if (!params.empty())
    throw EngineError(errc::kNotSupported, "Lokalny SQL tabel Paradoxu nie przyjmuje parametrów");
  auto table = connection_.openTableCursor(select_.table, true);
  switch (select_.kind) {
    case LocalSelect::Kind::Star:
      return table;
    case LocalSelect::Kind::Columns: {
      std::vector<int> columns;
      for (const auto& c : select_.columns) columns.push_back(fieldIndex(*table, c, select_.table));
      return std::make_unique<ProjectionCursor>(std::move(table), std::move(columns));
    }
    case LocalSelect::Kind::Count: {
      FieldDef d;
      d.name = select_.alias.empty() ? "COUNT" : select_.alias;
      d.type = FieldType::Integer;
      d.number = 1;
      return std::make_unique<MemoryCursor>(
          std::vector<FieldDef>{d}, std::vector<Row>{Row{Value{table->count()}}}, table->takeWarnings());
    }
    case LocalSelect::Kind::Max: {
      const int column = fieldIndex(*table, select_.columns.front(), select_.table);
      FieldDef d = table->fields()[static_cast<std::size_t>(column)];
      d.name = select_.alias.empty() ? "MAX" : select_.alias;
      d.number = 1;
      Value best = Null{};
      Row row;
      for (std::int64_t pos = 0; table->read(pos, row); ++pos) {
        Value& v = row[static_cast<std::size_t>(column)];
        if (!isNull(v) && (isNull(best) || compareValues(v, best) > 0)) best = std::move(v);
      }
      return std::make_unique<MemoryCursor>(std::vector<FieldDef>{d}, std::vector<Row>{Row{best}},
                                            table->takeWarnings());
    }
  }
  throw EngineError(errc::kNotSupported, "Lokalny SQL tabel Paradoxu: nieznany rodzaj zapytania");
}

class ParadoxDriver final : public Driver {
 public:
  std::unique_ptr<ConnectionImpl> connect(const std::vector<std::string>& params, Session& session) override {
    auto location = paramValue(params, "PATH");
    if (!location || location->empty())
      throw EngineError(errc::kConnect, "Baza danych Paradoxu wymaga wiersza PATH= z katalogiem tabel");
    // A directory that does not exist (yet) is still a database: opening a table in it fails, and
    // listing its tables finds none.
    return std::make_unique<Connection>(*location, konw::hostPath(*location), session);
  }
};

}  // namespace

std::unique_ptr<Driver> makeDriver() {
  return std::make_unique<ParadoxDriver>();
}

}  // namespace db::paradox
