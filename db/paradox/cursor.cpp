#include "db/paradox/cursor.h"

#include <sys/stat.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <numeric>

#include "db/engine.h"
#include "db/error.h"
#include "db/paradox/values.h"
#include "db/paradox/writer.h"

namespace db::paradox {

namespace {

std::vector<std::string> splitNames(const std::string& names) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string part = names.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.erase(part.begin());
    while (!part.empty() && part.back() == ' ') part.pop_back();
    if (!part.empty()) out.push_back(part);
    start = end + 1;
  }
  return out;
}

}  // namespace

TableCursor::TableCursor(std::filesystem::path dbFile, int codePage, bool readOnly)
    : path_(std::move(dbFile)), codePage_(codePage), readOnly_(readOnly) {
  stamp_ = fileStamp();
  reader_ = TableReader::open(path_, codePage_);
  reader_->setDamagedBlobsAsNull(true);
  nextId_ = static_cast<std::int64_t>(reader_->rowCount());
}

std::vector<ReadWarning> TableCursor::takeWarnings() {
  std::vector<ReadWarning> out = std::move(carried_);
  carried_.clear();
  auto more = reader_->takeWarnings();
  out.insert(out.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  return out;
}

std::optional<std::string> TableCursor::textInCodePage(const std::string& text) const {
  return CodePage::get(reader_->codePage()).fromUtf8(text);
}

std::string TableCursor::fileStamp() const {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return {};
  return std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
         std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

std::vector<std::int64_t> TableCursor::currentIds() const {
  if (!ids_.empty()) return ids_;
  std::vector<std::int64_t> ids(reader_->rowCount());
  std::iota(ids.begin(), ids.end(), 0);
  return ids;
}

void TableCursor::refreshIfChanged() {
  const std::string now = fileStamp();
  if (now == stamp_) return;
  reload(readAll(), currentIds());
}

void TableCursor::reload(const std::vector<Row>& before, const std::vector<std::int64_t>& beforeIds) {
  // Signatures let each bookmark follow its row wherever it now is (keyed tables are kept in key order).
  std::multimap<std::string, std::int64_t> byContent;
  for (std::size_t i = 0; i < before.size(); ++i) {
    std::string sig;
    for (const auto& v : before[i]) appendSignature(sig, v);
    byContent.emplace(std::move(sig), beforeIds[i]);
  }
  stamp_ = fileStamp();
  auto fresh = TableReader::open(path_, codePage_);
  fresh->setDamagedBlobsAsNull(true);
  auto untaken = reader_->takeWarnings();
  carried_.insert(carried_.end(), std::make_move_iterator(untaken.begin()),
                  std::make_move_iterator(untaken.end()));
  reader_ = std::move(fresh);
  secondary_.reset();
  const std::size_t n = reader_->rowCount();
  ids_.assign(n, -1);
  Row row;
  std::vector<std::size_t> unmatched;
  for (std::size_t i = 0; i < n; ++i) {
    reader_->readRow(i, row);
    std::string sig;
    for (const auto& v : row) appendSignature(sig, v);
    auto it = byContent.find(sig);
    if (it == byContent.end()) {
      unmatched.push_back(i);
      continue;
    }
    ids_[i] = it->second;
    byContent.erase(it);
  }
  // Rows that changed on the way (text the code page could not keep, another program's edit) take the
  // bookmarks left over, in order.
  std::vector<std::pair<std::size_t, std::int64_t>> left;
  for (const auto& [sig, id] : byContent) left.emplace_back(0, id);
  std::size_t next = 0;
  for (std::size_t i : unmatched) ids_[i] = next < left.size() ? left[next++].second : nextId_++;
  rebuildView();
}

const std::vector<SecondaryIndex>& TableCursor::secondary() {
  if (!secondary_) secondary_ = readSecondaryIndexes(path_, reader_->header(), codePage_);
  return *secondary_;
}

std::optional<std::size_t> TableCursor::physicalAt(std::int64_t pos) const {
  if (pos < 0) return std::nullopt;
  if (identity_) {
    if (static_cast<std::uint64_t>(pos) >= reader_->rowCount()) return std::nullopt;
    return static_cast<std::size_t>(pos);
  }
  if (static_cast<std::uint64_t>(pos) >= view_.size()) return std::nullopt;
  return view_[static_cast<std::size_t>(pos)];
}

bool TableCursor::read(std::int64_t pos, Row& out) {
  auto phys = physicalAt(pos);
  if (!phys) return false;
  reader_->readRow(*phys, out);
  return true;
}

std::int64_t TableCursor::count() {
  return identity_ ? static_cast<std::int64_t>(reader_->rowCount()) : static_cast<std::int64_t>(view_.size());
}

std::int64_t TableCursor::bookmarkAt(std::int64_t pos) {
  auto phys = physicalAt(pos);
  if (!phys)
    throw EngineError(errc::kNotFound,
                      "Tabela " + reader_->name() + " nie ma wiersza na pozycji " + std::to_string(pos + 1));
  return ids_.empty() ? static_cast<std::int64_t>(*phys) : ids_[*phys];
}

std::optional<std::int64_t> TableCursor::positionOf(std::int64_t bookmark) {
  std::size_t phys;
  if (ids_.empty()) {
    if (bookmark < 0 || static_cast<std::uint64_t>(bookmark) >= reader_->rowCount()) return std::nullopt;
    phys = static_cast<std::size_t>(bookmark);
  } else {
    auto it = std::find(ids_.begin(), ids_.end(), bookmark);
    if (it == ids_.end()) return std::nullopt;
    phys = static_cast<std::size_t>(it - ids_.begin());
  }
  if (identity_) return static_cast<std::int64_t>(phys);
  if (inverse_[phys] < 0) return std::nullopt;
  return inverse_[phys];
}

std::vector<IndexDef> TableCursor::indexDefs() {
  const Header& h = reader_->header();
  std::vector<IndexDef> out;
  if (h.keyFields > 0) {
    IndexDef pk;
    pk.primary = true;
    pk.unique = true;
    for (int i = 0; i < h.keyFields; ++i) pk.fields += (i ? ";" : "") + h.fields[i].name;
    out.push_back(pk);
  }
  for (const auto& ix : secondary()) {
    IndexDef d;
    d.name = ix.name;
    for (std::size_t i = 0; i < ix.fields.size(); ++i)
      d.fields += (i ? ";" : "") + h.fields[ix.fields[i]].name;
    d.caseInsensitive = !ix.caseSensitive;
    d.unique = ix.unique;
    d.descending = !ix.descending.empty() &&
                   std::all_of(ix.descending.begin(), ix.descending.end(), [](bool b) { return b; });
    out.push_back(d);
  }
  return out;
}

void TableCursor::setOrder(const std::string& indexName, const std::string& fieldNames) {
  const Header& h = reader_->header();
  std::vector<int> fields;
  std::vector<bool> descending;
  bool caseInsensitive = false;
  if (!indexName.empty()) {
    const SecondaryIndex* found = nullptr;
    for (const auto& ix : secondary())
      if (equalsIgnoreCase(ix.name, indexName)) found = &ix;
    if (!found)
      throw EngineError(errc::kNotFound, "Tabela " + reader_->name() + " nie ma indeksu " + indexName);
    fields = found->fields;
    descending = found->descending;
    caseInsensitive = !found->caseSensitive;
  } else if (!fieldNames.empty()) {
    for (const auto& name : splitNames(fieldNames)) {
      auto it = std::find_if(h.fields.begin(), h.fields.end(),
                             [&](const FieldInfo& f) { return equalsIgnoreCase(f.name, name); });
      if (it == h.fields.end())
        throw EngineError(errc::kNotFound, "Tabela " + reader_->name() + " nie ma pola " + name);
      fields.push_back(static_cast<int>(it - h.fields.begin()));
      descending.push_back(false);
    }
  } else {
    for (int i = 0; i < h.keyFields; ++i) {
      fields.push_back(i);
      descending.push_back(false);
    }
  }
  orderFields_ = std::move(fields);
  orderDescending_ = std::move(descending);
  orderCaseInsensitive_ = caseInsensitive;
  rebuildView();
}

void TableCursor::setRange(std::optional<std::pair<int, Value>> range) {
  if (range && (range->first < 0 || range->first >= static_cast<int>(reader_->header().fields.size())))
    throw EngineError(errc::kNotFound,
                      "Tabela " + reader_->name() + " nie ma pola numer " + std::to_string(range->first + 1));
  range_ = std::move(range);
  rebuildView();
}

void TableCursor::rebuildView() {
  const std::size_t n = reader_->rowCount();
  view_.clear();
  inverse_.clear();
  identity_ = true;
  if (orderFields_.empty() && !range_) return;
  // Only the ordering and range fields are kept per row; control tables are small, the big ones are read
  // in chain order and never come here.
  std::vector<std::vector<Value>> keys(n);
  std::vector<std::uint32_t> perm;
  Row row;
  for (std::size_t i = 0; i < n; ++i) {
    reader_->readRow(i, row);
    if (range_ && compareValues(row[static_cast<std::size_t>(range_->first)], range_->second) != 0) continue;
    perm.push_back(static_cast<std::uint32_t>(i));
    for (int f : orderFields_) keys[i].push_back(std::move(row[static_cast<std::size_t>(f)]));
  }
  auto less = [&](std::uint32_t a, std::uint32_t b) {
    for (std::size_t k = 0; k < orderFields_.size(); ++k) {
      int c = compareValues(keys[a][k], keys[b][k], orderCaseInsensitive_);
      if (c != 0) return orderDescending_[k] ? c > 0 : c < 0;
    }
    return false;
  };
  if (!std::is_sorted(perm.begin(), perm.end(), less)) std::stable_sort(perm.begin(), perm.end(), less);
  if (!range_ && std::is_sorted(perm.begin(), perm.end())) return;  // already in chain order
  identity_ = false;
  view_ = std::move(perm);
  inverse_.assign(n, -1);
  for (std::size_t p = 0; p < view_.size(); ++p) inverse_[view_[p]] = static_cast<std::int64_t>(p);
}

std::vector<Row> TableCursor::readAll() {
  std::vector<Row> rows(reader_->rowCount());
  for (std::size_t i = 0; i < rows.size(); ++i) reader_->readRow(i, rows[i]);
  return rows;
}

void TableCursor::requireWritable() const {
  if (readOnly_)
    throw EngineError(errc::kReadOnly, "Tabela " + reader_->name() + " jest otwarta tylko do odczytu");
}

Row TableCursor::coerceRow(const Row& row) const {
  const auto& fields = reader_->header().fields;
  if (row.size() != fields.size())
    throw EngineError(errc::kConversion, "Wiersz tabeli " + reader_->name() + " wymaga " +
                                             std::to_string(fields.size()) + " wartości");
  Row out(row.size());
  for (std::size_t i = 0; i < row.size(); ++i) out[i] = coerceToField(fields[i], row[i]);
  return out;
}

void TableCursor::checkKeyUnique(const std::vector<Row>& rows, const Row& row,
                                 std::optional<std::size_t> self) const {
  const int k = reader_->header().keyFields;
  if (k == 0) return;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (self && *self == i) continue;
    bool same = true;
    for (int f = 0; f < k && same; ++f) same = compareValues(rows[i][f], row[f]) == 0;
    if (same)
      throw EngineError(errc::kKeyViolation,
                        "Naruszenie klucza w tabeli " + reader_->name() + " (taki klucz już w niej jest)");
  }
}

std::optional<std::size_t> TableCursor::physicalOfCurrent(std::int64_t pos) {
  auto phys = physicalAt(pos);
  if (!phys)
    throw EngineError(errc::kNotFound,
                      "Tabela " + reader_->name() + " nie ma wiersza na pozycji " + std::to_string(pos + 1));
  const std::int64_t id = ids_.empty() ? static_cast<std::int64_t>(*phys) : ids_[*phys];
  refreshIfChanged();
  if (ids_.empty()) return phys;
  auto it = std::find(ids_.begin(), ids_.end(), id);
  if (it == ids_.end())
    throw EngineError(errc::kNotFound,
                      "Wiersz tabeli " + reader_->name() + " został w międzyczasie zmieniony lub usunięty");
  return static_cast<std::size_t>(it - ids_.begin());
}

std::optional<std::int64_t> TableCursor::update(std::int64_t pos, const Row& row) {
  requireWritable();
  Row value = coerceRow(row);
  const std::size_t phys = *physicalOfCurrent(pos);
  std::vector<Row> rows = readAll();
  checkKeyUnique(rows, value, phys);
  std::vector<std::int64_t> ids = currentIds();
  rows[phys] = std::move(value);
  const std::int64_t id = ids[phys];
  return rewrite(rows, ids, id);
}

std::optional<std::int64_t> TableCursor::insert(const Row& row) {
  requireWritable();
  Row value = coerceRow(row);
  refreshIfChanged();
  std::vector<Row> rows = readAll();
  const Header& h = reader_->header();
  for (std::size_t f = 0; f < h.fields.size(); ++f) {
    if (h.fields[f].type != PdxType::AutoInc || !isNull(value[f])) continue;
    // The header keeps the last number given out, so numbers of deleted rows are not used again.
    std::int64_t last = h.level() >= 5 ? static_cast<std::int64_t>(h.autoInc) : 0;
    for (const auto& r : rows)
      if (const auto* v = std::get_if<std::int64_t>(&r[f])) last = std::max(last, *v);
    value[f] = last + 1;
  }
  checkKeyUnique(rows, value, std::nullopt);
  std::vector<std::int64_t> ids = currentIds();
  rows.push_back(std::move(value));
  const std::int64_t id = nextId_++;
  ids.push_back(id);
  return rewrite(rows, ids, id);
}

void TableCursor::remove(std::int64_t pos) {
  requireWritable();
  const std::size_t phys = *physicalOfCurrent(pos);
  std::vector<Row> rows = readAll();
  std::vector<std::int64_t> ids = currentIds();
  rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(phys));
  ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(phys));
  rewrite(rows, ids, -1);
}

