#include <ibase.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <sstream>

#include "db/engine.h"
#include "db/firebird/batch.h"
#include "db/firebird/driver.h"
#include "db/firebird/link.h"
#include "db/firebird/lockdir.h"
#include "db/firebird/metadata.h"
#include "platform/hostpath.h"
#include "platform/text.h"

namespace db::firebird {

namespace {

// Statements whose effect only starts at commit.
bool isDdl(unsigned type) {
  return type == isc_info_sql_stmt_ddl || type == isc_info_sql_stmt_set_generator;
}

// The first two words of a statement, in upper case.
std::pair<std::string, std::string> firstWords(const std::string& sql) {
  std::istringstream words(upperAscii(sql));
  std::string first, second;
  words >> first >> second;
  return {first, second};
}

// DDL that switches a trigger or sets a generator, which the copy runs for every table with a trigger.
bool numbering(const std::string& sql) {
  const auto [first, second] = firstWords(sql);
  return (first == "ALTER" && (second == "TRIGGER" || second == "SEQUENCE")) ||
         (first == "SET" && second == "GENERATOR");
}

// DDL that may change what the catalog holds (metadata.h): any but the numbering's.
bool changesTables(unsigned type, const std::string& sql) {
  return type != isc_info_sql_stmt_set_generator && !numbering(sql);
}

// A row another attachment holds, still locked when the wait ran out: the error says which table.
bool lockConflict(const ServerError& e) {
  std::int64_t gds = e.nativeCode();
  return gds == isc_lock_timeout || gds == isc_deadlock || gds == isc_update_conflict ||
         gds == isc_lock_conflict;
}

ServerError namedLockError(const std::string& changed, const Link& link, const ServerError& e) {
  std::string table = changed.empty() ? std::string("(nieznana)") : "\"" + changed + "\"";
  return ServerError(e.code(),
                     "Tabela " + table +
                         " jest zablokowana przez inne połączenie z bazą; blokada nie została "
                         "zwolniona w ciągu " +
                         std::to_string(link.lockTimeout()) + " s.\n" + e.what(),
                     e.nativeCode(), e.sqlCode());
}

// A failed execution as the caller hears it: a lock held elsewhere names the table, and the work
// before the statement is kept (see Link) or its loss is said.
[[noreturn]] void raiseFailure(Link& link, const std::string& changed, const ServerError& failure) {
  ServerError error = lockConflict(failure) ? namedLockError(changed, link, failure) : failure;
  if (auto lost = link.afterFailure()) {
    throw ServerError(error.code(), std::string(error.what()) + "\n" + lost->what(), error.nativeCode(),
                      error.sqlCode());
  }
  throw error;
}

// Runs a statement that yields nothing, in the write transaction. A failure keeps the work before it
// (see Link) and is raised. The one path of a single execution: a batch redoes refused rows through it.
template <typename Params>
void run(StatementCore& core, const Params& params) {
  Link& link = *core.link;
  Firebird::ITransaction* tra = link.writeTransaction();
  core.bind(params, BlobContext{link.attachment(), tra, link.context()});
  try {
    link.call([&] {
      core.statement->execute(&core.status, tra, core.input.metadata(), core.input.buffer(),
                              core.hasOutput ? core.output.metadata() : nullptr,
                              core.hasOutput ? core.output.buffer() : nullptr);
    });
  } catch (const ServerError& failure) {
    raiseFailure(link, core.table, failure);
  }
}

// Runs a statement that yields nothing by the rule of every such execution: DDL (`ddl`) takes effect at
// commit, so it runs between two commits; anything else is a change counted towards the next commit.
// Inside the caller's transaction DDL is refused, but for switching a trigger or setting a generator
// (`withWork`): those take effect with the transaction's commit and are undone with its rollback, so
// that a table's rows and its numbering become visible together.
template <typename Run>
void asChange(Link& link, bool ddl, bool withWork, Run run) {
  if (ddl && link.inWork()) {
    if (!withWork)
      throw EngineError(errc::kState,
                        "Polecenie zmieniające strukturę bazy nie może być wykonane wewnątrz transakcji");
    ddl = false;
  }
  if (ddl) link.commit();
  run();
  if (ddl) {
    link.markDirty();
    link.commit();
  } else {
    link.noteChange();
  }
}

class Statement : public StatementImpl {
 public:
  Statement(std::shared_ptr<StatementCore> core, std::string sql)
      : core_(std::move(core)), sql_(std::move(sql)) {}

