#include "db/engine.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

#include "platform/text.h"

namespace db {

// ---------------------------------------------------------------- helpers

namespace {

char32_t upperCodePoint(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  auto evenUpper = [](char32_t x) { return (x & 1) ? x - 1 : x; };
  auto oddUpper = [](char32_t x) { return (x & 1) ? x : x - 1; };
  if (c >= 0x100 && c <= 0x137) return evenUpper(c);
  if (c >= 0x139 && c <= 0x148) return oddUpper(c);
  if (c >= 0x14A && c <= 0x177) return evenUpper(c);
  if (c >= 0x179 && c <= 0x17E) return oddUpper(c);
  return c;
}

bool isNumeric(const Value& v) {
  return std::holds_alternative<std::int64_t>(v) || std::holds_alternative<double>(v) ||
         std::holds_alternative<Decimal>(v);
}

}  // namespace

std::string foldCase(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : static_cast<char>(b));
      ++i;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < s.size()) {
      char32_t c = ((b & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
      konw::appendUtf8(out, upperCodePoint(c));
      i += 2;
    } else {
      out.push_back(static_cast<char>(b));
      ++i;
    }
  }
  return out;
}

bool valuesEqual(const Value& a, const Value& b, bool caseInsensitive) {
  if (isNull(a) || isNull(b)) return isNull(a) && isNull(b);
  if (isNumeric(a) && isNumeric(b)) {
    if (std::holds_alternative<std::int64_t>(a) && std::holds_alternative<std::int64_t>(b))
      return std::get<std::int64_t>(a) == std::get<std::int64_t>(b);
    if (std::holds_alternative<Decimal>(a) || std::holds_alternative<Decimal>(b)) {
      // A float counts as the decimal it was written as, to 15 decimals; an infinity or NaN equals none.
      auto toDec = [](const Value& v) -> std::optional<Decimal> {
        if (auto d = std::get_if<Decimal>(&v)) return *d;
        if (auto i = std::get_if<std::int64_t>(&v)) return Decimal{*i, 0};
        const double f = std::get<double>(v);
        if (!std::isfinite(f)) return std::nullopt;
        return Decimal::fromDoubleAtMost(f, 15);
      };
      const auto x = toDec(a), y = toDec(b);
      return x && y && *x == *y;
    }
    return valueToDouble(a) == valueToDouble(b);
  }
  if (a.index() == b.index() && !std::holds_alternative<std::string>(a)) return a == b;
  std::string ta, tb;
  try {
    ta = valueToText(a);
    tb = valueToText(b);
  } catch (const EngineError&) {
    return false;
  }
  return caseInsensitive ? foldCase(ta) == foldCase(tb) : ta == tb;
}

std::size_t sqlQuotedOrCommentEnd(const std::string& sql, std::size_t i) {
  const std::size_t n = sql.size();
  const char c = sql[i];
  if (c == '\'' || c == '"') {
    std::size_t j = i + 1;
    while (j < n) {
      if (sql[j] == c) {
        if (j + 1 < n && sql[j + 1] == c) {  // a doubled quote stays inside
          j += 2;
          continue;
        }
        break;
      }
      ++j;
    }
    return std::min(j + 1, n);
  }
  if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
    const std::size_t j = sql.find('\n', i);
    return j == std::string::npos ? n : j;
  }
  if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
    const std::size_t j = sql.find("*/", i + 2);
    return j == std::string::npos ? n : j + 2;
  }
  return i;
}

