// The database engine as the program sees it: named databases, a session, tables, queries and fields.
// Every statement takes effect as it executes, unless the caller started a transaction of the database's
// (Database::startTransaction).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/error.h"
#include "db/value.h"
#include "platform/text.h"

namespace db {

class Database;
class Dataset;

// The engine session: table passwords and the databases by name.
class Session {
 public:
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void addPassword(const std::string& password);
  const std::vector<std::string>& passwords() const { return passwords_; }

  // Table names of a connected database (see ConnectionImpl::tableNames).
  std::vector<std::string> tableNames(Database& database, const std::string& pattern);

  // Code page for Paradox text overriding every table's own (0 = none: each table's header code page,
  // else the one its language driver implies, else Windows-1250).
  void setParadoxCodePage(int codePage) { paradoxCodePage_ = codePage; }
  int paradoxCodePage() const { return paradoxCodePage_; }

  // The servers this session's connections found silent (see SilentServers); shared with their watches.
  const std::shared_ptr<SilentServers>& silentServers() const { return silent_; }

 private:
  std::shared_ptr<SilentServers> silent_ = std::make_shared<SilentServers>();
  std::vector<std::string> passwords_;
  int paradoxCodePage_ = 0;
};

// A named connection with a driver and ordered parameter lines.
class Database {
 public:
  // A database of its own session, or one sharing `session` (which outlives it) with others.
  explicit Database(std::string name);
  Database(std::string name, Session& session);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& name() const { return name_; }
  Session& session() { return session_; }

  void setDriverName(const std::string& driver);
  const std::string& driverName() const { return driverName_; }
  // Parameter lines, in order ("PATH=...", "SERVER NAME=...").
  void clearParams();
  void addParam(const std::string& line);
  // Replaces line `index` (0-based; line 1 of the lists is index 0).
  void setParam(std::size_t index, const std::string& line);
  const std::vector<std::string>& params() const { return params_; }

  // Connects with the current driver and lines; throws EngineError. Connecting a connected database does
  // nothing.
  void connect();
  // Closes every dataset open on this database, then the connection. Never throws.
  void disconnect() noexcept;
  bool connected() const { return connection_ != nullptr; }

  // The driver's connection; throws EngineError when not connected.
  ConnectionImpl& connection();

  // The field and index definitions of the table `name` as opening it gives them (EngineError as
  // Table::open raises it). Connects first. A Firebird table's come from what the connection keeps of the
  // system tables, without the query and the fetch an opening costs through a server; other tables are
  // opened for them.
  TableDefinition describeTable(const std::string& name);

  // A transaction over several statements, where otherwise each takes effect as it executes: until
  // commit() nothing of it is kept, rollback() (or a disconnection) gives all of it up, and a failed
  // statement inside it is undone alone. EngineError when not connected, when one is already started or
  // when the driver has none (Paradox). The tables `reserveForWrite` are reserved for the transaction's
  // writing alone (protected): no other connection writes into them until it ends, and it waits (as for
  // a locked row, not for ever) while another connection has written into them and not ended.
  void startTransaction(const std::vector<std::string>& reserveForWrite = {});
  void commit();
  // Never throws; nothing happens when no transaction was started.
  void rollback() noexcept;
  bool inTransaction() const;

  // Keeps the caller's loop going while the database server is slow to answer: a call that has waited
  // longer than a moment (0.2 s) waits on, calling `hook` on the calling thread about every 50 ms; the
  // hook pumps the window's events and returns true when the operator asked, while it ran, to stop. The
  // call is then cancelled and raises the interruption error (isWaitInterrupted). Fast calls never call
  // it. Kept across reconnections; an empty function removes it. Only connections through a server use
  // it. A call made from inside the hook on the same connection raises kState (the connection is busy).
  void setWaitHook(std::function<bool()> hook);

 private:
  friend class Dataset;
  void attach(Dataset* dataset);
  void detach(Dataset* dataset);

