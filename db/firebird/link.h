// The attachment shared by a connection, its statements and its cursors, with the transaction rule.
#pragma once

#include <firebird/Interface.h>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/firebird/charset.h"
#include "db/firebird/client.h"
#include "db/firebird/gate.h"
#include "db/firebird/message.h"
#include "db/firebird/watch.h"

namespace db::firebird {

// Callers never see transactions: every statement takes effect as it executes. Inside, one write
// transaction (read committed) carries the statements and is committed at safe points:
//  - before and after DDL (ALTER TRIGGER, SET GENERATOR, CREATE, DROP), whose effect only starts
//    at commit: the trigger switched off must already be off for the next INSERT;
//  - after a failed statement: the server has undone that statement alone (each statement runs
//    under its own savepoint), so what succeeded before it is committed and stays;
//  - every commitInterval() executed statements (50,000 unless the connection says otherwise), so a
//    long load never has more than that to lose; committing more often costs a disk flush each time,
//    which measurably slows a load of a million rows;
//  - before opening a cursor, because cursors read through a separate read-only read-committed
//    transaction that only sees committed rows (and, being read-only, holds no garbage back);
//  - at disconnect.
// A caller's own transaction (begin() to commitWork() or rollbackWork()) suspends every safe point:
// its statements, cursors and tables go through the write transaction, a failed statement is undone
// alone and the work before it stays pending, DDL is refused (but for switching a trigger and setting a
// generator, which take effect with the transaction), and a disconnection rolls it back.
class ResultCursor;
struct StatementCore;
struct Catalog;

// How a link behaves, from the connection's parameter lines.
struct LinkOptions {
  unsigned dialect = 3;
  bool enableBcd = true;
  int commitInterval = 50000;
  // A row lock held by another attachment is waited for this long (seconds).
  int lockTimeout = 60;
  // Through a server: a call with no answer within this time (ms) is cut off. Zero: no watch.
  std::chrono::milliseconds callTimeout{0};
  // Reached through a server, not opened in-process.
  bool remote = false;
  // The session's record of silent servers and this link's server in it (see db::SilentServers): a call
  // cut off makes the server silent, and while it is, calls are cut off after a brief wait.
  std::shared_ptr<db::SilentServers> silence;
  std::string server;
};

class Link {
 public:
  // `charset` is the connection's character set (see charset.h).
  Link(Ref<Firebird::IAttachment> attachment, const LinkOptions& options, const Charset& charset);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  Firebird::IAttachment* attachment();
  unsigned dialect() const { return options_.dialect; }
  bool enableBcd() const { return options_.enableBcd; }
  int commitInterval() const { return options_.commitInterval; }
  int lockTimeout() const { return options_.lockTimeout; }
  const Charset& charset() const { return charset_; }
  // Whether the database is reached through a server (every execution is a round trip).
  bool remote() const { return options_.remote; }
  // What every status of a call on this link carries.
  CallContext context() { return CallContext{watch_.get(), &charset_, gate()}; }

  // See Database::setWaitHook. Through a server only; the in-process engine ignores it.
  void setWaitHook(std::function<bool()> hook);
  // The gate calls go through, while a wait hook is set or a call is in flight; else none.
  CallGate* gate() { return gate_ && (gate_->active() || gate_->inFlight()) ? gate_.get() : nullptr; }
  // Runs client calls that may wait for the server through the gate (see gate.h).
  template <typename F>
  std::invoke_result_t<F&> call(F&& f, CallGate::Wait wait = CallGate::Wait::Interruptible) {
    return gated(gate(), f, wait);
  }
  // The gate a call may be put in flight through (CallGate::post): through a server while a wait hook is
  // set; in-process always (the engine then works on the gate's thread while the caller goes on).
  CallGate* background();
  // Raises kState when a call of this link is pending and this is a caller re-entered from the hook:
  // for entry points that touch what the pending call uses.
  void checkIdle() const;

  Firebird::ITransaction* writeTransaction();
  Firebird::ITransaction* readTransaction();
  // Commits the write transaction when it holds anything.
  void commit();
  void rollback() noexcept;
  // The caller's transaction (see above). begin() commits what the statements before it did first.
  void begin(const std::vector<std::string>& reserveForWrite = {});
  void commitWork();
  void rollbackWork() noexcept;
  bool inWork() const { return work_; }
  // The transaction a cursor reads through: the write transaction inside the caller's own, so that
  // it sees that transaction's changes; else the read transaction, after a commit.
  Firebird::ITransaction* cursorTransaction();
  // Records one executed change; commits when commitInterval() have gathered.
  void noteChange();
  void markDirty() { dirty_ = true; }
  // After a failed statement: keeps the work done before it (see the rule above). Never throws;
  // returns the commit's error when that work could not be kept (it is then rolled back).
  std::optional<ServerError> afterFailure() noexcept;
  // Commits and detaches; later use raises kState.
  void close();

  // Runs a query through the read transaction and returns all its rows (metadata look-ups).
  std::vector<Row> selectAll(const std::string& sql, const std::vector<Value>& params);
  // What the system tables said about the tables (see metadata.h); forgotten when DDL runs through the link
  // that may change tables, columns or indexes.
  Catalog& catalog();
  void forgetCatalog();

