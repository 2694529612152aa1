// Batched INSERTs (Query::beginBatch): rows arrive exactly as single executions put them, a refused
// row is reported by its own tag with the rows around it kept, and dropped rows never arrive.
// Batching only happens through a server: these tests need KONWERSJA_TEST_FB_SERVER.
#include "db/firebird/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "db/firebird/client.h"
#include "db/firebird/driver.h"
#include "fb_fixture.h"

namespace {

using db::Value;
using fbtest::FirebirdTest;

TEST(BatchText, MarkersOutsideLiteralsNamesAndComments) {
  struct Case {
    const char* sql;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"INSERT INTO T (A, B) VALUES (?, ?);", {"INSERT INTO T (A, B) VALUES (", ", ", ")"}},
      {"INSERT INTO \"T?\" (A) VALUES ('?''?', ?)  ;\n", {"INSERT INTO \"T?\" (A) VALUES ('?''?', ", ")"}},
      {"INSERT INTO T VALUES (? /* ? */, ?) -- ?", {"INSERT INTO T VALUES (", " /* ? */, ", ") -- ?"}},
      {"INSERT INTO T VALUES (1)", {"INSERT INTO T VALUES (1)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(db::firebird::splitAtMarkers(c.sql), c.pieces) << c.sql;
}

TEST(BatchText, RemoteLocations) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1:/srv/baza.fdb", true},   {"serwer/3051:/srv/baza.fdb", true},
      {"serwer:C:\\DANE\\BAZA.GDB", true}, {"\\\\serwer\\dane\\baza.gdb", true},
      {"inet://serwer/baza", true},        {"/srv/baza.fdb", false},
      {"C:\\DANE\\BAZA.GDB", false},       {"baza.fdb", false},
  };
  for (const auto& [location, remote] : cases)
    EXPECT_EQ(db::firebird::throughServer(location), remote) << location;
}

// Every column type the copy binds, and a key.
constexpr const char* kAllTypes =
    "(ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, B BIGINT, N NUMERIC(15,2), NS NUMERIC(4,1), "
    "NL NUMERIC(9,3), D DOUBLE PRECISION, F FLOAT, DT DATE, TM TIME, TS TIMESTAMP, BO BOOLEAN, "
    "V VARCHAR(20), C CHAR(5), VN VARCHAR(6) CHARACTER SET NONE, M BLOB SUB_TYPE TEXT, G BLOB SUB_TYPE 0)";

// Values of row `i`, of every kind a Paradox field or a copy rule hands over, nulls and edge values included.
db::Row sampleRow(int i) {
  using db::Decimal;
  const bool odd = i % 2;
  db::Row r;
  r.push_back(std::int64_t{i});
  r.push_back(i % 7 == 0 ? Value{db::Null{}} : Value{std::int64_t{i % 2 ? -32768 : 32767}});
  r.push_back(std::int64_t{i * 1000003LL % 2147483647});
  r.push_back(std::int64_t{i * 9007199254740LL});
  r.push_back(i % 5 == 0
                  ? Value{std::string("12,50")}  // a decimal comma, as the operator writes
                  : Value{Decimal{static_cast<__int128>(i) * 123456789012345LL % 1000000000000000LL, 2}});
  r.push_back(odd ? Value{0.25 + i} : Value{std::string(" ")});  // blank text is null for a number
  r.push_back(Decimal{static_cast<__int128>(i) * 1001, 3});
  r.push_back(odd ? Value{1.0 / 3 * i} : Value{std::int64_t{i}});
  r.push_back(2.5 * i);
  r.push_back(i % 3 ? Value{db::Date{36526 + i}} : Value{std::string("2024-02-29")});
  r.push_back(db::Time{(static_cast<std::int64_t>(i) * 3600000000LL + 123400) % 86400000000LL});
  r.push_back(db::DateTime{db::Date{40000 + i}, db::Time{static_cast<std::int64_t>(i) * 1000100}});
  r.push_back(i % 3 == 0 ? Value{db::Null{}} : Value{odd});
  r.push_back(std::string("Zażółć gęślą ") + std::to_string(i));
  r.push_back(odd ? Value{std::string("T")} : Value{std::string("ąę   ")});
  r.push_back(i % 4 == 0 ? Value{db::Null{}} : Value{std::string("abc") + std::to_string(i % 100)});
  r.push_back(i % 6 == 0 ? Value{db::Null{}}
                         : Value{std::string(static_cast<std::size_t>(i) * 37, 'x') + "Łódź"});
  r.push_back(odd ? Value{db::Bytes{std::string("\0\1\2\xff", 4)}} : Value{db::Null{}});
  return r;
}

constexpr const char* kAllColumns = "ID,S,I,B,N,NS,NL,D,F,DT,TM,TS,BO,V,C,VN,M,G";

std::string insertInto(const std::string& table) {
  std::string columns = kAllColumns, values;
  for (std::size_t at = 0; at != std::string::npos;) {
    std::size_t comma = columns.find(',', at);
    std::string name = columns.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    values += (values.empty() ? ":\"" : ",:\"") + name + "\"";
    at = comma == std::string::npos ? comma : comma + 1;
  }
  return "INSERT INTO " + table + " (" + columns + ") VALUES (" + values + ")";
}

// Run twice: as a script sends (each group at once) and as the window sends (with a wait hook set, a full
// group travels in the background while the next rows are taken, and its outcome comes later).
class Batches : public FirebirdTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (!fbtest::serverName())
      GTEST_SKIP() << "batching needs a server: set KONWERSJA_TEST_FB_SERVER (e.g. 127.0.0.1)";
    FirebirdTest::SetUp();
    hooked(database());
    exec(
        "CREATE TABLE KLIENCI (ID INTEGER NOT NULL PRIMARY KEY, NAZWA VARCHAR(10) NOT NULL CHECK (NAZWA <> "
        "'zła'))");
    insert_.setDatabase(&database());
    insert_.addSql("INSERT INTO KLIENCI (ID, NAZWA) VALUES (:\"ID\", :\"NAZWA\")");
  }

  // Queues row `id` named `name` under the tag `id`.
  void add(int id, const Value& name = std::string("k")) {
    insert_.param(0).setValue(std::int64_t{id});
    insert_.param(1).setValue(name);
    insert_.addToBatch(static_cast<std::uint64_t>(id));
  }
  // Ids in the table, in order, as another attachment sees them when `elsewhere`.
  std::vector<std::int64_t> ids(bool elsewhere = false) {
    db::Query q;
    q.setDatabase(elsewhere ? &other() : &database());
    q.addSql("SELECT ID FROM KLIENCI ORDER BY ID");
    std::vector<std::int64_t> out;
    for (q.open(); !q.eof(); q.next()) out.push_back(q.field(0).asInteger());
    return out;
  }
  void hooked(db::Database& d) {
    if (GetParam()) d.setWaitHook([] { return false; });
  }
  // Runs `step` of a copy's loop; a refused row is noted and checked by `check`, and false returned.
  bool skipping(const std::function<void()>& step, std::vector<std::uint64_t>& refused,
                const std::function<void(const db::BatchRowError&)>& check) {
    try {
      step();
      return true;
    } catch (const db::BatchRowError& e) {
      refused.push_back(e.tag());
      check(e);
      return false;
    }
  }
  static std::vector<std::int64_t> range(int from, int to, std::initializer_list<int> without = {}) {
    std::vector<std::int64_t> out;
    for (int i = from; i <= to; ++i)
      if (std::find(without.begin(), without.end(), i) == without.end()) out.push_back(i);
    return out;
  }

  db::Query insert_;
};

