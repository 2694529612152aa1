// An in-memory driver for testing the engine's common layer on its own.
#pragma once

#include <algorithm>
#include <map>

#include "db/engine.h"

namespace testing_db {

using namespace db;

struct MemoryTable {
  std::vector<FieldDef> fields;
  std::vector<Row> rows;  // natural order; bookmark = index into ids
  std::vector<std::int64_t> ids;
  std::int64_t nextId = 1;
  std::vector<IndexDef> indexes;
};

struct MemoryStore {
  std::map<std::string, MemoryTable> tables;
  std::vector<std::pair<std::string, std::vector<BoundParam>>> executed;
};

inline MemoryStore& store() {
  static MemoryStore s;
  return s;
}

class MemoryCursor : public CursorImpl {
 public:
  explicit MemoryCursor(MemoryTable& t) : t_(t) { rebuild(); }
  const std::vector<FieldDef>& fields() const override { return t_.fields; }
  bool read(std::int64_t pos, Row& out) override {
    if (pos < 0 || pos >= static_cast<std::int64_t>(view_.size())) return false;
    out = t_.rows[view_[pos]];
    return true;
  }
  std::int64_t count() override { return static_cast<std::int64_t>(view_.size()); }
  std::int64_t bookmarkAt(std::int64_t pos) override { return t_.ids[view_.at(pos)]; }
  std::optional<std::int64_t> positionOf(std::int64_t bm) override {
    for (std::size_t p = 0; p < view_.size(); ++p)
      if (t_.ids[view_[p]] == bm) return static_cast<std::int64_t>(p);
    return std::nullopt;
  }
  std::vector<IndexDef> indexDefs() override { return t_.indexes; }
  void setOrder(const std::string&, const std::string& fieldNames) override {
    order_ = -1;
    for (std::size_t i = 0; i < t_.fields.size(); ++i)
      if (t_.fields[i].name == fieldNames) order_ = static_cast<int>(i);
    rebuild();
  }
  void setRange(std::optional<std::pair<int, Value>> range) override {
    range_ = std::move(range);
    rebuild();
  }
  bool canModify() const override { return true; }
  std::optional<std::int64_t> update(std::int64_t pos, const Row& row) override {
    std::size_t idx = view_.at(pos);
    t_.rows[idx] = row;
    std::int64_t id = t_.ids[idx];
    rebuild();
    return positionOf(id);
  }
  std::optional<std::int64_t> insert(const Row& row) override {
    t_.rows.push_back(row);
    t_.ids.push_back(t_.nextId++);
    rebuild();
    return positionOf(t_.ids.back());
  }
  void remove(std::int64_t pos) override {
    std::size_t idx = view_.at(pos);
    t_.rows.erase(t_.rows.begin() + static_cast<long>(idx));
    t_.ids.erase(t_.ids.begin() + static_cast<long>(idx));
    rebuild();
  }

 private:
  void rebuild() {
    view_.clear();
    for (std::size_t i = 0; i < t_.rows.size(); ++i)
      if (!range_ || valuesEqual(t_.rows[i][range_->first], range_->second, false)) view_.push_back(i);
    if (order_ >= 0)
      std::stable_sort(view_.begin(), view_.end(), [&](std::size_t a, std::size_t b) {
        return valueToText(t_.rows[a][order_]) < valueToText(t_.rows[b][order_]);
      });
  }
  MemoryTable& t_;
  std::vector<std::size_t> view_;
  int order_ = -1;
  std::optional<std::pair<int, Value>> range_;
};

class MemoryStatement : public StatementImpl {
 public:
  explicit MemoryStatement(std::string sql) : sql_(std::move(sql)) {}
  void execute(const std::vector<BoundParam>& params) override {
    store().executed.emplace_back(sql_, params);
  }
  std::unique_ptr<CursorImpl> open(const std::vector<BoundParam>& params) override {
    execute(params);
    return std::make_unique<MemoryCursor>(store().tables.at(sql_));
  }

 private:
  std::string sql_;
};

class MemoryConnection : public ConnectionImpl {
 public:
  std::vector<std::string> tableNames(const std::string&) override {
    std::vector<std::string> names;
    for (auto& [k, v] : store().tables) names.push_back(k);
    return names;
  }
  std::unique_ptr<CursorImpl> openTable(const std::string& name, const TableOpenOptions&) override {
    auto it = store().tables.find(name);
    if (it == store().tables.end()) throw EngineError(errc::kNotFound, "no table " + name);
    return std::make_unique<MemoryCursor>(it->second);
  }
  std::unique_ptr<StatementImpl> prepare(const std::string& sql, const std::vector<std::string>&) override {
    ++prepared;
    return std::make_unique<MemoryStatement>(sql);
  }
  static inline int prepared = 0;
};

class MemoryDriver : public Driver {
 public:
  std::unique_ptr<ConnectionImpl> connect(const std::vector<std::string>& params, Session&) override {
    if (paramValue(params, "FAIL")) throw EngineError(errc::kConnect, "refused");
    return std::make_unique<MemoryConnection>();
  }
};

inline void registerMemoryDriver() {
  registerDriver("MEMORY", [] { return std::make_unique<MemoryDriver>(); });
}

}  // namespace testing_db