  // Statements and cursors register themselves so that close() can release their client objects
  // while the attachment still exists: the client crashes when they are used or released after it.
  void track(StatementCore* statement) { statements_.insert(statement); }
  void untrack(StatementCore* statement) { statements_.erase(statement); }
  void track(ResultCursor* cursor) { cursors_.insert(cursor); }
  void untrack(ResultCursor* cursor) { cursors_.erase(cursor); }

 private:
  std::set<StatementCore*> statements_;
  std::set<ResultCursor*> cursors_;
  std::unique_ptr<Catalog> catalog_;
  Ref<Firebird::IAttachment> attachment_;
  Ref<Firebird::ITransaction> write_;
  Ref<Firebird::ITransaction> read_;
  LinkOptions options_;
  const Charset& charset_;
  // Stopped before the attachment is released.
  std::unique_ptr<CallGate> gate_;
  // Declared last: stopped before anything above is released.
  std::unique_ptr<CallWatch> watch_;
  bool dirty_ = false;
  int sinceCommit_ = 0;
  bool work_ = false;  // inside the caller's transaction

  // Commits the write transaction when it holds anything, also inside the caller's transaction.
  void commitNow();
  // Cursors reading through the write transaction lose their result sets before it ends.
  void releaseWriteCursors() noexcept;
};

// A prepared statement with its messages; shared by the statement object and its open cursor.
struct StatementCore {
  std::shared_ptr<Link> link;
  Ref<Firebird::IStatement> statement;
  unsigned type = 0;  // isc_info_sql_stmt_*
  InputMessage input;
  OutputMessage output;
  bool hasOutput = false;
  ResultCursor* openCursor = nullptr;  // the cursor reading this statement's result set, if any
  std::string table;                   // the table an INSERT, UPDATE or DELETE changes; else empty
  Status status;                       // reused by every execution and fetch: no allocation per row

  // Prepares `sql` on the link.
  StatementCore(std::shared_ptr<Link> link, const std::string& sql);
  ~StatementCore();
  void bind(const std::vector<Value>& values, const BlobContext& blobs);
  void bind(const std::vector<BoundParam>& params, const BlobContext& blobs);
  // The connection is closing: frees the statement.
  void connectionClosed() noexcept;
};

// The table a data-changing statement names (INSERT INTO, UPDATE, DELETE FROM, MERGE INTO, UPDATE OR
// INSERT INTO), as stored: a quoted name as written, a plain one in upper case. Empty for others.
std::string changedTable(const std::string& sql);

// Rows of a result set, fetched only as they are read and kept for reading again.
class ResultCursor : public CursorImpl {
 public:
  // Opens the statement's result set (with the parameters already bound) in `transaction`, the
  // read transaction unless given. `fields` replaces the metadata's field definitions when given
  // (a table's declared types and lengths).
  ResultCursor(std::shared_ptr<StatementCore> core, std::vector<FieldDef> fields,
               Firebird::ITransaction* transaction = nullptr);
  // A cursor over rows already fetched.
  ResultCursor(std::vector<FieldDef> fields, std::vector<Row> rows);
  ~ResultCursor() override;

  const std::vector<FieldDef>& fields() const override { return fields_; }
  bool read(std::int64_t pos, Row& out) override;
  std::int64_t count() override;
  void forgetBefore(std::int64_t pos) override;
  std::vector<IndexDef> indexDefs() override { return indexes_; }
  void setIndexDefs(std::vector<IndexDef> defs) { indexes_ = std::move(defs); }

  // Reads the remaining rows and closes the result set.
  void fetchRest();
  // The connection is closing: releases the result set; reading past the rows fetched raises kState.
  void connectionClosed() noexcept;
  // The statement runs again (a statement has one result set at a time): as connectionClosed().
  void abandon() noexcept;
  // The transaction it reads through ends: as connectionClosed().
  void transactionEnded() noexcept;
  Firebird::ITransaction* transaction() const { return transaction_; }

 private:
  // Fetches the next row, or through a gate up to kFetchAhead rows the client may already hold;
  // false at the end. Through a gate the next rows are then fetched in the background (see
  // CallGate::post) while the caller reads these.
  bool fetchOne();
  // Fetches up to `most` rows into ahead_ (on the gate's thread when in flight).
  void fetchAhead(std::size_t most);
  // Takes the rows fetched by the call in flight; raises the error it met before its first row.
  void land();
  void closeResultSet() noexcept;

  std::shared_ptr<StatementCore> core_;
  Ref<Firebird::IResultSet> resultSet_;
  Firebird::ITransaction* transaction_ = nullptr;  // the result set's, for its blobs
  std::vector<FieldDef> fields_;
  std::deque<Row> rows_;  // the rows from position base_ on (dropped from the front as they are passed)
  // What a fetch touches, the gate's thread's alone while one is in flight: the rows it fetched, rows
  // forgotten to read into again, whether the result set ended, the error met after its first row.
  std::vector<Row> ahead_;
  std::vector<Row> recycled_;
  bool aheadEnded_ = false;
  std::exception_ptr aheadDeferred_;
  std::vector<Row> forgotten_;  // rows passed since the last fetch, for the next one
  CallGate* flight_ = nullptr;  // the gate a fetch of this cursor is in flight through
  std::int64_t base_ = 0;
  std::vector<IndexDef> indexes_;
  std::string closedBecause_;    // why rows can no longer be fetched; empty while they can
  std::exception_ptr deferred_;  // the error met by fetching ahead, raised when its row is wanted
};

}  // namespace db::firebird
