// Statements through db::Query: parameter markers, errors, DDL and what stays committed.
#include <gtest/gtest.h>

#include "db/firebird/client.h"
#include "fb_fixture.h"

namespace {

using db::Value;
using fbtest::FirebirdTest;

class Statements : public FirebirdTest {
 protected:
  void SetUp() override {
    FirebirdTest::SetUp();
    exec("CREATE TABLE KLIENCI (ID INTEGER NOT NULL PRIMARY KEY, NAZWA VARCHAR(20), UWAGI VARCHAR(20))");
  }
  std::int64_t countIn(db::Database& d) { return db::valueToInt(scalar(d, "SELECT COUNT(*) FROM KLIENCI")); }
};

TEST_F(Statements, NamedMarkersBindByPosition) {
  db::Query q;
  q.setDatabase(&database());
  q.addSql(
      "INSERT INTO KLIENCI (ID, NAZWA, UWAGI) VALUES (:\"ID\", :\"Nazwa klienta\", ':\"NIE\" ' || :\"Nazwa "
      "klienta\")");
  ASSERT_EQ(q.paramCount(), 3);
  EXPECT_EQ(q.param(1).name(), "Nazwa klienta");
  EXPECT_EQ(q.param(2).name(), "Nazwa klienta");
  q.param(0).setAsInteger(1);
  q.param(1).setAsString("Gmina Łódź");
  q.param(2).setAsString("x");
  q.execSql();
  // The same prepared statement runs again with new values.
  q.param(0).setAsInteger(2);
  q.param(1).setAsString("Powiat");
  q.param(2).setAsString("y");
  q.execSql();

  db::Query r;
  r.setDatabase(&database());
  r.addSql("SELECT NAZWA, UWAGI FROM KLIENCI WHERE ID >= :\"OD\" ORDER BY ID");
  r.param(0).setAsInteger(1);
  r.open();
  EXPECT_EQ(r.fieldByName("NAZWA").asString(), "Gmina Łódź");
  EXPECT_EQ(r.fieldByName("UWAGI").asString(), ":\"NIE\" x");
  r.next();
  EXPECT_EQ(r.fieldByName("UWAGI").asString(), ":\"NIE\" y");
  r.next();
  EXPECT_TRUE(r.eof());
}

TEST_F(Statements, ParameterWithoutTypeOrValueIsRefused) {
  db::Query q;
  q.setDatabase(&database());
  q.addSql("INSERT INTO KLIENCI (ID, NAZWA) VALUES (:\"ID\", :\"NAZWA\")");
  q.param(0).setAsInteger(1);
  try {
    q.execSql();
    FAIL() << "no error";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kMissingParam);
    EXPECT_STREQ(e.what(), "Brak wartości dla parametru \"NAZWA\"");
  }
  // A type alone is enough: the value is then null.
  q.param(1).setDataType(db::FieldType::String);
  q.execSql();
  EXPECT_TRUE(db::isNull(scalar("SELECT NAZWA FROM KLIENCI WHERE ID = 1")));
}

TEST_F(Statements, FailingStatementCarriesServerError) {
  exec("INSERT INTO KLIENCI (ID) VALUES (1)");
  try {
    exec("INSERT INTO KLIENCI (ID) VALUES (1)");
    FAIL() << "duplicate accepted";
  } catch (const db::firebird::ServerError& e) {
    EXPECT_EQ(e.code(), db::errc::kKeyViolation);
    EXPECT_EQ(e.nativeCode(), 335544665);  // unique_key_violation
    EXPECT_EQ(e.sqlCode(), -803);
    EXPECT_NE(std::string(e.what()).find("violation of PRIMARY or UNIQUE KEY"), std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find('\n'), std::string::npos) << "all status lines are kept";
  }
  try {
    exec("SELECT NIEMA FROM KLIENCI");
    FAIL() << "unknown column accepted";
  } catch (const db::firebird::ServerError& e) {
    EXPECT_EQ(e.code(), db::errc::kSqlError);
    EXPECT_EQ(e.sqlCode(), -206);
    EXPECT_NE(std::string(e.what()).find("NIEMA"), std::string::npos) << e.what();
  }
}

