// What a driver ("STANDARD" for Paradox, "INTRBASE" for Firebird) provides to the engine's common layer.
// Callers use db/engine.h; only drivers and the common layer include this file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "db/value.h"

namespace db {

class Session;

// The servers that stopped answering during one piece of work (a run): a call left unanswered for its
// time-out makes its server silent; what follows tries it once more, briefly, and once that try has
// failed too every connection to it is refused at once, so that a frozen server costs one time-out and
// not one per table. Keyed by the server's name as the location gives it. Shared by the session's
// connections and by the watches of their calls (another thread): every member locks.
class SilentServers {
 public:
  enum class State { Answering, Silent, GivenUp };
  State state(const std::string& server) const;
  // A call or a connection left unanswered: silent, or given up when it already was.
  void unanswered(const std::string& server);
  // The brief try failed: every connection refused at once from now on.
  void giveUp(const std::string& server);
  // The server answered a connection: as before its silence.
  void answered(const std::string& server);
  // A new piece of work: every server is tried again.
  void forget();

 private:
  mutable std::mutex mutex_;
  std::map<std::string, State> states_;
};

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Unknown;
  int size = 0;    // String: length in characters; BCD: see the driver; others as the driver reports
  int number = 0;  // position in the structure, from 1
  int scale = 0;   // decimals of BCD / NUMERIC
  bool required = false;
  int width = 0;             // Float: bytes of the stored number, 4 single and 8 double precision; 0 unknown
  bool fixedLength = false;  // String: padded with blanks to its size when stored (Firebird CHAR)
  // Text or blob whose bytes are in no character set (Firebird OCTETS or NONE, BLOB SUB_TYPE 0): the
  // server stores what it is given, unconverted; a String's size counts bytes.
  bool binary = false;
  // Text in a character set: the set's name as the database declares it, where the driver knows it ("" if
  // not; Firebird's catalogue gives it).
  std::string charset = {};
  // Firebird COMPUTED BY: the server works its value out on every read; no INSERT may name it.
  bool computed = false;
};

struct IndexDef {
  std::string name;    // "" for a Paradox primary key
  std::string fields;  // field names joined by ";" in key order
  bool primary = false;
  bool caseInsensitive = false;
  bool unique = false;
  bool descending = false;
};

// A table's field and index definitions as opening it gives them.
struct TableDefinition {
  std::vector<FieldDef> fields;
  std::vector<IndexDef> indexes;
};

using Row = std::vector<Value>;

// A parameter handed to a statement: its position, its data type (Unknown when none was set) and value.
struct BoundParam {
  std::string name;
  FieldType type = FieldType::Unknown;
  Value value;
};

// Something a driver repaired, skipped or doubted while reading rows, reported without stopping the read.
struct ReadWarning {
  long record = 0;    // the row's number from 1 in the table's stored order; 0 = the table as a whole
  std::string field;  // the field concerned, "" when none
  std::string text;   // what was found and what was done about it (Polish, without the table's name)
  std::string table;  // the table's file as found ("PLANY.DB"), so that a warning left from an earlier
                      // opening of the same dataset is never taken for one of the next table
  bool note = false;  // informational: the value was read as the old engine read it, nothing was lost
  // The table did not give all it holds: rows it counts were not reached, or a value was given out in
  // place of one that could not be read.
  bool damage = false;
  long expectedRows = -1;  // rows the table counts, when fewer were reached
};

// An open set of rows. Rows are addressed by position (0-based) in the cursor's current order and
// range; a bookmark is a stable identity of a row that survives changes to other rows.
class CursorImpl {
 public:
  virtual ~CursorImpl() = default;

  virtual const std::vector<FieldDef>& fields() const = 0;
  // Reads the row at `pos` into `out` (resized to the field count). False when pos is past the end.
  virtual bool read(std::int64_t pos, Row& out) = 0;
  // Number of rows in the current order and range (a query cursor may have to fetch them all).
  virtual std::int64_t count() = 0;
  // The rows before `pos` will not be read again: a cursor that keeps what it fetched may let them go.
  virtual void forgetBefore(std::int64_t /*pos*/) {}

  virtual std::int64_t bookmarkAt(std::int64_t pos) { return pos; }
  // Position of a bookmarked row, or nullopt when it is gone.
  virtual std::optional<std::int64_t> positionOf(std::int64_t bookmark) { return bookmark; }