std::pair<std::string, std::vector<std::string>> parseParamMarkers(const std::string& sql) {
  std::string out;
  std::vector<std::string> names;
  out.reserve(sql.size());
  const std::size_t n = sql.size();
  for (std::size_t i = 0; i < n;) {
    const char c = sql[i];
    if (const std::size_t j = sqlQuotedOrCommentEnd(sql, i); j != i) {  // copied whole
      out.append(sql, i, j - i);
      i = j;
    } else if (c == ':' && i + 1 < n && sql[i + 1] == '"') {
      std::size_t j = sql.find('"', i + 2);
      if (j == std::string::npos) {  // unterminated: not a marker
        out.append(sql, i, n - i);
        break;
      }
      names.push_back(sql.substr(i + 2, j - i - 2));
      out.push_back('?');
      i = j + 1;
    } else if (c == ':' && i + 1 < n &&
               (std::isalpha(static_cast<unsigned char>(sql[i + 1])) || sql[i + 1] == '_')) {
      std::size_t j = i + 1;
      while (j < n && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_')) ++j;
      names.push_back(sql.substr(i + 1, j - i - 1));
      out.push_back('?');
      i = j;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return {out, names};
}

// ---------------------------------------------------------------- Session

void Session::addPassword(const std::string& password) {
  if (std::find(passwords_.begin(), passwords_.end(), password) == passwords_.end())
    passwords_.push_back(password);
}

std::vector<std::string> Session::tableNames(Database& database, const std::string& pattern) {
  database.connect();
  return database.connection().tableNames(pattern);
}

// ---------------------------------------------------------------- Database

Database::Database(std::string name)
    : name_(std::move(name)), ownSession_(std::make_unique<Session>()), session_(*ownSession_) {}

Database::Database(std::string name, Session& session) : name_(std::move(name)), session_(session) {}

Database::~Database() {
  disconnect();
  for (Dataset* ds : datasets_) ds->database_ = nullptr;
}

void Database::setDriverName(const std::string& driver) {
  if (connected()) throw EngineError(errc::kState, "Nie można zmienić sterownika połączonej bazy " + name_);
  driverName_ = driver;
}

void Database::clearParams() {
  params_.clear();
}
void Database::addParam(const std::string& line) {
  params_.push_back(line);
}

void Database::setParam(std::size_t index, const std::string& line) {
  if (index >= params_.size()) params_.resize(index + 1);
  params_[index] = line;
}

void Database::connect() {
  if (connected()) return;
  auto driver = makeDriver(driverName_);
  connection_ = driver->connect(params_, session_);
  driver_ = std::move(driver);
  if (waitHook_) connection_->setWaitHook(waitHook_);
}

void Database::setWaitHook(std::function<bool()> hook) {
  waitHook_ = std::move(hook);
  if (connection_) connection_->setWaitHook(waitHook_);
}

void Database::disconnect() noexcept {
  for (Dataset* ds : std::vector<Dataset*>(datasets_.begin(), datasets_.end())) {
    ds->close();
    ds->connectionLost();
  }
  connection_.reset();
  driver_.reset();
}

ConnectionImpl& Database::connection() {
  if (!connection_) throw EngineError(errc::kState, "Baza danych " + name_ + " nie jest połączona");
  return *connection_;
}

TableDefinition Database::describeTable(const std::string& name) {
  connect();
  if (std::optional<TableDefinition> known = connection().describeTable(name)) return std::move(*known);
  Table table;
  table.setDatabase(this);
  table.setTableName(name);
  table.setReadOnly(true);
  table.open();
  TableDefinition definition;
  for (int i = 0; i < table.fieldCount(); ++i) definition.fields.push_back(table.field(i).def());
  definition.indexes = table.indexDefs();
  return definition;
}

void Database::startTransaction(const std::vector<std::string>& reserveForWrite) {
  connection().beginWork(reserveForWrite);
}

void Database::commit() {
  connection().commitWork();
}

void Database::rollback() noexcept {
  if (connection_) connection_->rollbackWork();
}

bool Database::inTransaction() const {
  return connection_ && connection_->inWork();
}

void Database::attach(Dataset* dataset) {
  datasets_.insert(dataset);
}
void Database::detach(Dataset* dataset) {
  datasets_.erase(dataset);
}

// ---------------------------------------------------------------- Field

const Value& Field::value() const {
  return owner_->currentValue(index_);
}
bool Field::isNull() const {
  return db::isNull(value());
}
std::string Field::asString() const {
  return valueToText(value());
}
std::int64_t Field::asInteger() const {
  return valueToInt(value());
}
double Field::asFloat() const {
  return valueToDouble(value());
}
bool Field::asBoolean() const {
  return valueToBool(value());
}
void Field::setValue(Value v) {
  owner_->setCurrentValue(index_, std::move(v));
}

}  // namespace db