TEST_F(Statements, FailureKeepsEarlierRowsCommitted) {
  db::Query q;
  q.setDatabase(&database());
  q.addSql("INSERT INTO KLIENCI (ID) VALUES (:\"ID\")");
  for (int id : {1, 2, 3}) {
    q.param(0).setAsInteger(id);
    q.execSql();
  }
  q.param(0).setAsInteger(2);
  EXPECT_THROW(q.execSql(), db::EngineError);
  q.param(0).setAsInteger(4);
  q.execSql();
  // Another attachment sees exactly the successful rows: nothing undone, nothing lost.
  db::Database& second = other();
  EXPECT_EQ(countIn(second), 3);
  second.disconnect();
  database().disconnect();
  database().connect();
  EXPECT_EQ(countIn(database()), 4);
}

TEST_F(Statements, LongLoadsAreCommittedAsTheyGo) {
  db::Query q;
  q.setDatabase(&database());
  q.addSql("INSERT INTO KLIENCI (ID) VALUES (:\"ID\")");
  // This connection commits every 1,000 statements.
  database().disconnect();
  database().addParam("COMMIT INTERVAL=1000");
  database().connect();
  for (int id = 1; id <= 2500; ++id) {
    q.param(0).setAsInteger(id);
    q.execSql();
  }
  // Without a read on this connection the first 2,000 are already visible elsewhere.
  EXPECT_EQ(countIn(other()), 2000);
  EXPECT_EQ(countIn(database()), 2500);
}

TEST_F(Statements, TriggerAndGeneratorStatementsTakeEffectAtOnce) {
  exec("CREATE GENERATOR GEN_KLIENCI");
  exec("CREATE TRIGGER TRG_KLIENCI FOR KLIENCI BEFORE INSERT AS BEGIN NEW.ID = GEN_ID(GEN_KLIENCI, 1); END");
  exec("INSERT INTO KLIENCI (ID, NAZWA) VALUES (500, 'a')");
  EXPECT_EQ(scalar("SELECT ID FROM KLIENCI WHERE NAZWA = 'a'"), Value(std::int64_t{1}));

  exec("alter trigger TRG_KLIENCI inactive;");
  exec("INSERT INTO KLIENCI (ID, NAZWA) VALUES (500, 'b')");
  EXPECT_EQ(scalar("SELECT ID FROM KLIENCI WHERE NAZWA = 'b'"), Value(std::int64_t{500}));

  exec("set generator GEN_KLIENCI to 42 ;");
  EXPECT_EQ(scalar(other(), "SELECT GEN_ID(GEN_KLIENCI, 0) FROM RDB$DATABASE"), Value(std::int64_t{42}));
  exec("alter trigger TRG_KLIENCI active;");
  exec("INSERT INTO KLIENCI (ID, NAZWA) VALUES (500, 'c')");
  EXPECT_EQ(scalar("SELECT ID FROM KLIENCI WHERE NAZWA = 'c'"), Value(std::int64_t{43}));
}

TEST_F(Statements, QueryRowsAreFetchedAsRead) {
  exec("CREATE TABLE LICZBY (N INTEGER)");
  exec("INSERT INTO LICZBY SELECT 1 FROM RDB$DATABASE");
  exec("INSERT INTO LICZBY VALUES (0)");
  db::Query q;
  q.setDatabase(&database());
  q.addSql("SELECT 10 / N AS W FROM LICZBY ORDER BY N DESC");
  // The division by zero in the second row only fails when that row is fetched.
  q.open();
  EXPECT_EQ(q.field(0).asInteger(), 10);
  EXPECT_THROW(q.next(), db::EngineError);
}

