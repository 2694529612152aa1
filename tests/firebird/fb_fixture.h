// A fresh Firebird database per test: embedded by default, through the server named by
// KONWERSJA_TEST_FB_SERVER (e.g. "127.0.0.1") when that is set. Dropped when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/engine.h"
#include "db/firebird/driver.h"

namespace fbtest {

inline const char* serverName() {
  const char* s = std::getenv("KONWERSJA_TEST_FB_SERVER");
  return (s && *s) ? s : nullptr;
}

// Creates the database file in a new directory that the server's user may write; removes both.
class TempDatabase {
 public:
  // `charset` is the database's default character set; `file` the file's path in the new directory (its
  // own directories are made too).
  explicit TempDatabase(const std::string& charset = "WIN1250", const std::string& file = "test.fdb") {
    std::string tmpl = (std::filesystem::temp_directory_path() / "konw-fb-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    for (std::filesystem::path d = (dir_ / file).parent_path(); d != dir_.parent_path();
         d = d.parent_path()) {
      std::filesystem::create_directories(d);
      std::filesystem::permissions(d, std::filesystem::perms::all);
    }
    file_ = dir_ / file;
    location_ = at(file_);
    db::firebird::createDatabase(options(), charset);
  }
  ~TempDatabase() {
    try {
      db::firebird::dropDatabase(options());
    } catch (const std::exception& e) {
      ADD_FAILURE() << "dropping the test database failed: " << e.what();
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  const std::string& location() const { return location_; }
  const std::filesystem::path& file() const { return file_; }
  // The location of a host file: through the test server when there is one.
  static std::string at(const std::filesystem::path& file) {
    return serverName() ? std::string(serverName()) + ":" + file.string() : file.string();
  }
  db::firebird::ConnectOptions options() const {
    db::firebird::ConnectOptions o;
    o.location = location_;
    o.user = "SYSDBA";
    o.password = "palisandr";
    return o;
  }
  // The parameter lines the program uses.
  std::vector<std::string> params() const {
    return {"SERVER NAME=" + location_, "USER NAME=SYSDBA", "PASSWORD=palisandr", "SQLQRYMODE=SERVER",
            "LANGDRIVER=anpolish",      "ENABLE BCD=TRUE",  "SQLDIALECT=3"};
  }

 private:
  std::filesystem::path dir_;
  std::filesystem::path file_;
  std::string location_;
};

// A test with a temporary database and a connected db::Database "DBi" on it.
class FirebirdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerDriver("INTRBASE", [] { return db::firebird::makeDriver(); });
    temp_ = std::make_unique<TempDatabase>();
    database_ = makeDatabase("DBi");
    database_->connect();
  }
  void TearDown() override {
    for (auto& d : extra_) d->disconnect();
    extra_.clear();
    if (database_) database_->disconnect();
    database_.reset();
    temp_.reset();
  }

  std::unique_ptr<db::Database> makeDatabase(const std::string& name) {
    auto d = std::make_unique<db::Database>(name, session_);
    d->setDriverName("INTRBASE");
    for (const auto& line : temp_->params()) d->addParam(line);
    return d;
  }
  // A second attachment to the same database (sees only what the first one committed).
  db::Database& other() {
    extra_.push_back(makeDatabase("DBi2"));
    extra_.back()->connect();
    return *extra_.back();
  }

  // Runs one statement through a db::Query.
  void exec(const std::string& sql) { exec(*database_, sql); }
  static void exec(db::Database& database, const std::string& sql) {
    db::Query q;
    q.setDatabase(&database);
    q.addSql(sql);
    q.execSql();
  }
  // First column of the first row of a query.
  db::Value scalar(const std::string& sql) { return scalar(*database_, sql); }
  static db::Value scalar(db::Database& database, const std::string& sql) {
    db::Query q;
    q.setDatabase(&database);
    q.addSql(sql);
    q.open();
    if (q.eof()) return db::Null{};
    return q.field(0).value();
  }

  db::Database& database() { return *database_; }

  db::Session session_;
  std::unique_ptr<TempDatabase> temp_;
  std::unique_ptr<db::Database> database_;
  std::vector<std::unique_ptr<db::Database>> extra_;
};

}  // namespace fbtest