  void execute(const std::vector<BoundParam>& params) override {
    Link& link = *core_->link;
    link.checkIdle();
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
    const bool ddl = isDdl(core_->type);
    if (ddl && changesTables(core_->type, sql_)) link.forgetCatalog();
    asChange(link, ddl, !changesTables(core_->type, sql_), [&] { run(params); });
  }

  std::unique_ptr<CursorImpl> open(const std::vector<BoundParam>& params) override {
    Link& link = *core_->link;
    link.checkIdle();
    if (core_->type == isc_info_sql_stmt_select) {
      // Outside the caller's transaction the cursor reads committed rows only, so what this connection
      // changed is committed first; inside it, it reads through that transaction (Link::cursorTransaction).
      Firebird::ITransaction* tra = link.cursorTransaction();
      core_->bind(params, BlobContext{link.attachment(), tra, link.context()});
      return std::make_unique<ResultCursor>(core_, std::vector<FieldDef>{}, tra);
    }
    if (core_->type == isc_info_sql_stmt_select_for_upd) {
      // Locks need the write transaction, whose next commit would close the cursor: read it all now.
      Firebird::ITransaction* tra = link.writeTransaction();
      core_->bind(params, BlobContext{link.attachment(), tra, link.context()});
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
      core_->output.read(rows.back(),
                         BlobContext{link.attachment(), link.writeTransaction(), link.context()});
    }
    return std::make_unique<ResultCursor>(std::move(fields), std::move(rows));
  }