  std::string name_;
  std::unique_ptr<Session> ownSession_;
  Session& session_;
  std::string driverName_;
  std::vector<std::string> params_;
  std::unique_ptr<Driver> driver_;
  std::unique_ptr<ConnectionImpl> connection_;
  std::set<Dataset*> datasets_;
  std::function<bool()> waitHook_;
};

// The native code of the error a call raises when the wait hook asked to stop it (the server's
// "operation was cancelled").
constexpr std::int64_t kWaitInterrupted = 335544794;
inline bool isWaitInterrupted(const EngineError& e) {
  return e.nativeCode() == kWaitInterrupted;
}

// One field of an open dataset, bound to the current row.
class Field {
 public:
  Field(Dataset& owner, FieldDef def, int index) : owner_(&owner), def_(std::move(def)), index_(index) {}

  const std::string& name() const { return def_.name; }
  FieldType dataType() const { return def_.type; }
  int size() const { return def_.size; }
  int fieldNo() const { return def_.number; }
  const FieldDef& def() const { return def_; }
  int index() const { return index_; }

  const Value& value() const;
  bool isNull() const;
  std::string asString() const;
  std::int64_t asInteger() const;
  double asFloat() const;
  bool asBoolean() const;

  // Writing needs the dataset in edit or insert state.
  void setValue(Value v);
  void setAsBoolean(bool b) { setValue(b); }
  void setAsString(const std::string& s) { setValue(s); }
  void setAsInteger(std::int64_t i) { setValue(i); }
  void clear() { setValue(Null{}); }

 private:
  Dataset* owner_;
  FieldDef def_;
  int index_;
};

// Common behaviour of tables and queries: a current row over a driver cursor.
class Dataset {
 public:
  enum class State { Inactive, Browse, Edit, Insert };

  Dataset();
  virtual ~Dataset();
  Dataset(const Dataset&) = delete;
  Dataset& operator=(const Dataset&) = delete;

  void setDatabase(Database* database);
  Database* database() const { return database_; }

  bool active() const { return state_ != State::Inactive; }
  State state() const { return state_; }
  void close() noexcept;

  void first();
  void next();
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  // Rows in the current order and range.
  std::int64_t recordCount();
  // Current row number from 1; 0 when there is no current row.
  std::int64_t recNo() const { return empty_ ? 0 : pos_ + 1; }
  bool isEmpty();
  // A dataset read once from first to last: rows behind the current one are let go as it moves on
  // (memory stays flat over a large result); going back to a row let go raises EngineError.
  void setUnidirectional(bool unidirectional) { unidirectional_ = unidirectional; }

  std::int64_t bookmark() const;
  // Returns to a bookmarked row; throws EngineError when the row is gone.
  void gotoBookmark(std::int64_t bookmark);

  // Makes current the first row whose fields (names joined by ";") equal `values`, whole values,
  // text compared ignoring case when asked. Returns whether one was found; the position is unchanged if not.
  bool locate(const std::string& fieldNames, const std::vector<Value>& values, bool caseInsensitive);

  int fieldCount() const { return static_cast<int>(fields_.size()); }
  Field& field(int index) { return *fields_.at(index); }
  // Field by name ignoring case; nullptr when absent.
  Field* findField(const std::string& name);
  // Field by name ignoring case; EngineError when absent.
  Field& fieldByName(const std::string& name);

  void edit();
  void insert();
  void post();
  void cancel();
  void deleteRecord();

  // What the driver repaired, skipped or doubted while reading this dataset's rows since the last call
  // (warnings of an earlier opening included: closing keeps them), then forgotten. Empty for drivers
  // that never doubt what they read.
  std::vector<ReadWarning> takeWarnings();
  // The bytes UTF-8 `text` takes in the code page this dataset's text is stored in (a Paradox table's);
  // nullopt when closed or when its text has no code page of its own. EngineError (kConversion) when the
  // page lacks one of its characters.
  std::optional<std::string> textInCodePage(const std::string& text) const {
    return cursor_ ? cursor_->textInCodePage(text) : std::nullopt;
  }