  // Tables only; the defaults refuse with an engine error.
  virtual std::vector<IndexDef> indexDefs() { return {}; }
  // Orders rows by a named index ("" = primary key or natural order), or by field names joined by ";".
  virtual void setOrder(const std::string& indexName, const std::string& fieldNames);
  // Restricts rows to those whose field `fieldIndex` equals `value` (a master/detail link); nullopt clears.
  virtual void setRange(std::optional<std::pair<int, Value>> range);
  // Modifications. Each returns the position of the affected row in the current order afterwards
  // (nullopt when it falls outside the range). Changes reach the file before they return.
  virtual std::optional<std::int64_t> update(std::int64_t pos, const Row& row);
  virtual std::optional<std::int64_t> insert(const Row& row);
  virtual void remove(std::int64_t pos);
  virtual bool canModify() const { return false; }
  // Warnings collected since the last call, then forgotten.
  virtual std::vector<ReadWarning> takeWarnings() { return {}; }
  // The bytes UTF-8 `text` takes in the code page this cursor's text is stored in (a Paradox table's);
  // nullopt when it keeps no code page of its own. EngineError (kConversion) when the page lacks a
  // character of the text.
  virtual std::optional<std::string> textInCodePage(const std::string& /*text*/) const {
    return std::nullopt;
  }
};

// Rows of a prepared statement without a result set, sent to the database several at a time.
// Rows go in the order they were added. When a sent group is refused, the driver runs its rows one by
// one as a single execution would, until the first refused row: that row is dropped and BatchRowError
// (db/engine.h) is raised with its tag, every row before it being in and every row after it still queued.
class BatchImpl {
 public:
  virtual ~BatchImpl() = default;
  // Queues a row (one value per marker, in order) under the caller's tag and sends what is queued once
  // a group is full. The values are taken: `values` is left holding a row of the same size to refill.
  virtual void add(std::uint64_t tag, Row& values) = 0;
  // Sends every queued row.
  virtual void flush() = 0;
  // Drops every queued row (see Query::discardBatch).
  virtual void discard() noexcept = 0;
  virtual std::size_t pending() const = 0;
};

// A prepared statement of a connection.
class StatementImpl {
 public:
  virtual ~StatementImpl() = default;
  // Batched execution of up to `maxRows` rows a group, or nullptr when this statement or connection
  // gains nothing from it (the default).
  virtual std::unique_ptr<BatchImpl> batch(std::size_t /*maxRows*/) { return nullptr; }
  // Runs the statement with the given parameters (one per marker, in order).
  virtual void execute(const std::vector<BoundParam>& params) = 0;
  // Runs a statement that yields rows.
  virtual std::unique_ptr<CursorImpl> open(const std::vector<BoundParam>& params) = 0;
};

struct TableOpenOptions {
  bool readOnly = false;
};

// A connected database.
class ConnectionImpl {
 public:
  virtual ~ConnectionImpl() = default;
  // Table names matching "*", "*.db" or an exact name (case ignored), without extensions or system tables.
  virtual std::vector<std::string> tableNames(const std::string& pattern) = 0;
  virtual std::unique_ptr<CursorImpl> openTable(const std::string& name, const TableOpenOptions& options) = 0;
  // The definitions openTable would give, where the driver knows them without opening the table (errors
  // as openTable's for a missing table); nullopt when the table must be opened for them.
  virtual std::optional<TableDefinition> describeTable(const std::string& /*name*/) { return std::nullopt; }
  // `sql` has each parameter marker replaced by "?"; `paramNames` are the markers' names in order.
  virtual std::unique_ptr<StatementImpl> prepare(const std::string& sql,
                                                 const std::vector<std::string>& paramNames) = 0;
  // A transaction of the caller's over several statements (see Database::startTransaction), with the
  // tables `reserveForWrite` reserved for its writing alone. Drivers without one refuse to start it.
  virtual void beginWork(const std::vector<std::string>& reserveForWrite);
  virtual void commitWork() {}
  virtual void rollbackWork() noexcept {}
  virtual bool inWork() const { return false; }
  // See Database::setWaitHook; drivers whose calls never wait for a server ignore it.
  virtual void setWaitHook(std::function<bool()> /*hook*/) {}
};

class Driver {
 public:
  virtual ~Driver() = default;
  // `params` are the database's parameter lines as "KEY=value" (keys as written).
  virtual std::unique_ptr<ConnectionImpl> connect(const std::vector<std::string>& params,
                                                  Session& session) = 0;
};

// Drivers by name ("STANDARD", "INTRBASE"). Registered by the engine at start; tests may add their own.
void registerDriver(const std::string& name, std::function<std::unique_ptr<Driver>()> factory);
std::unique_ptr<Driver> makeDriver(const std::string& name);

// The value of "KEY=value" in parameter lines (key matched ignoring case), nullopt when absent.
std::optional<std::string> paramValue(const std::vector<std::string>& params, const std::string& key);

}  // namespace db