  // Only an INSERT through a server gains from batching: embedded, a row costs no round trip.
  std::unique_ptr<BatchImpl> batch(std::size_t maxRows) override {
    if (!core_->link->remote() || core_->type != isc_info_sql_stmt_insert || core_->hasOutput) return nullptr;
    core_->link->checkIdle();
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

// What a statement without parameters may be run as at once, without preparing it first: preparing
// costs a round trip through a server, and these are run once each (the copy's per table).
enum class AtOnce { No, Change, Ddl };

AtOnce runsAtOnce(const std::string& sql) {
  if (splitAtMarkers(sql).size() != 1) return AtOnce::No;
  const std::string upper = upperAscii(sql);
  // Anything that could give rows back is prepared, so that they are read.
  if (upper.find("RETURNING") != std::string::npos) return AtOnce::No;
  if (firstWords(upper) == std::pair<std::string, std::string>{"DELETE", "FROM"}) return AtOnce::Change;
  return numbering(upper) ? AtOnce::Ddl : AtOnce::No;
}

// A statement run at once each time it is executed (see runsAtOnce), with what the prepared one does
// around it: DDL (the numbering's, which may join the caller's transaction) between commits, a change
// counted, a lock held elsewhere named.
class StatementAtOnce : public StatementImpl {
 public:
  StatementAtOnce(std::shared_ptr<Link> link, std::string sql, AtOnce kind)
      : link_(std::move(link)), sql_(std::move(sql)), kind_(kind), table_(changedTable(sql_)) {}

  void execute(const std::vector<BoundParam>& params) override {
    Link& link = *link_;
    link.checkIdle();
    if (!params.empty()) throw EngineError(errc::kSqlError, "Polecenie nie ma parametrów");
    asChange(link, kind_ == AtOnce::Ddl, true, [&] {
      const std::string text = link.charset().encode(sql_);
      Firebird::IAttachment* attachment = link.attachment();
      Firebird::ITransaction* tra = link.writeTransaction();
      try {
        Status st(link.context());
        link.call([&] {
          attachment->execute(&st, tra, static_cast<unsigned>(text.size()), text.c_str(), link.dialect(),
                              nullptr, nullptr, nullptr, nullptr);
        });
      } catch (const ServerError& failure) {
        raiseFailure(link, table_, failure);
      }
    });
  }

  std::unique_ptr<CursorImpl> open(const std::vector<BoundParam>& params) override {
    execute(params);
    return std::make_unique<ResultCursor>(std::vector<FieldDef>{}, std::vector<Row>{});
  }

 private:
  std::shared_ptr<Link> link_;
  std::string sql_;
  AtOnce kind_;
  std::string table_;
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
    link_->checkIdle();
    std::vector<std::string> names;
    for (std::string& name : userTableNames(*link_)) {
      if (matchesPattern(name, pattern)) names.push_back(std::move(name));
    }
    return names;
  }

  std::unique_ptr<CursorImpl> openTable(const std::string& name, const TableOpenOptions&) override {
    link_->checkIdle();
    Firebird::ITransaction* tra = link_->cursorTransaction();
    std::optional<std::string> stored = resolveTableName(*link_, name);
    if (!stored) throw EngineError(errc::kNotFound, "Nie znaleziono tabeli \"" + name + "\"");
    std::vector<FieldDef> fields = tableFields(*link_, *stored);
    auto core = std::make_shared<StatementCore>(link_, "SELECT * FROM " + konw::quoteIdentifier(*stored));
    auto cursor = std::make_unique<ResultCursor>(core, std::move(fields), tra);
    cursor->setIndexDefs(tableIndexes(*link_, *stored));
    return cursor;
  }

  // What openTable gives, from the catalog alone.
  std::optional<TableDefinition> describeTable(const std::string& name) override {
    link_->checkIdle();
    std::optional<std::string> stored = resolveTableName(*link_, name);
    if (!stored) throw EngineError(errc::kNotFound, "Nie znaleziono tabeli \"" + name + "\"");
    TableDefinition definition{tableFields(*link_, *stored), tableIndexes(*link_, *stored)};
    // Without columns in the system tables the opened cursor describes its own: the table is opened.
    if (definition.fields.empty()) return std::nullopt;
    return definition;
  }

  std::unique_ptr<StatementImpl> prepare(const std::string& sql, const std::vector<std::string>&) override {
    link_->checkIdle();
    if (const AtOnce kind = runsAtOnce(sql); kind != AtOnce::No)
      return std::make_unique<StatementAtOnce>(link_, sql, kind);
    return std::make_unique<Statement>(std::make_shared<StatementCore>(link_, sql), sql);
  }

  void beginWork(const std::vector<std::string>& reserveForWrite) override {
    link_->checkIdle();
    link_->begin(reserveForWrite);
  }
  void commitWork() override {
    link_->checkIdle();
    link_->commitWork();
  }
  void rollbackWork() noexcept override { link_->rollbackWork(); }
  bool inWork() const override { return link_->inWork(); }
  void setWaitHook(std::function<bool()> hook) override { link_->setWaitHook(std::move(hook)); }

 private:
  std::shared_ptr<Link> link_;
};

LinkOptions linkOptions(const ConnectOptions& o) {
  LinkOptions l;
  l.dialect = o.dialect;
  l.enableBcd = o.enableBcd;
  l.commitInterval = o.commitInterval;
  l.lockTimeout = o.timeout;
  l.remote = throughServer(o.location);
  // The in-process engine cannot stop answering while the program runs; only a server is watched.
  if (l.remote) {
    l.callTimeout = std::chrono::seconds(o.timeout);
    l.silence = o.silence;
    l.server = serverOf(o.location);
  }
  return l;
}

class FirebirdDriver : public Driver {
 public:
  std::unique_ptr<ConnectionImpl> connect(const std::vector<std::string>& params, Session& session) override {
    ConnectOptions options = connectOptions(params);
    options.silence = session.silentServers();
    if (options.charset.empty()) {
      // No language driver: the database's default character set, read through a first attachment.
      Link probe(attach(options, false), linkOptions(options), *Charset::find("UTF8"));
      auto rows = probe.selectAll("SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE", {});
      probe.close();
      options.charset = charsetForDatabaseDefault(
          rows.empty() || isNull(rows[0][0]) ? std::string("NONE") : valueToText(rows[0][0]));
    }
    const Charset* charset = Charset::find(options.charset);
    if (!charset) {
      throw EngineError(errc::kConnect, "Nieobsługiwany zestaw znaków połączenia z bazą: " + options.charset);
    }
    Ref<Firebird::IAttachment> attachment = attach(options, false);
    auto link = std::make_shared<Link>(std::move(attachment), linkOptions(options), *charset);
    return std::make_unique<Connection>(std::move(link));
  }
};

bool truthy(const std::optional<std::string>& v, bool fallback) {
  if (!v) return fallback;
  std::string u = upperAscii(*v);
  return u == "TRUE" || u == "T" || u == "1" || u == "YES";
}

// The Firebird generations that write each on-disk structure, for the operator.
std::string odsGenerations(int major) {
  switch (major) {
    case 10:
      return "Firebird 1.x lub InterBase 6";
    case 11:
      return "Firebird 2.x";
    case 12:
      return "Firebird 3";
    case 13:
      return "Firebird 4 lub 5";
    default:
      return major < 10 ? "InterBase starszy niż 6" : "wersja nowsza niż Firebird 5";
  }
}

int number(const std::vector<std::string>& arguments, std::size_t i) {
  int value = 0;
  if (i < arguments.size())
    std::from_chars(arguments[i].data(), arguments[i].data() + arguments[i].size(), value);
  return value;
}

// A file the engine cannot open as a database of its own on-disk structure: what was found and what to
// do, the engine's text kept below. Nothing for any other failure.
std::optional<ServerError> unusableDatabase(const ServerError& e, const std::string& location) {
  std::string what;
  const std::int64_t gds = e.nativeCode();
  const std::vector<std::string>& a = e.arguments();
  if (gds == isc_wrong_ods && a.size() >= 5) {
    // Arguments: the file, the structure found (major, minor), the one the engine supports.
    const int found = number(a, 1), supported = number(a, 3);
    const std::string foundText = a[1] + "." + a[2], supportedText = a[3] + "." + a[4];
    what = "Baza danych " + location + " ma strukturę zapisu ODS " + foundText + " (" +
           odsGenerations(found) + "), a silnik Firebird tego programu otwiera tylko bazy o strukturze ODS " +
           supportedText + " (" + odsGenerations(supported) + ").\n";
    what +=
        found < supported
            ? "Proszę wykonać kopię bezpieczeństwa bazy narzędziami serwera, który ją obsługuje (gbak -b), "
              "i odtworzyć ją narzędziami obecnej wersji Firebird (gbak -c), albo wskazać w położeniu bazy "
              "serwer, który ją obsługuje (serwer:ścieżka)."
            : "Proszę wskazać w położeniu bazy serwer, który ją obsługuje (serwer:ścieżka).";
  } else if (gds == isc_bad_db_format) {
    // A file of zeros, a text, a damaged copy: no database header where one must be.
    what = "Plik " + location +
           " nie jest bazą danych Firebird: nie ma nagłówka bazy (plik pusty, uszkodzony albo innego "
           "rodzaju).\nProszę sprawdzić położenie bazy w konfiguracji, a uszkodzoną bazę odtworzyć z kopii "
           "bezpieczeństwa.";
  } else if (gds == isc_io_error && !a.empty() && a[0] == "read") {
    // The file opened, but not even its header page could be read: shorter than one page, or unreadable.
    what =
        "Pliku " + location +
        " nie udało się odczytać jako bazy danych Firebird: jest krótszy niż nagłówek bazy albo "
        "nieczytelny.\nProszę sprawdzić położenie bazy w konfiguracji, a uszkodzoną bazę odtworzyć z kopii "
        "bezpieczeństwa.";
  } else {
    return std::nullopt;
  }
  return ServerError(errc::kDatabaseFormat, what + "\n" + e.what(), gds, e.sqlCode());
}

}  // namespace

std::string serverOf(const std::string& location) {
  if (!throughServer(location)) return {};
  if (location.starts_with("inet://")) return location.substr(7, location.find('/', 7) - 7);
  if (location.starts_with("\\\\")) return location.substr(2, location.find('\\', 2) - 2);
  return location.substr(0, location.find(':'));
}

bool throughServer(const std::string& location) {
  if (konw::isDriveLocation(location)) return false;
  if (location.starts_with("\\\\") || location.starts_with("inet://")) return true;
  std::size_t colon = location.find(':');
  return colon != std::string::npos && colon > 1;
}

std::string attachLocation(const std::string& location) {
  // "C:\DIR\FILE.GDB" names a local file the Windows way, not a server called "C".
  if (konw::isDriveLocation(location)) return konw::hostPath(location).string();
  return location;
}

namespace {

// A number of seconds, at least 1, from a parameter line's value.
int seconds(std::string value, const char* key) {
  value = konw::trim(value);
  int n = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec != std::errc() || end != value.data() + value.size() || n < 1)
    throw EngineError(errc::kConnect, std::string("Niepoprawna wartość ") + key +
                                          " (liczba sekund, co najmniej 1): " + value);
  return n;
}

}  // namespace

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
  if (auto driver = paramValue(params, "LANGDRIVER"))
    o.charset = charsetForLanguageDriver(*driver).value_or("");
  if (auto timeout = paramValue(params, "TIMEOUT")) o.timeout = seconds(*timeout, "TIMEOUT");
  if (auto timeout = paramValue(params, "CONNECT TIMEOUT"))
    o.connectTimeout = seconds(*timeout, "CONNECT TIMEOUT");
  return o;
}

