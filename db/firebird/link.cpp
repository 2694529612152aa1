#include "db/firebird/link.h"

#include <ibase.h>

#include <algorithm>
#include <cctype>

#include "db/engine.h"
#include "db/firebird/metadata.h"

namespace db::firebird {

namespace {

// Rows fetched by one call through a gate (see ResultCursor::fetchOne).
constexpr std::size_t kFetchAhead = 1024;

Ref<Firebird::ITransaction> startTransaction(Firebird::IAttachment* attachment, bool readOnly,
                                             int lockTimeout, CallContext context,
                                             const std::vector<std::string>& reserveForWrite = {}) {
  Status st(context);
  Ref<Firebird::IXpbBuilder> tpb(util()->getXpbBuilder(&st, Firebird::IXpbBuilder::TPB, nullptr, 0));
  tpb->insertTag(&st, readOnly ? isc_tpb_read : isc_tpb_write);
  tpb->insertTag(&st, isc_tpb_read_committed);
  tpb->insertTag(&st, isc_tpb_rec_version);
  tpb->insertTag(&st, isc_tpb_wait);
  if (!readOnly) {
    // No transaction-wide undo log: the transaction is never rolled back as a whole (it is
    // committed at safe points), and a failing statement is still undone by its own savepoint.
    tpb->insertTag(&st, isc_tpb_no_auto_undo);
  }
  // A row locked by another attachment is waited for, but not for ever.
  tpb->insertInt(&st, isc_tpb_lock_timeout, lockTimeout);
  for (const std::string& table : reserveForWrite) {
    tpb->insertString(&st, isc_tpb_lock_write, table.c_str());
    tpb->insertTag(&st, isc_tpb_protected);
  }
  unsigned length = tpb->getBufferLength(&st);
  const unsigned char* buffer = tpb->getBuffer(&st);
  return Ref<Firebird::ITransaction>(
      gated(context.gate, [&] { return attachment->startTransaction(&st, length, buffer); }));
}

}  // namespace

Link::Link(Ref<Firebird::IAttachment> attachment, const LinkOptions& options, const Charset& charset)
    : attachment_(std::move(attachment)), options_(options), charset_(charset) {
  if (options_.callTimeout.count() > 0) {
    // Cancelling with fb_cancel_abort closes the client's end at once: the call waiting for a frozen
    // server returns, where fb_cancel_raise would itself wait for the server's answer.
    std::function<bool()> hurry;
    if (options_.silence) {
      hurry = [silence = options_.silence, server = options_.server] {
        return silence->state(server) != db::SilentServers::State::Answering;
      };
    }
    watch_ = std::make_unique<CallWatch>(
        options_.callTimeout,
        [this] {
          QuietStatus st;
          if (attachment_) attachment_->cancelOperation(&st, fb_cancel_abort);
          if (options_.silence) options_.silence->unanswered(options_.server);
        },
        std::move(hurry));
  }
}

void Link::setWaitHook(std::function<bool()> hook) {
  // The in-process engine answers at once, or is busy with work the hook could not cut short anyway.
  if (!options_.remote) return;
  if (!gate_) {
    if (!hook) return;
    gate_ = std::make_unique<CallGate>([this](int kind) {
      // Without the watch: the call being cancelled is the one it watches.
      QuietStatus st;
      if (attachment_) attachment_->cancelOperation(&st, kind);
    });
  }
  gate_->setHook(std::move(hook));
}

CallGate* Link::background() {
  if (options_.remote) return gate_ && gate_->active() ? gate_.get() : nullptr;
  if (!gate_) {
    // Nothing cancels an in-process call: there is no hook to ask for it.
    gate_ = std::make_unique<CallGate>([](int) {});
  }
  return gate_.get();
}

void Link::checkIdle() const {
  if (gate_) gate_->checkIdle();
}

Link::~Link() {
  try {
    close();
  } catch (const EngineError&) {
    // Destruction cannot report; an uncommitted write transaction is rolled back on release.
  }
}

Firebird::IAttachment* Link::attachment() {
  if (!attachment_) throw EngineError(errc::kState, "Połączenie z bazą Firebird zostało zamknięte");
  return attachment_.get();
}

Firebird::ITransaction* Link::writeTransaction() {
  if (!write_) write_ = startTransaction(attachment(), false, options_.lockTimeout, context());
  return write_.get();
}

Firebird::ITransaction* Link::readTransaction() {
  if (!read_) read_ = startTransaction(attachment(), true, options_.lockTimeout, context());
  return read_.get();
}

void Link::commit() {
  if (work_) return;
  commitNow();
}

void Link::commitNow() {
  if (!write_) return;
  if (!dirty_) return;
  try {
    Status st(context());
    call([&] { write_->commit(&st); });
  } catch (const ServerError& error) {
    // A transaction whose commit the server refused is still open; its changes cannot be kept, and the
    // caller must hear that they are gone rather than believe them stored. A commit whose connection was
    // lost on its way may have been carried out by the server: nobody here knows, and nobody is told
    // otherwise.
    rollback();
    const std::int64_t gds = error.nativeCode();
    const bool zerwane = error.code() == errc::kConnect || gds == isc_network_error ||
                         gds == isc_net_read_err || gds == isc_net_write_err || gds == isc_conn_lost ||
                         gds == isc_lost_db_connection || gds == isc_shutdown || gds == isc_att_shutdown;
    std::string tekst = error.what();
    // The watch's words on what became of the changes do not hold for a commit.
    if (zerwane && tekst.ends_with(kZmianyWycofanePoZerwaniu))
      tekst.replace(tekst.size() - kZmianyWycofanePoZerwaniu.size(), kZmianyWycofanePoZerwaniu.size(), ".");
    throw ServerError(
        error.code(),
        tekst + (zerwane ? "\nPołączenie z bazą zostało zerwane w trakcie zatwierdzania: nie wiadomo, czy "
                           "serwer zapisał zmiany od poprzedniego zatwierdzenia, czy je wycofał."
                         : "\nZmiany od poprzedniego zatwierdzenia zostały wycofane."),
        error.nativeCode(), error.sqlCode());
  }
  write_.forget();
  dirty_ = false;
  sinceCommit_ = 0;
}

void Link::rollback() noexcept {
  work_ = false;
  if (!write_) return;
  releaseWriteCursors();
  QuietStatus st(context());
  call([&] { write_->rollback(&st); }, CallGate::Wait::Release);
  if (!st.failed()) write_.forget();
  write_.reset();
  dirty_ = false;
  sinceCommit_ = 0;
}

void Link::noteChange() {
  dirty_ = true;
  if (++sinceCommit_ >= options_.commitInterval) commit();
}

void Link::begin(const std::vector<std::string>& reserveForWrite) {
  if (work_) throw EngineError(errc::kState, "Transakcja w bazie Firebird jest już rozpoczęta");
  commitNow();
  work_ = true;
  // Reserved when it starts: the transaction begins now, so that a table held by another connection is
  // known at once.
  if (reserveForWrite.empty()) return;
  if (write_) {
    // A transaction that changed nothing: ended, so that the reserving one takes its place.
    releaseWriteCursors();
    Status st(context());
    call([&] { write_->commit(&st); });
    write_.forget();
  }
  try {
    write_ = startTransaction(attachment(), false, options_.lockTimeout, context(), reserveForWrite);
  } catch (...) {
    work_ = false;
    throw;
  }
}

void Link::commitWork() {
  if (!work_) throw EngineError(errc::kState, "Brak rozpoczętej transakcji w bazie Firebird");
  releaseWriteCursors();
  work_ = false;
  commitNow();
}

void Link::rollbackWork() noexcept {
  rollback();
}

Firebird::ITransaction* Link::cursorTransaction() {
  if (work_) return writeTransaction();
  commit();
  return readTransaction();
}

void Link::releaseWriteCursors() noexcept {
  if (!write_) return;
  for (ResultCursor* cursor : std::set<ResultCursor*>(cursors_))
    if (cursor->transaction() == write_.get()) cursor->transactionEnded();
}

std::optional<ServerError> Link::afterFailure() noexcept {
  // Inside the caller's transaction the failed statement was undone alone; the rest waits for the caller.
  if (work_) return std::nullopt;
  try {
    dirty_ = true;
    commit();
    return std::nullopt;
  } catch (const ServerError& e) {
    return e;
  } catch (const EngineError& e) {
    return ServerError(e.code(), e.what(), e.nativeCode(), 0);
  }
}

void Link::close() {
  if (!attachment_) return;
  for (ResultCursor* cursor : std::set<ResultCursor*>(cursors_)) cursor->connectionClosed();
  for (StatementCore* statement : std::set<StatementCore*>(statements_)) statement->connectionClosed();
  // The caller's transaction unfinished at disconnection is given up, never kept half done.
  if (work_) rollback();
  commit();
  write_.reset();
  if (read_) {
    QuietStatus st(context());
    call([&] { read_->commit(&st); }, CallGate::Wait::Release);
    if (!st.failed()) read_.forget();
    read_.reset();
  }
  try {
    Status st(errc::kConnect, context());
    call([&] { attachment_->detach(&st); }, CallGate::Wait::Release);
    attachment_.forget();
  } catch (const EngineError&) {
    attachment_.reset();
    watch_.reset();
    throw;
  }
  watch_.reset();
}

Catalog& Link::catalog() {
  if (!catalog_) catalog_ = std::make_unique<Catalog>();
  return *catalog_;
}

void Link::forgetCatalog() {
  if (!catalog_) return;
  // The character sets stay: DDL never renumbers them.
  auto charsets = std::move(catalog_->charsets);
  catalog_ = std::make_unique<Catalog>();
  catalog_->charsets = std::move(charsets);
}

std::vector<Row> Link::selectAll(const std::string& sql, const std::vector<Value>& params) {
  checkIdle();
  // One call through the gate for the whole query: the calls inside it run on the gate's thread.
  return call([&] {
    // The statement lives only during this call, so it refers to the link without owning it.
    auto core = std::make_shared<StatementCore>(std::shared_ptr<Link>(std::shared_ptr<Link>{}, this), sql);
    core->bind(params, BlobContext{attachment(), readTransaction(), context()});
    ResultCursor cursor(core, {});
    std::vector<Row> rows;
    Row row;
    for (std::int64_t i = 0; cursor.read(i, row); ++i) rows.push_back(row);
    return rows;
  });
}

std::string changedTable(const std::string& sql) {
  std::size_t i = 0;
  auto blanks = [&] {
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  };
  auto word = [&] {
    blanks();
    std::size_t start = i;
    while (i < sql.size() &&
           (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_' || sql[i] == '$')) {
      ++i;
    }
    return upperAscii(sql.substr(start, i - start));
  };
  std::string first = word();
  std::size_t afterFirst = i;
  std::string next = word();
  if (first == "UPDATE" && next == "OR") {
    if (word() != "INSERT" || word() != "INTO") return {};
  } else if (first == "UPDATE") {
    i = afterFirst;  // the table follows the keyword itself
  } else if (!((first == "INSERT" && next == "INTO") || (first == "DELETE" && next == "FROM") ||
               (first == "MERGE" && next == "INTO"))) {
    return {};
  }
  blanks();
  if (i < sql.size() && sql[i] == '"') {
    std::string name;
    for (++i; i < sql.size(); ++i) {
      if (sql[i] == '"') {
        if (i + 1 < sql.size() && sql[i + 1] == '"') {
          name += '"';
          ++i;
        } else {
          return name;
        }
      } else {
        name += sql[i];
      }
    }
    return {};
  }
  return word();
}

StatementCore::StatementCore(std::shared_ptr<Link> owner, const std::string& sql)
    : link(std::move(owner)), table(changedTable(sql)), status(link->context()) {
  Status st(link->context());
  // The statement's text, its literals and quoted names included, travels in the connection's set.
  std::string text = link->charset().encode(sql);
  Firebird::IAttachment* attachment = link->attachment();
  Firebird::ITransaction* transaction = link->writeTransaction();
  // The metadata comes with the answer: what follows asks the client alone.
  statement = Ref<Firebird::IStatement>(link->call([&] {
    return attachment->prepare(&st, transaction, static_cast<unsigned>(text.size()), text.c_str(),
                               link->dialect(), Firebird::IStatement::PREPARE_PREFETCH_METADATA);
  }));
  type = statement->getType(&st);
  Ref<Firebird::IMessageMetadata> in(statement->getInputMetadata(&st));
  input.layout(in.get(), link->charset());
  Ref<Firebird::IMessageMetadata> out(statement->getOutputMetadata(&st));
  unsigned columns = out->getCount(&st);
  hasOutput = columns > 0;
  if (hasOutput) output.layout(out.get(), link->enableBcd(), link->charset());
  // Last, so that a constructor that failed leaves nothing registered.
  link->track(this);
}

StatementCore::~StatementCore() {
  if (statement) link->untrack(this);
}

void StatementCore::connectionClosed() noexcept {
  QuietStatus st(link->context());
  link->call([&] { statement->free(&st); }, CallGate::Wait::Release);
  if (!st.failed()) statement.forget();
  statement.reset();
  link->untrack(this);
}

void StatementCore::bind(const std::vector<Value>& values, const BlobContext& blobs) {
  if (values.size() != input.count()) {
    throw EngineError(errc::kSqlError, "Liczba parametrów (" + std::to_string(values.size()) +
                                           ") nie zgadza się z poleceniem (" + std::to_string(input.count()) +
                                           ")");
  }
  for (std::size_t i = 0; i < values.size(); ++i) input.set(i, values[i], blobs);
}

void StatementCore::bind(const std::vector<BoundParam>& params, const BlobContext& blobs) {
  if (params.size() != input.count()) {
    throw EngineError(errc::kSqlError, "Liczba parametrów (" + std::to_string(params.size()) +
                                           ") nie zgadza się z poleceniem (" + std::to_string(input.count()) +
                                           ")");
  }
  for (std::size_t i = 0; i < params.size(); ++i) input.set(i, params[i].value, blobs);
}

ResultCursor::ResultCursor(std::shared_ptr<StatementCore> core, std::vector<FieldDef> fields,
                           Firebird::ITransaction* transaction)
    : core_(std::move(core)), fields_(std::move(fields)) {
  if (core_->openCursor) core_->openCursor->abandon();
  transaction_ = transaction ? transaction : core_->link->readTransaction();
  Status st(core_->link->context());
  resultSet_ = Ref<Firebird::IResultSet>(core_->link->call([&] {
    return core_->statement->openCursor(&st, transaction_, core_->input.metadata(), core_->input.buffer(),
                                        core_->output.metadata(), 0);
  }));
  if (fields_.empty()) fields_ = core_->output.fieldDefs();
  core_->openCursor = this;
  core_->link->track(this);
}

ResultCursor::ResultCursor(std::vector<FieldDef> fields, std::vector<Row> rows)
    : fields_(std::move(fields)),
      rows_(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end())) {}

ResultCursor::~ResultCursor() {
  closeResultSet();
}

void ResultCursor::connectionClosed() noexcept {
  closeResultSet();
  closedBecause_ = "Połączenie z bazą Firebird zostało zamknięte";
}

void ResultCursor::abandon() noexcept {
  closeResultSet();
  closedBecause_ = "Wynik zapytania został zamknięty przez ponowne wykonanie polecenia";
}

void ResultCursor::transactionEnded() noexcept {
  closeResultSet();
  closedBecause_ = "Transakcja, w której czytano wynik zapytania, została zakończona";
}

void ResultCursor::closeResultSet() noexcept {
  if (flight_) {
    // The rows fetched in the background are not wanted any more.
    try {
      std::exchange(flight_, nullptr)->collect(CallGate::Wait::Release);
    } catch (...) {
      // Whatever the fetch met, the result set is closed below.
    }
    ahead_.clear();
    aheadDeferred_ = nullptr;
  }
  if (!resultSet_) return;
  QuietStatus st(core_ ? core_->link->context() : CallContext{});
  gated(
      core_ ? core_->link->gate() : nullptr, [&] { resultSet_->close(&st); }, CallGate::Wait::Release);
  if (!st.failed()) resultSet_.forget();
  resultSet_.reset();
  if (core_ && core_->openCursor == this) core_->openCursor = nullptr;
  if (core_) core_->link->untrack(this);
}

bool ResultCursor::fetchOne() {
  if (!closedBecause_.empty()) throw EngineError(errc::kState, closedBecause_);
  if (deferred_) std::rethrow_exception(std::exchange(deferred_, nullptr));
  if (!resultSet_) return false;
  Link& link = *core_->link;
  link.checkIdle();
  if (flight_) {
    land();
  } else {
    if (recycled_.empty()) recycled_.swap(forgotten_);
    // A call through the gate costs two thread switches: the rows the client holds already come along.
    const std::size_t most = link.gate() ? kFetchAhead : 1;
    link.call([&] { fetchAhead(most); });
  }
  const std::size_t fetched = ahead_.size();
  for (Row& row : ahead_) rows_.push_back(std::move(row));
  ahead_.clear();
  deferred_ = std::exchange(aheadDeferred_, nullptr);
  if (aheadEnded_) {
    closeResultSet();
  } else if (CallGate* gate = link.background(); gate && !gate->inFlight() && !deferred_) {
    // The next rows come while the caller reads these (the server and this side work at once).
    recycled_.swap(forgotten_);
    gate->post([this] { fetchAhead(kFetchAhead); });
    flight_ = gate;
  }
  return fetched > 0;
}

void ResultCursor::fetchAhead(std::size_t most) {
  Link& link = *core_->link;
  Status& st = core_->status;
  const BlobContext blobs{link.attachment(), transaction_, link.context()};
  while (ahead_.size() < most) {
    // A row forgotten before is read into again: its strings keep their memory.
    Row row;
    if (!recycled_.empty()) {
      row = std::move(recycled_.back());
      recycled_.pop_back();
    }
    try {
      if (resultSet_->fetchNext(&st, core_->output.buffer()) == Firebird::IStatus::RESULT_NO_DATA) {
        aheadEnded_ = true;
        return;
      }
      core_->output.read(row, blobs);
    } catch (const EngineError& e) {
      // The rows fetched before it are read first, as one by one; a cancelled fetch is the gate's.
      if (ahead_.empty() || isWaitInterrupted(e)) throw;
      aheadDeferred_ = std::current_exception();
      return;
    }
    ahead_.push_back(std::move(row));
  }
}

void ResultCursor::land() {
  CallGate* gate = std::exchange(flight_, nullptr);
  try {
    gate->collect();
  } catch (...) {
    ahead_.clear();
    throw;
  }
}

bool ResultCursor::read(std::int64_t pos, Row& out) {
  if (core_) core_->link->checkIdle();  // a fetch may be filling the rows
  if (pos < 0) return false;
  if (pos < base_) throw EngineError(errc::kState, "Wiersz wyniku zapytania nie jest już dostępny");
  while (base_ + static_cast<std::int64_t>(rows_.size()) <= pos) {
    if (!fetchOne()) return false;
  }
  out = rows_[static_cast<std::size_t>(pos - base_)];
  return true;
}

std::int64_t ResultCursor::count() {
  fetchRest();
  return base_ + static_cast<std::int64_t>(rows_.size());
}

void ResultCursor::forgetBefore(std::int64_t pos) {
  if (core_) core_->link->checkIdle();
  const auto n = std::min<std::int64_t>(pos - base_, static_cast<std::int64_t>(rows_.size()));
  if (n <= 0) return;
  for (auto it = rows_.begin(); it != rows_.begin() + n && forgotten_.size() < kFetchAhead; ++it)
    forgotten_.push_back(std::move(*it));
  rows_.erase(rows_.begin(), rows_.begin() + n);
  base_ += n;
}

void ResultCursor::fetchRest() {
  while (fetchOne()) {
  }
}

}  // namespace db::firebird