TEST_P(Batches, EveryTypeArrivesAsThroughSingleInserts) {
  exec(std::string("CREATE TABLE POJEDYNCZO ") + kAllTypes);
  exec(std::string("CREATE TABLE GRUPAMI ") + kAllTypes);
  // Groups of 64 rows, or of 255 for a batch told of many rows; a remainder in a smaller group.
  constexpr int kRows = 600;
  for (const std::size_t najwiecej : {std::size_t{64}, std::size_t{20000}}) {
    SCOPED_TRACE(najwiecej);
    exec("DELETE FROM POJEDYNCZO");
    exec("DELETE FROM GRUPAMI");
    db::Query single, batched;
    single.setDatabase(&database());
    single.addSql(insertInto("POJEDYNCZO"));
    batched.setDatabase(&database());
    batched.addSql(insertInto("GRUPAMI"));
    ASSERT_TRUE(batched.beginBatch(najwiecej));
    for (int i = 0; i < kRows; ++i) {
      const db::Row row = sampleRow(i);
      for (int k = 0; k < single.paramCount(); ++k) {
        single.param(k).setValue(row[static_cast<std::size_t>(k)]);
        batched.param(k).setValue(row[static_cast<std::size_t>(k)]);
      }
      single.execSql();
      batched.addToBatch(static_cast<std::uint64_t>(i));
    }
    EXPECT_GT(batched.batchPending(), 0u);
    batched.flushBatch();
    EXPECT_EQ(batched.batchPending(), 0u);

    db::Query a, b;
    a.setDatabase(&database());
    a.addSql(std::string("SELECT ") + kAllColumns + " FROM POJEDYNCZO ORDER BY ID");
    b.setDatabase(&database());
    b.addSql(std::string("SELECT ") + kAllColumns + " FROM GRUPAMI ORDER BY ID");
    a.open();
    b.open();
    ASSERT_EQ(a.recordCount(), kRows);
    ASSERT_EQ(b.recordCount(), kRows);
    for (int i = 0; !a.eof(); ++i, a.next(), b.next()) {
      for (int k = 0; k < a.fieldCount(); ++k) {
        EXPECT_EQ(a.field(k).value(), b.field(k).value()) << "row " << i << ", column " << a.field(k).name();
      }
    }
    // Spot checks that the values are the ones given, not merely alike on both sides.
    EXPECT_EQ(scalar("SELECT N FROM GRUPAMI WHERE ID = 5"), Value(db::Decimal{1250, 2}));
    EXPECT_EQ(scalar("SELECT N FROM GRUPAMI WHERE ID = 7"),
              Value(db::Decimal{static_cast<__int128>(7) * 123456789012345LL % 1000000000000000LL, 2}));
    EXPECT_EQ(scalar("SELECT V FROM GRUPAMI WHERE ID = 299"), Value(std::string("Zażółć gęślą 299")));
    EXPECT_EQ(scalar("SELECT M FROM GRUPAMI WHERE ID = 1"), Value(std::string(37, 'x') + "Łódź"));
    EXPECT_TRUE(db::isNull(scalar("SELECT NS FROM GRUPAMI WHERE ID = 2")));
  }
}

