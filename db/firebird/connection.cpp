#include <ibase.h>

#include <algorithm>

#include "db/engine.h"
#include "db/firebird/batch.h"
#include "db/firebird/driver.h"
#include "db/firebird/link.h"
#include "db/firebird/metadata.h"
#include "platform/hostpath.h"

namespace db::firebird {

namespace {

// Statements whose effect only starts at commit.
bool isDdl(unsigned type) {
  return type == isc_info_sql_stmt_ddl || type == isc_info_sql_stmt_set_generator;
}

// Runs a statement that yields nothing, in the write transaction. A failure keeps the work before it
// (see Link) and is raised.
template <typename Params>
void run(StatementCore& core, const Params& params) {
  Link& link = *core.link;
  Firebird::ITransaction* tra = link.writeTransaction();
  core.bind(params, BlobContext{link.attachment(), tra});
  Status& st = core.status;
  core.statement->execute(&st, tra, core.input.metadata(), core.input.buffer(),
                          core.hasOutput ? core.output.metadata() : nullptr,
                          core.hasOutput ? core.output.buffer() : nullptr);
  if (st.failed()) {
    ServerError error = errorFromStatus(st.current(), errc::kSqlError);
    if (auto lost = link.afterFailure()) {
      throw ServerError(error.code(), std::string(error.what()) + "\n" + lost->what(), error.nativeCode(),
                        error.sqlCode());
    }
    throw error;
  }
}

class Statement : public StatementImpl {
 public:
  Statement(std::shared_ptr<StatementCore> core, std::string sql) : core_(std::move(core)), sql_(std::move(sql)) {}

  void execute(const std::vector<BoundParam>& params) override {
    Link& link = *core_->link;
    if (core_->openCursor) core_->openCursor->abandon();
    switch (core_->type) {
      case isc_info_sql_stmt_start_trans:
        return;
      case isc_info_sql_stmt_commit:
      case isc_info_sql_stmt_rollback:
        // Every statement already took effect when it ran, so there is nothing a ROLLBACK may undo:
        // both only make the work so far durable.
        link.commit();
        return;
      case isc_info_sql_stmt_select:
        open(params);
        return;
      default:
        break;
    }
    bool ddl = isDdl(core_->type);
    if (ddl) link.commit();
    run(params);
    if (ddl) {
      link.markDirty();
      link.commit();
    } else {
      link.noteChange();
    }
  }

  std::unique_ptr<CursorImpl> open(const std::vector<BoundParam>& params) override {
    Link& link = *core_->link;
    if (core_->type == isc_info_sql_stmt_select) {
      // The cursor reads committed rows only: what this connection changed must be committed first.
      link.commit();
      core_->bind(params, BlobContext{link.attachment(), link.readTransaction()});
      return std::make_unique<ResultCursor>(core_, std::vector<FieldDef>{});
    }
    if (core_->type == isc_info_sql_stmt_select_for_upd) {
      // Locks need the write transaction, whose next commit would close the cursor: read it all now.
      Firebird::ITransaction* tra = link.writeTransaction();
      core_->bind(params, BlobContext{link.attachment(), tra});
      auto cursor = std::make_unique<ResultCursor>(core_, std::vector<FieldDef>{}, tra);
      cursor->fetchRest();
      link.noteChange();
      return cursor;
    }
    // A procedure or a statement with RETURNING: one row at most.
    run(params);
    link.noteChange();
    std::vector<Row> rows;
    std::vector<FieldDef> fields;
    if (core_->hasOutput) {
      fields = core_->output.fieldDefs();
      rows.emplace_back();
      core_->output.read(rows.back(), BlobContext{link.attachment(), link.writeTransaction()});
    }
    return std::make_unique<ResultCursor>(std::move(fields), std::move(rows));
  }

  // Only an INSERT through a server gains from batching: embedded, a row costs no round trip.
  std::unique_ptr<BatchImpl> batch(std::size_t maxRows) override {
    if (!core_->link->remote() || core_->type != isc_info_sql_stmt_insert || core_->hasOutput) return nullptr;
    if (core_->openCursor) core_->openCursor->abandon();
    std::shared_ptr<StatementCore> core = core_;
    return makeBatch(core_, sql_, maxRows, [core](const Row& row) {
      firebird::run(*core, row);
      core->link->noteChange();
    });
  }

 private:
  void run(const std::vector<BoundParam>& params) { firebird::run(*core_, params); }