Ref<Firebird::IAttachment> attach(const ConnectOptions& options, bool create, const std::string& charset) {
  Status st(errc::kConnect);
  Ref<Firebird::IXpbBuilder> dpb(util()->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0));
  dpb->insertString(&st, isc_dpb_user_name, options.user.c_str());
  dpb->insertString(&st, isc_dpb_password, options.password.c_str());
  // The server converts text between the columns' character sets and the connection's.
  dpb->insertString(&st, isc_dpb_lc_ctype, options.charset.empty() ? "UTF8" : options.charset.c_str());
  // The file name, the user's name and the password as the program holds them: UTF-8. Without this tag
  // the client reads the name in the system's character set and the other two in the connection's, so
  // a Polish letter in them would arrive changed, whatever the connection's character set is.
  dpb->insertTag(&st, isc_dpb_utf8_filename);
  const bool remote = throughServer(options.location);
  // The in-process engine's lock files need room (see lockdir.h): without it nothing is opened.
  if (!remote) {
    if (std::string refusal = lockFolderRefusal(); !refusal.empty())
      throw EngineError(errc::kConnect, refusal);
  }
  const std::string server = serverOf(options.location);
  using Silence = db::SilentServers::State;
  const Silence silence = remote && options.silence ? options.silence->state(server) : Silence::Answering;
  if (silence == Silence::GivenUp) {
    throw ServerError(errc::kConnect,
                      "Serwer bazy danych Firebird " + server +
                          " przestał odpowiadać; ponownej próby połączenia z bazą " + options.location +
                          " nie podjęto.",
                      isc_network_error, 0);
  }
  // A server that already left a call unanswered is given a brief try.
  int wait = std::min(options.connectTimeout, options.timeout);
  if (silence == Silence::Silent)
    wait = std::min<int>(wait, static_cast<int>(CallWatch::kBrief.count() / 1000));
  // Bounds the whole exchange with a server that accepts the connection and then never answers.
  if (remote) dpb->insertInt(&st, isc_dpb_connect_timeout, wait);
  if (create) {
    dpb->insertInt(&st, isc_dpb_sql_dialect, static_cast<int>(options.dialect));
    dpb->insertString(&st, isc_dpb_set_db_charset, charset.c_str());
    dpb->insertInt(&st, isc_dpb_page_size, 8192);
  }
  unsigned length = dpb->getBufferLength(&st);
  const unsigned char* buffer = dpb->getBuffer(&st);
  Ref<Firebird::IProvider> provider(master()->getDispatcher());
  std::string path = attachLocation(options.location);
  auto started = std::chrono::steady_clock::now();
  try {
    Ref<Firebird::IAttachment> attachment(create
                                              ? provider->createDatabase(&st, path.c_str(), length, buffer)
                                              : provider->attachDatabase(&st, path.c_str(), length, buffer));
    if (silence != Silence::Answering) options.silence->answered(server);
    return attachment;
  } catch (const ServerError& e) {
    if (std::optional<ServerError> unusable = unusableDatabase(e, options.location)) throw *unusable;
    const bool unanswered =
        remote && std::chrono::steady_clock::now() - started >= std::chrono::seconds(wait);
    // The brief try spent, or a server that does not even accept a connection: not tried again.
    if (options.silence && (unanswered || silence == Silence::Silent)) options.silence->giveUp(server);
    if (unanswered) {
      throw ServerError(errc::kConnect,
                        "Serwer bazy danych Firebird " + server + " nie odpowiedział w ciągu " +
                            std::to_string(wait) + " s; nie połączono z bazą " + options.location + ".\n" +
                            e.what(),
                        e.nativeCode(), e.sqlCode());
    }
    throw;
  }
}

void createDatabase(const ConnectOptions& options, const std::string& charset) {
  Ref<Firebird::IAttachment> attachment = attach(options, true, charset);
  Status st(errc::kConnect);
  attachment->detach(&st);
  attachment.forget();
}

void dropDatabase(const ConnectOptions& options) {
  Ref<Firebird::IAttachment> attachment = attach(options, false);
  Status st;
  attachment->dropDatabase(&st);
  attachment.forget();
}

std::unique_ptr<Driver> makeDriver() {
  return std::make_unique<FirebirdDriver>();
}

}  // namespace db::firebird
