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

std::vector<std::string> splitNames(const std::string& names) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : names) {
    if (c == ';') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  out.push_back(cur);
  for (auto& n : out) {
    while (!n.empty() && n.front() == ' ') n.erase(n.begin());
    while (!n.empty() && n.back() == ' ') n.pop_back();
  }
  return out;
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

// ---------------------------------------------------------------- Dataset

Dataset::Dataset() = default;

Dataset::~Dataset() {
  if (database_) database_->detach(this);
}

void Dataset::setDatabase(Database* database) {
  if (database == database_) return;
  close();
  connectionLost();
  if (database_) database_->detach(this);
  database_ = database;
  if (database_) database_->attach(this);
}

void Dataset::close() noexcept {
  if (cursor_) {
    try {
      auto left = cursor_->takeWarnings();
      warnings_.insert(warnings_.end(), std::make_move_iterator(left.begin()),
                       std::make_move_iterator(left.end()));
    } catch (...) {
      // Out of memory while keeping them: the warnings of this opening are lost, the close still happens.
    }
  }
  cursor_.reset();
  fields_.clear();
  row_.clear();
  state_ = State::Inactive;
  empty_ = eof_ = bof_ = true;
  pos_ = 0;
}

std::vector<ReadWarning> Dataset::takeWarnings() {
  std::vector<ReadWarning> out = std::move(warnings_);
  warnings_.clear();
  if (cursor_) {
    auto more = cursor_->takeWarnings();
    out.insert(out.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  }
  return out;
}

void Dataset::requireActive() const {
  if (state_ == State::Inactive)
    throw EngineError(errc::kState, "Operacja niemożliwa na zamkniętym zbiorze danych");
}

void Dataset::openCursor(std::unique_ptr<CursorImpl> cursor) {
  close();
  cursor_ = std::move(cursor);
  const auto& defs = cursor_->fields();
  for (int i = 0; i < static_cast<int>(defs.size()); ++i)
    fields_.push_back(std::make_unique<Field>(*this, defs[i], i));
  state_ = State::Browse;
  resetToFirst();
}

void Dataset::resetToFirst() {
  pos_ = 0;
  bof_ = true;
  if (cursor_->read(0, row_)) {
    empty_ = eof_ = false;
  } else {
    empty_ = eof_ = true;
    row_.assign(fields_.size(), Null{});
  }
  notifyObservers();
}

void Dataset::moveTo(std::int64_t pos) {
  if (!cursor_->read(pos, row_)) {
    resetToFirst();
    throw EngineError(errc::kNotFound, "Wiersz nie istnieje");
  }
  pos_ = pos;
  empty_ = eof_ = bof_ = false;
  notifyObservers();
}

void Dataset::first() {
  requireActive();
  if (state_ != State::Browse) post();
  resetToFirst();
}

void Dataset::next() {
  requireActive();
  if (state_ != State::Browse) post();
  if (eof_) return;
  bof_ = false;
  if (cursor_->read(pos_ + 1, row_)) {
    ++pos_;
    if (unidirectional_) cursor_->forgetBefore(pos_);
    notifyObservers();
  } else {
    eof_ = true;
    cursor_->read(pos_, row_);
  }
}

std::int64_t Dataset::recordCount() {
  requireActive();
  return cursor_->count();
}

bool Dataset::isEmpty() {
  requireActive();
  return empty_;
}

std::int64_t Dataset::bookmark() const {
  requireActive();
  if (empty_) throw EngineError(errc::kState, "Brak bieżącego wiersza");
  return cursor_->bookmarkAt(pos_);
}

void Dataset::gotoBookmark(std::int64_t bookmark) {
  requireActive();
  if (state_ != State::Browse) post();
  auto pos = cursor_->positionOf(bookmark);
  if (!pos) throw EngineError(errc::kNotFound, "Zakładka wskazuje usunięty wiersz");
  moveTo(*pos);
}

bool Dataset::locate(const std::string& fieldNames, const std::vector<Value>& values, bool caseInsensitive) {
  requireActive();
  if (state_ != State::Browse) post();
  const auto names = splitNames(fieldNames);
  if (names.size() != values.size())
    throw EngineError(errc::kState, "Liczba wartości nie odpowiada liczbie pól: " + fieldNames);
  std::vector<int> indexes;
  for (const auto& n : names) indexes.push_back(fieldByName(n).index());
  Row probe;
  for (std::int64_t pos = 0; cursor_->read(pos, probe); ++pos) {
    bool match = true;
    for (std::size_t k = 0; k < indexes.size() && match; ++k)
      match = valuesEqual(probe[indexes[k]], values[k], caseInsensitive);
    if (match) {
      moveTo(pos);
      return true;
    }
  }
  return false;
}

Field* Dataset::findField(const std::string& name) {
  const std::string wanted = foldCase(name);
  for (auto& f : fields_)
    if (foldCase(f->name()) == wanted) return f.get();
  return nullptr;
}

Field& Dataset::fieldByName(const std::string& name) {
  requireActive();
  if (Field* f = findField(name)) return *f;
  throw EngineError(errc::kNotFound, "Nie znaleziono pola '" + name + "'");
}

void Dataset::edit() {
  requireActive();
  if (state_ == State::Edit || state_ == State::Insert) return;
  if (empty_) throw EngineError(errc::kState, "Brak wiersza do edycji");
  if (!cursor_->canModify()) throw EngineError(errc::kReadOnly, "Zbiór danych jest tylko do odczytu");
  state_ = State::Edit;
}

void Dataset::insert() {
  requireActive();
  if (state_ != State::Browse) post();
  if (!cursor_->canModify()) throw EngineError(errc::kReadOnly, "Zbiór danych jest tylko do odczytu");
  row_.assign(fields_.size(), Null{});
  beforeInsertRow(row_);
  state_ = State::Insert;
}

void Dataset::post() {
  requireActive();
  if (state_ == State::Browse) return;
  const State was = state_;
  std::optional<std::int64_t> pos = was == State::Edit ? cursor_->update(pos_, row_) : cursor_->insert(row_);
  state_ = State::Browse;
  if (pos)
    moveTo(*pos);
  else
    resetToFirst();
}

void Dataset::cancel() {
  requireActive();
  if (state_ == State::Browse) return;
  state_ = State::Browse;
  if (empty_ || !cursor_->read(pos_, row_)) resetToFirst();
}

void Dataset::deleteRecord() {
  requireActive();
  if (state_ == State::Insert) {
    cancel();
    return;
  }
  state_ = State::Browse;
  if (empty_) throw EngineError(errc::kState, "Brak wiersza do usunięcia");
  if (!cursor_->canModify()) throw EngineError(errc::kReadOnly, "Zbiór danych jest tylko do odczytu");
  cursor_->remove(pos_);
  if (cursor_->read(pos_, row_)) {
    notifyObservers();
  } else if (pos_ > 0) {
    moveTo(pos_ - 1);
  } else {
    resetToFirst();
  }
}

const Value& Dataset::currentValue(int index) const {
  requireActive();
  return row_.at(static_cast<std::size_t>(index));
}

void Dataset::setCurrentValue(int index, Value v) {
  if (state_ != State::Edit && state_ != State::Insert)
    throw EngineError(errc::kState, "Zbiór danych nie jest w trybie edycji ani wstawiania");
  row_.at(static_cast<std::size_t>(index)) = std::move(v);
}

void Dataset::addObserver(Dataset* detail) {
  observers_.insert(detail);
}
void Dataset::removeObserver(Dataset* detail) {
  observers_.erase(detail);
}

void Dataset::notifyObservers() {
  for (Dataset* d : observers_) d->masterChanged();
}

// ---------------------------------------------------------------- Table

Table::~Table() {
  if (master_) master_->removeObserver(this);
}

void Table::setIndexName(const std::string& name) {
  indexName_ = name;
  indexFieldNames_.clear();
  if (active()) applyOrder();
}

void Table::setIndexFieldNames(const std::string& names) {
  indexFieldNames_ = names;
  indexName_.clear();
  if (active()) applyOrder();
}

void Table::setMasterSource(Dataset* master, const std::string& masterField, const std::string& detailField) {
  if (master_) master_->removeObserver(this);
  master_ = master;
  masterField_ = masterField;
  detailField_ = detailField;
  if (master_) master_->addObserver(this);
  if (active()) applyRange();
}

void Table::open() {
  if (!database_) throw EngineError(errc::kState, "Tabela " + tableName_ + " nie ma przypisanej bazy danych");
  close();
  database_->connect();
  TableOpenOptions options;
  options.readOnly = readOnly_;
  openCursor(database_->connection().openTable(tableName_, options));
  indexDefs_ = cursor()->indexDefs();
  if (!indexName_.empty() || !indexFieldNames_.empty()) applyOrder();
  if (master_) applyRange();
}

void Table::refreshIndexDefs() {
  requireActive();
  indexDefs_ = cursor()->indexDefs();
}

void Table::applyOrder() {
  cursor()->setOrder(indexName_, indexFieldNames_);
  resetToFirst();
}

void Table::applyRange() {
  Field* link = findField(detailField_);
  if (!link) throw EngineError(errc::kNotFound, "Nie znaleziono pola powiązania '" + detailField_ + "'");
  Value key = Null{};
  if (master_->active() && !const_cast<Dataset*>(master_)->isEmpty())
    key = master_->fieldByName(masterField_).value();
  cursor()->setRange(std::make_pair(link->index(), key));
  resetToFirst();
}

void Table::masterChanged() {
  if (!active() || !master_) return;
  if (state() != State::Browse) cancel();
  applyRange();
}

void Table::beforeInsertRow(Row& row) {
  if (!master_ || !master_->active() || master_->isEmpty()) return;
  if (Field* link = findField(detailField_)) row[link->index()] = master_->fieldByName(masterField_).value();
}

// ---------------------------------------------------------------- Query

BatchRowError::BatchRowError(std::uint64_t tag, const EngineError& cause, std::exception_ptr original)
    : EngineError(cause.entries()), tag_(tag), cause_(std::move(original)) {
  withNative(cause.nativeCode());
}

void BatchRowError::rethrowCause() const {
  if (cause_) std::rethrow_exception(cause_);
  throw EngineError(entries());
}

Query::~Query() = default;

void Query::dropStatement() noexcept {
  batch_.reset();
  statement_.reset();
  preparedOn_ = nullptr;
}

void Query::clearSql() {
  close();
  dropStatement();
  sql_.clear();
  params_.clear();
  bound_.clear();
}

void Query::addSql(const std::string& line) {
  close();
  dropStatement();
  if (!sql_.empty()) sql_ += "\n";
  sql_ += line;
  params_.clear();
  bound_.clear();
  for (auto& name : parseParamMarkers(sql_).second) params_.emplace_back(name);
}

Param& Query::paramByName(const std::string& name) {
  for (auto& p : params_)
    if (p.name() == name) return p;
  throw EngineError(errc::kNotFound, "Nie znaleziono parametru \"" + name + "\"");
}

const std::vector<BoundParam>& Query::boundParams() {
  // Positions and names are taken once per statement text; a row only refreshes types and values, whose
  // storage (a text's included) is reused.
  if (bound_.size() != params_.size()) {
    bound_.clear();
    bound_.reserve(params_.size());
    for (const auto& p : params_) bound_.push_back(BoundParam{p.name(), FieldType::Unknown, Null{}});
  }
  for (std::size_t i = 0; i < params_.size(); ++i) {
    const Param& p = params_[i];
    if (!p.bound())
      throw EngineError(errc::kMissingParam, "Brak wartości dla parametru \"" + p.name() + "\"");
    bound_[i].type = p.dataType();
    bound_[i].value = p.value();
  }
  return bound_;
}

StatementImpl& Query::statement() {
  if (!database_) throw EngineError(errc::kState, "Zapytanie nie ma przypisanej bazy danych");
  database_->connect();
  ConnectionImpl& conn = database_->connection();
  if (!statement_ || preparedOn_ != &conn) {
    dropStatement();
    auto [text, names] = parseParamMarkers(sql_);
    statement_ = conn.prepare(text, names);
    preparedOn_ = &conn;
  }
  return *statement_;
}

void Query::requireNothingQueued() const {
  // Running the statement past queued rows would change the order the rows arrive in.
  if (batchPending() > 0)
    throw EngineError(errc::kState,
                      "Zapytanie ma niewysłane wiersze: najpierw trzeba je wysłać lub porzucić");
}

void Query::open() {
  requireNothingQueued();
  close();
  const auto& params = boundParams();
  openCursor(statement().open(params));
}

void Query::execSql() {
  requireNothingQueued();
  close();
  const auto& params = boundParams();
  statement().execute(params);
}

bool Query::beginBatch(std::size_t maxRows) {
  requireNothingQueued();
  close();
  batch_.reset();
  StatementImpl& prepared = statement();
  if (maxRows >= 2) batch_ = prepared.batch(maxRows);
  return batch_ != nullptr;
}

void Query::addToBatch(std::uint64_t tag) {
  if (!batch_) {
    // Without batching the row runs at once, and a refusal is reported the same way.
    close();
    const auto& params = boundParams();
    StatementImpl& prepared = statement();
    try {
      prepared.execute(params);
    } catch (const EngineError& e) {
      throw BatchRowError(tag, e, std::current_exception());
    }
    return;
  }
  batchRow_.resize(params_.size());
  for (std::size_t i = 0; i < params_.size(); ++i) {
    const Param& p = params_[i];
    if (!p.bound())
      throw EngineError(errc::kMissingParam, "Brak wartości dla parametru \"" + p.name() + "\"");
    batchRow_[i] = p.value();
  }
  batch_->add(tag, batchRow_);
}

void Query::flushBatch() {
  if (batch_) batch_->flush();
}

void Query::discardBatch() noexcept {
  if (batch_) batch_->discard();
}

void Query::connectionLost() noexcept {
  dropStatement();
}

}  // namespace db