// Through a server with a wait hook set (as in a run), the next rows are fetched while these are read:
// the rows come whole and in order, an error is raised at its own row, and the connection stays usable
// by other statements meanwhile and after the cursor is dropped early.
TEST_F(Statements, ThroughAServerRowsComeInTheBackgroundAsRead) {
  if (!fbtest::serverName()) GTEST_SKIP() << "needs KONWERSJA_TEST_FB_SERVER (e.g. 127.0.0.1)";
  database().setWaitHook([] { return false; });
  exec("CREATE TABLE CYFRY (N INTEGER)");
  for (int n = 0; n < 10; ++n) exec("INSERT INTO CYFRY VALUES (" + std::to_string(n) + ")");
  exec(
      "INSERT INTO KLIENCI (ID, NAZWA) SELECT A.N * 1000 + B.N * 100 + C.N * 10 + D.N, 'k' || "
      "(A.N * 1000 + B.N * 100 + C.N * 10 + D.N) FROM CYFRY A, CYFRY B, CYFRY C, CYFRY D");
  db::Query q;
  q.setDatabase(&database());
  q.addSql("SELECT ID, NAZWA, 10 / (ID - 7000) FROM KLIENCI ORDER BY ID");
  q.open();
  for (int id = 0; id < 7000; ++id) {
    if (id > 0) q.next();
    ASSERT_EQ(q.field(0).asInteger(), id);
    ASSERT_EQ(q.field(1).asString(), "k" + std::to_string(id));
    if (id == 1500) {
      EXPECT_EQ(countIn(database()), 10000) << "another statement meanwhile";
    }
  }
  // The division by zero of row 7000 is raised when that row is wanted, not before.
  EXPECT_THROW(q.next(), db::EngineError);

  q.close();
  q.clearSql();
  q.addSql("SELECT ID FROM KLIENCI ORDER BY ID");
  q.open();
  for (int id = 0; id < 1500; ++id) q.next();
  EXPECT_EQ(q.field(0).asInteger(), 1500);
  q.close();
  exec("DELETE FROM KLIENCI WHERE ID >= 5000");
  EXPECT_EQ(countIn(database()), 5000);
}

TEST_F(Statements, CountAfterInsertSeesTheRows) {
  exec("INSERT INTO KLIENCI (ID) VALUES (7)");
  db::Query q;
  q.setDatabase(&database());
  q.addSql("SELECT COUNT(*) FROM KLIENCI");
  q.open();
  EXPECT_EQ(q.fieldByName("COUNT").asInteger(), 1);
  EXPECT_EQ(q.recordCount(), 1);
}

TEST_F(Statements, StatementsOutlivingTheirConnectionFailCleanly) {
  exec("INSERT INTO KLIENCI (ID) VALUES (1)");
  exec("INSERT INTO KLIENCI (ID) VALUES (2)");
  auto driver = db::firebird::makeDriver();
  auto connection = driver->connect(temp_->params(), session_);
  auto insert = connection->prepare("INSERT INTO KLIENCI (ID) VALUES (?)", {"ID"});
  insert->execute({db::BoundParam{"ID", db::FieldType::Integer, std::int64_t{3}}});
  auto select = connection->prepare("SELECT ID FROM KLIENCI ORDER BY ID", {});
  auto cursor = select->open({});
  db::Row row;
  ASSERT_TRUE(cursor->read(0, row));
  // Closing the connection commits its work; what is left of it only reports errors.
  connection.reset();
  EXPECT_THROW(insert->execute({db::BoundParam{"ID", db::FieldType::Integer, std::int64_t{4}}}),
               db::EngineError);
  EXPECT_THROW(select->open({}), db::EngineError);
  EXPECT_THROW(cursor->read(2, row), db::EngineError);
  cursor.reset();
  select.reset();
  insert.reset();
  EXPECT_EQ(countIn(database()), 3);
}

}  // namespace