// A row refused inside a group: the rows before it are in, it is reported by its tag, and the
// caller that skips it gets every row after it in as well.
TEST_P(Batches, RefusedRowIsReportedByItsTag) {
  struct Case {
    const char* what;
    bool taken;  // row 20's key is already in the table
    Value name;  // row 20's name
    std::uint16_t code;
  };
  const Case cases[] = {
      {"duplicate key", true, std::string("k"), db::errc::kKeyViolation},
      {"null in a required column", false, db::Null{}, db::errc::kSqlError},
      {"a check of the table", false, std::string("zła"), db::errc::kSqlError},
      {"text longer than its parameter", false, std::string(50, 'x'), db::errc::kConversion},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    exec("DELETE FROM KLIENCI");
    if (c.taken) exec("INSERT INTO KLIENCI (ID, NAZWA) VALUES (20, 'jest')");
    ASSERT_TRUE(insert_.beginBatch(16));
    std::vector<std::uint64_t> refused;
    int added = 0;
    auto check = [&](const db::BatchRowError& e) {
      EXPECT_EQ(e.code(), c.code) << e.what();
      // The rows before it are in, and the group it came in was undone before they went in one by one.
      EXPECT_EQ(ids(), c.code == db::errc::kKeyViolation ? range(0, 20) : range(0, 19));
      // Kept as after a single INSERT the server refused: what came before is committed.
      if (c.code != db::errc::kConversion) {
        EXPECT_EQ(ids(true), c.code == db::errc::kKeyViolation ? range(0, 20) : range(0, 19));
      }
      // The error as the row alone raised it.
      try {
        e.rethrowCause();
      } catch (const db::EngineError& cause) {
        EXPECT_EQ(cause.code(), c.code);
        EXPECT_STREQ(cause.what(), e.what());
        EXPECT_EQ(dynamic_cast<const db::firebird::ServerError*>(&cause) != nullptr,
                  c.code != db::errc::kConversion);
      }
      EXPECT_EQ(insert_.batchPending(), static_cast<std::size_t>(added - 21))
          << "every row after it waits for the next flush";
    };
    for (int id = 0; id < 40; ++id) {
      ++added;
      skipping([&] { add(id, id == 20 ? c.name : Value{std::string("k")}); }, refused, check);
    }
    while (!skipping([&] { insert_.flushBatch(); }, refused, check)) {
    }
    EXPECT_EQ(refused, std::vector<std::uint64_t>{20});
    EXPECT_EQ(ids(), c.code == db::errc::kKeyViolation ? range(0, 39) : range(0, 39, {20}));
  }
}