std::optional<std::int64_t> TableCursor::rewrite(const std::vector<Row>& rows,
                                                 const std::vector<std::int64_t>& ids,
                                                 std::int64_t affected) {
  // Values read as null or zeros because the file is damaged would be written back as such: the
  // stored ones are lost for good. Such a table is changed by nobody but the one who repairs it.
  if (reader_->replacedValues())
    throw EngineError(errc::kCorrupt, "Tabela " + reader_->name() +
                                          " ma uszkodzone wartości, których nie da się odczytać; zapis "
                                          "zmiany utrwaliłby ich utratę, więc zmiana nie została zapisana");
  const Header& h = reader_->header();
  TableSpec tdef;
  for (const auto& f : h.fields) tdef.fields.push_back({f.name, typeLetter(f.type), f.size});
  tdef.keyFields = h.keyFields;
  tdef.codePage = reader_->codePage();
  tdef.level = h.level();
  tdef.blockSizeKb = static_cast<int>(h.blockSize / 1024);
  if (h.encryption != 0) tdef.encryption = h.encryption;
  for (const auto& ix : secondary()) {
    SecondaryIndexSpec s;
    s.name = ix.composite ? ix.name : "";
    for (int f : ix.fields) s.fields.push_back(h.fields[f].name);
    s.caseSensitive = ix.caseSensitive;
    tdef.secondary.push_back(std::move(s));
  }
  if (h.level() >= 5) {
    std::int64_t last = h.autoInc;
    for (std::size_t f = 0; f < h.fields.size(); ++f) {
      if (h.fields[f].type != PdxType::AutoInc) continue;
      for (const auto& r : rows)
        if (const auto* v = std::get_if<std::int64_t>(&r[f])) last = std::max(last, *v);
    }
    tdef.nextAutoInc = static_cast<std::int32_t>(last + 1);
  }

  writeTable(path_, tdef, rows);
  reload(rows, ids);
  if (affected < 0) return std::nullopt;
  return positionOf(affected);
}

}  // namespace db::paradox