  std::shared_ptr<StatementCore> core_;
  std::string sql_;
};

// "*" and "*.db" match every name; otherwise a pattern with * and ? wildcards, letters compared in
// upper case (a Paradox extension in the pattern is ignored: Firebird tables have none).
bool matchesPattern(const std::string& name, std::string pattern) {
  pattern = upperAscii(pattern);
  if (pattern.size() > 3 && pattern.ends_with(".DB")) pattern.resize(pattern.size() - 3);
  std::string upper = upperAscii(name);
  std::size_t n = 0, p = 0, star = std::string::npos, mark = 0;
  while (n < upper.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == upper[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string quoteName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

class Connection : public ConnectionImpl {
 public:
  explicit Connection(std::shared_ptr<Link> link) : link_(std::move(link)) {}
  ~Connection() override {
    try {
      link_->close();
    } catch (const EngineError&) {
      // Nothing can be reported from here; the attachment is released either way.
    }
  }

  std::vector<std::string> tableNames(const std::string& pattern) override {
    std::vector<std::string> names;
    for (std::string& name : userTableNames(*link_)) {
      if (matchesPattern(name, pattern)) names.push_back(std::move(name));
    }
    return names;
  }

  std::unique_ptr<CursorImpl> openTable(const std::string& name, const TableOpenOptions&) override {
    link_->commit();
    std::optional<std::string> stored = resolveTableName(*link_, name);
    if (!stored) throw EngineError(errc::kNotFound, "Nie znaleziono tabeli \"" + name + "\"");
    std::vector<FieldDef> fields = tableFields(*link_, *stored);
    auto core = std::make_shared<StatementCore>(link_, "SELECT * FROM " + quoteName(*stored));
    auto cursor = std::make_unique<ResultCursor>(core, std::move(fields));
    cursor->setIndexDefs(tableIndexes(*link_, *stored));
    return cursor;
  }

  std::unique_ptr<StatementImpl> prepare(const std::string& sql, const std::vector<std::string>&) override {
    return std::make_unique<Statement>(std::make_shared<StatementCore>(link_, sql), sql);
  }

 private:
  std::shared_ptr<Link> link_;
};

class FirebirdDriver : public Driver {
 public:
  std::unique_ptr<ConnectionImpl> connect(const std::vector<std::string>& params, Session&) override {
    ConnectOptions options = connectOptions(params);
    Ref<Firebird::IAttachment> attachment = attach(options, false);
    auto link = std::make_shared<Link>(std::move(attachment), options.dialect, options.enableBcd,
                                       options.commitInterval);
    link->setRemote(isRemoteLocation(attachLocation(options.location)));
    return std::make_unique<Connection>(std::move(link));
  }
};

bool truthy(const std::optional<std::string>& v, bool fallback) {
  if (!v) return fallback;
  std::string u = upperAscii(*v);
  return u == "TRUE" || u == "T" || u == "1" || u == "YES";
}

}  // namespace

std::string attachLocation(const std::string& location) {
  // "C:\DIR\FILE.GDB" names a local file the Windows way, not a server called "C".
  if (konw::isDriveLocation(location)) return konw::hostPath(location).string();
  return location;
}

ConnectOptions connectOptions(const std::vector<std::string>& params) {
  ConnectOptions o;
  o.location = paramValue(params, "SERVER NAME").value_or("");
  if (o.location.empty()) throw EngineError(errc::kConnect, "Nie podano położenia bazy danych (SERVER NAME)");
  o.user = paramValue(params, "USER NAME").value_or("SYSDBA");
  o.password = paramValue(params, "PASSWORD").value_or("");
  if (auto dialect = paramValue(params, "SQLDIALECT")) {
    o.dialect = (*dialect == "1") ? 1 : (*dialect == "2" ? 2 : 3);
  }
  o.enableBcd = truthy(paramValue(params, "ENABLE BCD"), true);
  if (auto interval = paramValue(params, "COMMIT INTERVAL")) {
    try {
      o.commitInterval = std::max(1, std::stoi(*interval));
    } catch (const std::exception&) {
      throw EngineError(errc::kConnect, "Niepoprawna wartość COMMIT INTERVAL: " + *interval);
    }
  }
  return o;
}

Ref<Firebird::IAttachment> attach(const ConnectOptions& options, bool create, const std::string& charset) {
  Status st;
  Ref<Firebird::IXpbBuilder> dpb(util()->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0));
  st.check(errc::kConnect);
  dpb->insertString(&st, isc_dpb_user_name, options.user.c_str());
  st.check(errc::kConnect);
  dpb->insertString(&st, isc_dpb_password, options.password.c_str());
  st.check(errc::kConnect);
  // Text crosses the connection as UTF-8; the server converts to and from the columns' character set.
  dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
  st.check(errc::kConnect);
  if (create) {
    dpb->insertInt(&st, isc_dpb_sql_dialect, static_cast<int>(options.dialect));
    st.check(errc::kConnect);
    dpb->insertString(&st, isc_dpb_set_db_charset, charset.c_str());
    st.check(errc::kConnect);
    dpb->insertInt(&st, isc_dpb_page_size, 8192);
    st.check(errc::kConnect);
  }
  unsigned length = dpb->getBufferLength(&st);
  st.check(errc::kConnect);
  const unsigned char* buffer = dpb->getBuffer(&st);
  st.check(errc::kConnect);
  Ref<Firebird::IProvider> provider(master()->getDispatcher());
  std::string path = attachLocation(options.location);
  Ref<Firebird::IAttachment> attachment(create ? provider->createDatabase(&st, path.c_str(), length, buffer)
                                               : provider->attachDatabase(&st, path.c_str(), length, buffer));
  st.check(errc::kConnect);
  return attachment;
}

void createDatabase(const ConnectOptions& options, const std::string& charset) {
  Ref<Firebird::IAttachment> attachment = attach(options, true, charset);
  Status st;
  attachment->detach(&st);
  st.check(errc::kConnect);
  attachment.forget();
}

void dropDatabase(const ConnectOptions& options) {
  Ref<Firebird::IAttachment> attachment = attach(options, false);
  Status st;
  attachment->dropDatabase(&st);
  st.check();
  attachment.forget();
}

std::unique_ptr<Driver> makeDriver() {
  return std::make_unique<FirebirdDriver>();
}

}  // namespace db::firebird