// Several refused rows in one group, neighbours and group edges among them: each is reported in
// turn, in order, and every other row arrives once.
TEST_P(Batches, EveryRefusedRowIsReportedInTurn) {
  const std::vector<std::uint64_t> taken = {3, 5, 9, 63, 64, 100, 101, 102, 103, 150, 199};
  for (std::uint64_t id : taken)
    exec("INSERT INTO KLIENCI (ID, NAZWA) VALUES (" + std::to_string(id) + ", 'jest')");
  ASSERT_TRUE(insert_.beginBatch(64));
  std::vector<std::uint64_t> refused;
  auto check = [](const db::BatchRowError& e) { EXPECT_EQ(e.code(), db::errc::kKeyViolation); };
  // The copy's loop: a row handed over is taken even when sending raises a refusal of an earlier one.
  for (int id = 0; id < 200; ++id) skipping([&] { add(id); }, refused, check);
  while (!skipping([&] { insert_.flushBatch(); }, refused, check)) {
  }
  EXPECT_EQ(insert_.batchPending(), 0u);
  EXPECT_EQ(refused, taken);
  EXPECT_EQ(ids(true), range(0, 199));
}

// A cursor of the same connection left reading (its next rows on their way in the background) does not
// stand in the batch's way, nor the batch in the cursor's.
TEST_P(Batches, ACursorLeftReadingAndABatchShareTheConnection) {
  exec("CREATE TABLE CYFRY (N INTEGER)");
  for (int n = 0; n < 10; ++n) exec("INSERT INTO CYFRY VALUES (" + std::to_string(n) + ")");
  db::Query q;
  q.setDatabase(&database());
  q.addSql(
      "SELECT A.N * 1000 + B.N * 100 + C.N * 10 + D.N FROM CYFRY A, CYFRY B, CYFRY C, CYFRY D ORDER BY 1");
  q.open();
  ASSERT_EQ(q.field(0).asInteger(), 0);
  ASSERT_TRUE(insert_.beginBatch(64));
  for (int id = 0; id < 300; ++id) add(id);
  insert_.flushBatch();
  EXPECT_EQ(ids(), range(0, 299));
  int read = 1;
  for (q.next(); !q.eof(); q.next()) ASSERT_EQ(q.field(0).asInteger(), read++);
  EXPECT_EQ(read, 10000);
}

TEST_P(Batches, DiscardedRowsNeverArrive) {
  ASSERT_TRUE(insert_.beginBatch(16));
  for (int id = 0; id < 10; ++id) add(id);
  EXPECT_EQ(insert_.batchPending(), 10u);
  insert_.discardBatch();
  insert_.flushBatch();
  EXPECT_TRUE(ids(true).empty());

  // Stopping at a refused row: what came before it stays, what was queued after it is dropped.
  exec("INSERT INTO KLIENCI (ID, NAZWA) VALUES (5, 'jest')");
  for (int id = 0; id < 10; ++id) add(id);
  EXPECT_THROW(insert_.flushBatch(), db::BatchRowError);
  insert_.discardBatch();
  insert_.flushBatch();
  EXPECT_EQ(ids(true), range(0, 5));

  // Queued rows are never overtaken by a single execution of the same statement.
  add(50);
  EXPECT_THROW(insert_.execSql(), db::EngineError);
  insert_.flushBatch();
  EXPECT_EQ(ids(), (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5, 50}));
}