  // Details follow this dataset's current row (see Table::setMasterSource).
  void addObserver(Dataset* detail);
  void removeObserver(Dataset* detail);

  // Called by the framework when a master dataset moved.
  virtual void masterChanged() {}
  // Called by the database when it disconnects, after close(): drop anything tied to the connection.
  virtual void connectionLost() noexcept {}

 protected:
  friend class Field;
  friend class Database;

  // Opens the cursor: implemented by Table and Query.
  void openCursor(std::unique_ptr<CursorImpl> cursor);
  CursorImpl* cursor() { return cursor_.get(); }
  void requireActive() const;
  // Re-reads the current row after the order or range changed; goes to the first row.
  void resetToFirst();
  void moveTo(std::int64_t pos);
  void notifyObservers();
  virtual void beforeInsertRow(Row&) {}

  const Value& currentValue(int index) const;
  void setCurrentValue(int index, Value v);

  Database* database_ = nullptr;

 private:
  std::unique_ptr<CursorImpl> cursor_;
  std::vector<std::unique_ptr<Field>> fields_;
  Row row_;
  std::int64_t pos_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  bool empty_ = true;
  bool unidirectional_ = false;
  State state_ = State::Inactive;
  std::set<Dataset*> observers_;
  std::vector<ReadWarning> warnings_;  // taken from cursors already closed
};

// A table of a database, by name.
class Table : public Dataset {
 public:
  Table() = default;
  ~Table() override;

  void setTableName(const std::string& name) { tableName_ = name; }
  const std::string& tableName() const { return tableName_; }
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
  // Reading order: a named index, or field names joined by ";" (set before or after opening).
  void setIndexName(const std::string& name);
  void setIndexFieldNames(const std::string& names);

  // Master/detail: this table shows only the rows whose `detailField` equals the master's `masterField`;
  // a row inserted here receives that value. nullptr detaches.
  void setMasterSource(Dataset* master, const std::string& masterField, const std::string& detailField);

  // Opens the table; EngineError when it is missing or unreadable.
  void open();

  // Index definitions as last refreshed (refreshed at open).
  void refreshIndexDefs();
  const std::vector<IndexDef>& indexDefs() const { return indexDefs_; }

  void masterChanged() override;

 protected:
  void beforeInsertRow(Row& row) override;

 private:
  void applyOrder();
  void applyRange();

  std::string tableName_;
  std::string indexName_;
  std::string indexFieldNames_;
  bool readOnly_ = false;
  Dataset* master_ = nullptr;
  std::string masterField_;
  std::string detailField_;
  std::vector<IndexDef> indexDefs_;
};

// A query parameter taken from a `:"name"` marker.
class Param {
 public:
  explicit Param(std::string name) : name_(std::move(name)) {}
  const std::string& name() const { return name_; }
  void setDataType(FieldType type) { type_ = type; }
  FieldType dataType() const { return type_; }
  void setValue(Value v) {
    value_ = std::move(v);
    assigned_ = true;
  }
  void setAsString(const std::string& s) {
    setValue(s);
    if (type_ == FieldType::Unknown) type_ = FieldType::String;
  }
  void setAsInteger(std::int64_t i) {
    setValue(i);
    if (type_ == FieldType::Unknown) type_ = FieldType::Integer;
  }
  void clear() {
    value_ = Null{};
    assigned_ = true;
  }
  const Value& value() const { return value_; }
  // A parameter is usable once it has a data type or a value (null included).
  bool bound() const { return assigned_ || type_ != FieldType::Unknown; }

 private:
  std::string name_;
  FieldType type_ = FieldType::Unknown;
  Value value_;
  bool assigned_ = false;
};

// A row of a batch that the database refused, raised once every row queued before it is in. The row
// itself is dropped; the rows queued after it wait for the next flushBatch() or discardBatch().
class BatchRowError : public EngineError {
 public:
  BatchRowError(std::uint64_t tag, const EngineError& cause, std::exception_ptr original);
  // The tag the row was added with.
  std::uint64_t tag() const { return tag_; }
  // Raises the error exactly as executing the row alone raised it (a driver's own error type included).
  [[noreturn]] void rethrowCause() const;

