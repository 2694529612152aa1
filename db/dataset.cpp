// The engine's datasets: the cursor walk, editing, lookups, and the tables with their index, range and
// master-detail link.
#include <algorithm>
#include <iterator>

#include "db/engine.h"
#include "platform/text.h"

namespace db {

namespace {

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

}  // namespace db