// Blobs of every kind, short ones (sent as text inside the group) beside a long one in the third group
// (sent as a blob), arrive as through single inserts: empty text stays empty, blanks stay, bytes stay bytes.
TEST_P(Batches, ShortAndLongBlobsArriveAsThroughSingleInserts) {
  const std::string kolumny =
      " (ID INTEGER NOT NULL PRIMARY KEY, M BLOB SUB_TYPE TEXT, MU BLOB SUB_TYPE TEXT CHARACTER SET UTF8, "
      "MN BLOB SUB_TYPE TEXT CHARACTER SET NONE, G BLOB SUB_TYPE 0)";
  exec("CREATE TABLE POJEDYNCZO" + kolumny);
  exec("CREATE TABLE GRUPAMI" + kolumny);
  const std::string wstaw = " (ID, M, MU, MN, G) VALUES (:\"ID\", :\"M\", :\"MU\", :\"MN\", :\"G\")";
  db::Query single, batched;
  single.setDatabase(&database());
  single.addSql("INSERT INTO POJEDYNCZO" + wstaw);
  batched.setDatabase(&database());
  batched.addSql("INSERT INTO GRUPAMI" + wstaw);
  ASSERT_TRUE(batched.beginBatch(1000));
  constexpr int kRows = 200;
  for (int i = 0; i < kRows; ++i) {
    const std::string tekst = i == 150     ? std::string(5000, 'd') + "ż"
                              : i % 5 == 0 ? std::string()
                              : i % 5 == 1 ? "Łódź " + std::to_string(i) + "   "
                                           : "zażółć\r\n" + std::string(static_cast<std::size_t>(i), 'x');
    const db::Row row{std::int64_t{i}, i % 7 == 3 ? Value{db::Null{}} : Value{tekst}, Value{tekst},
                      Value{"abc" + std::to_string(i)},
                      i % 4 == 0 ? Value{db::Null{}} : Value{db::Bytes{std::string("\0\1\xff", 3) + tekst}}};
    for (int k = 0; k < 5; ++k) {
      single.param(k).setValue(row[static_cast<std::size_t>(k)]);
      batched.param(k).setValue(row[static_cast<std::size_t>(k)]);
    }
    single.execSql();
    batched.addToBatch(static_cast<std::uint64_t>(i));
  }
  batched.flushBatch();
  db::Query a, b;
  a.setDatabase(&database());
  a.addSql("SELECT ID, M, MU, MN, G FROM POJEDYNCZO ORDER BY ID");
  b.setDatabase(&database());
  b.addSql("SELECT ID, M, MU, MN, G FROM GRUPAMI ORDER BY ID");
  a.open();
  b.open();
  ASSERT_EQ(b.recordCount(), kRows);
  for (int i = 0; !a.eof(); ++i, a.next(), b.next())
    for (int k = 0; k < a.fieldCount(); ++k)
      EXPECT_EQ(a.field(k).value(), b.field(k).value()) << "row " << i << ", column " << a.field(k).name();
  EXPECT_EQ(scalar("SELECT M FROM GRUPAMI WHERE ID = 1"), Value(std::string("Łódź 1   ")));
  EXPECT_EQ(scalar("SELECT M FROM GRUPAMI WHERE ID = 5"), Value(std::string()));
}

// A group's parameters must fit one message of 64 KB: wide rows travel in smaller groups, or alone.
TEST_P(Batches, WideRowsTravelInSmallerGroups) {
  // The connection is WIN1250: a character takes a byte.
  exec("CREATE TABLE SZEROKA (ID INTEGER NOT NULL PRIMARY KEY, T VARCHAR(5000))");      // 13 rows a group
  exec("CREATE TABLE NAJSZERSZA (ID INTEGER NOT NULL PRIMARY KEY, T VARCHAR(32765))");  // two do not fit
  db::Query wide, widest;
  wide.setDatabase(&database());
  wide.addSql("INSERT INTO SZEROKA (ID, T) VALUES (:\"ID\", :\"T\")");
  widest.setDatabase(&database());
  widest.addSql("INSERT INTO NAJSZERSZA (ID, T) VALUES (:\"ID\", :\"T\")");
  ASSERT_TRUE(wide.beginBatch(64));
  EXPECT_FALSE(widest.beginBatch(64));
  for (int id = 0; id < 27; ++id) {
    for (db::Query* q : {&wide, &widest}) {
      q->param(0).setValue(std::int64_t{id});
      std::string text;
      for (int k = 0; k < id % 10 * 500; ++k) text += "ż";
      q->param(1).setValue(text);
      q->addToBatch(static_cast<std::uint64_t>(id));
    }
  }
  // Two groups of 13 went (the second may still be on its way); one of 64 would hold all 27 rows.
  EXPECT_LE(wide.batchPending(), 14u);
  wide.flushBatch();
  for (const char* table : {"SZEROKA", "NAJSZERSZA"}) {
    EXPECT_EQ(scalar(std::string("SELECT SUM(CHAR_LENGTH(T)) FROM ") + table), Value(std::int64_t{55500}))
        << table;
  }
}