 private:
  std::uint64_t tag_;
  std::exception_ptr cause_;
};

// One SQL statement against a database.
class Query : public Dataset {
 public:
  Query() = default;
  ~Query() override;

  // Closes the query and empties the statement text.
  void clearSql();
  // Appends a line of statement text; parameters are re-read from the markers.
  void addSql(const std::string& line);
  const std::string& sql() const { return sql_; }

  int paramCount() const { return static_cast<int>(params_.size()); }
  Param& param(int index) { return params_.at(index); }
  // First parameter of that name (exact); EngineError when absent.
  Param& paramByName(const std::string& name);

  // Runs the statement for rows.
  void open();
  // Runs the statement without a result. A prepared statement is reused while the text is unchanged.
  void execSql();

  // Batched execution of a statement without a result (an INSERT of many rows). beginBatch() prepares
  // the statement and switches batching on when the connection gains from it (a Firebird database
  // reached through a server); false otherwise, and then addToBatch() runs each row at once. Either way
  // a refused row raises BatchRowError with its tag (see there); the caller skips it and goes on
  // (flushBatch() sends the rows queued after it) or stops (discardBatch()). Changing the statement's
  // text, disconnecting or destroying the query drops what is still queued: flush first.
  // While a wait hook is set on the connection, a full group is sent in the background and the next rows
  // are taken meanwhile; a refusal in it is raised by a later addToBatch() or by flushBatch(), still
  // once every row before it is in and with every row after it queued.
  bool beginBatch(std::size_t maxRows);
  bool batching() const { return batch_ != nullptr; }
  // Takes the current parameter values as a row under `tag` (kMissingParam as execSql when one is unset).
  // The row is taken even when the call raises BatchRowError (for it or for a row queued earlier): it
  // must not be added again.
  void addToBatch(std::uint64_t tag);
  // Sends every queued row.
  void flushBatch();
  // Drops every queued row. A group already sent in the background is waited for; what it wrote is not
  // recalled and goes with the transaction (the caller rolls back to be rid of it).
  void discardBatch() noexcept;
  std::size_t batchPending() const { return batch_ ? batch_->pending() : 0; }

  void connectionLost() noexcept override;

 private:
  // The parameters as the statement takes them, by position.
  const std::vector<BoundParam>& boundParams();
  StatementImpl& statement();
  void dropStatement() noexcept;
  void requireNothingQueued() const;

  std::string sql_;
  std::vector<Param> params_;
  std::unique_ptr<StatementImpl> statement_;
  ConnectionImpl* preparedOn_ = nullptr;
  std::unique_ptr<BatchImpl> batch_;
  Row batchRow_;                   // the row handed to the batch, refilled for every addToBatch()
  std::vector<BoundParam> bound_;  // the parameters handed to the statement, refilled for every execution
};

// Splits `sql` at `:"name"` markers outside string literals; returns the text with "?" for each
// marker and the names in order.
std::pair<std::string, std::vector<std::string>> parseParamMarkers(const std::string& sql);
// Where the quoted literal or identifier (a doubled quote staying inside), the "--" comment (up to its
// line end) or the "/* */" comment that starts at `i` of `sql` ends; `i` when none starts there.
std::size_t sqlQuotedOrCommentEnd(const std::string& sql, std::size_t i);

using konw::equalsIgnoreCase;
using konw::upperAscii;
// Upper-cases UTF-8 text for comparisons that ignore case: ASCII and the Latin letters of the
// Windows-1250 and Windows-1252 code pages (Polish letters included).
std::string foldCase(const std::string& utf8);
// Equality of two values as a search compares them: numbers across their types, text optionally ignoring
// case, a text against another type by the other's text.
bool valuesEqual(const Value& a, const Value& b, bool caseInsensitive);

}  // namespace db