// A key another attachment holds uncommitted: the row meeting it is reported once the wait for that
// attachment ends, as a single INSERT reports it, with the rows before it in and the rows after it
// still queued.
TEST_P(Batches, KeyHeldElsewhereIsReportedAsBySingleInsert) {
  std::unique_ptr<db::Database> holder = makeDatabase("DBh");
  holder->connect();
  exec(*holder, "INSERT INTO KLIENCI (ID, NAZWA) VALUES (20, 'obcy')");  // not committed
  std::unique_ptr<db::Database> waiter = makeDatabase("DBw");
  waiter->addParam("TIMEOUT=1");
  waiter->connect();
  hooked(*waiter);
  db::Query q;
  q.setDatabase(waiter.get());
  q.addSql("INSERT INTO KLIENCI (ID, NAZWA) VALUES (:\"ID\", :\"NAZWA\")");
  ASSERT_TRUE(q.beginBatch(16));
  std::vector<std::uint64_t> refused;
  int added = 0;
  auto check = [&](const db::BatchRowError& e) {
    EXPECT_NE(std::string(e.what()).find("KLIENCI"), std::string::npos) << e.what();
    EXPECT_EQ(ids(true), range(0, 19));
    EXPECT_EQ(q.batchPending(), static_cast<std::size_t>(added - 21)) << "every row after it waits";
  };
  for (int id = 0; id < 40; ++id) {
    q.param(0).setValue(std::int64_t{id});
    q.param(1).setValue(std::string("k"));
    ++added;
    skipping([&] { q.addToBatch(static_cast<std::uint64_t>(id)); }, refused, check);
  }
  // Sent while the key is still held: a group in the background meets it too.
  while (!skipping([&] { q.flushBatch(); }, refused, check)) {
  }
  holder->disconnect();
  q.flushBatch();
  waiter->disconnect();
  EXPECT_EQ(refused, std::vector<std::uint64_t>{20});
  EXPECT_EQ(ids(true), range(0, 39));
}

INSTANTIATE_TEST_SUITE_P(Sending, Batches, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "InTheBackground" : "AtOnce";
                         });

// Embedded there is nothing to batch: rows run at once and a refusal is reported the same way.
TEST_F(FirebirdTest, WithoutBatchingRowsRunAtOnce) {
  exec("CREATE TABLE KLIENCI (ID INTEGER NOT NULL PRIMARY KEY)");
  db::Query q;
  q.setDatabase(&database());
  q.addSql("INSERT INTO KLIENCI (ID) VALUES (:\"ID\")");
  EXPECT_EQ(q.beginBatch(100), fbtest::serverName() != nullptr);
  std::vector<std::uint64_t> refused;
  auto reporting = [&](const std::function<void()>& step) {
    try {
      step();
    } catch (const db::BatchRowError& e) {
      refused.push_back(e.tag());
      EXPECT_EQ(e.code(), db::errc::kKeyViolation);
      EXPECT_THROW(e.rethrowCause(), db::firebird::ServerError);
    }
  };
  const std::pair<int, const char*> rows[] = {{1, "1"}, {2, "1,2"}, {1, "1,2"}, {3, "1,2,3"}};
  for (const auto& [id, after] : rows) {
    q.param(0).setAsInteger(id);
    reporting([&] { q.addToBatch(static_cast<std::uint64_t>(id * 10)); });
    if (!q.batching()) {
      EXPECT_EQ(scalar("SELECT LIST(ID) FROM (SELECT ID FROM KLIENCI ORDER BY ID)"),
                Value(std::string(after)));
    }
  }
  // The caller skips the refused row and sends what was queued after it.
  reporting([&] { q.flushBatch(); });
  EXPECT_EQ(q.batchPending(), q.batching() ? 1u : 0u);
  q.flushBatch();
  EXPECT_EQ(refused, std::vector<std::uint64_t>{10});
  EXPECT_EQ(scalar("SELECT LIST(ID) FROM (SELECT ID FROM KLIENCI ORDER BY ID)"), Value(std::string("1,2,3")));
}

}  // namespace
