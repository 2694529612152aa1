// A caller's transaction over several statements: kept whole at commit, given up whole otherwise, with
// a failed statement inside it undone alone.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fb_fixture.h"

namespace {

using fbtest::FirebirdTest;

class Transactions : public FirebirdTest {
 protected:
  void SetUp() override {
    FirebirdTest::SetUp();
    exec("create table T (ID integer not null primary key, N varchar(10) check (N <> 'zły'))");
    exec("insert into T values (1, 'stary')");
  }
  std::string rows(db::Database& d) {
    db::Query q;
    q.setDatabase(&d);
    q.addSql("select ID, N from T order by ID");
    q.open();
    std::string out;
    for (; !q.eof(); q.next()) out += q.field(0).asString() + ":" + q.field(1).asString() + " ";
    return out;
  }
};

struct Przypadek {
  const char* nazwa;
  std::function<void(Transactions&, db::Database&)> koniec;  // how the transaction ends
  const char* poKoncu;                                       // the table's rows afterwards
};

TEST_F(Transactions, TheWorkIsKeptOnlyByCommit) {
  const Przypadek przypadki[] = {
      {"commit", [](Transactions&, db::Database& d) { d.commit(); }, "2:nowy 3:inny "},
      {"rollback", [](Transactions&, db::Database& d) { d.rollback(); }, "1:stary "},
      {"disconnection", [](Transactions&, db::Database& d) { d.disconnect(); }, "1:stary "},
      {"a failed statement, then commit",
       [](Transactions& t, db::Database& d) {
         EXPECT_THROW(t.exec(d, "insert into T values (4, 'zły')"), db::EngineError);
         d.commit();
       },
       "2:nowy 3:inny "},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    exec("delete from T");
    exec("insert into T values (1, 'stary')");
    db::Database& d = database();
    d.connect();
    d.startTransaction();
    EXPECT_TRUE(d.inTransaction());
    exec(d, "delete from T");
    exec(d, "insert into T values (2, 'nowy')");
    exec(d, "insert into T values (3, 'inny')");
    // Inside, the transaction's own rows are seen; another attachment sees none of them yet.
    EXPECT_EQ(rows(d), "2:nowy 3:inny ");
    EXPECT_EQ(rows(other()), "1:stary ");
    p.koniec(*this, d);
    EXPECT_FALSE(d.inTransaction());
    d.connect();
    EXPECT_EQ(rows(d), p.poKoncu);
    EXPECT_EQ(rows(other()), p.poKoncu);
  }
}

TEST_F(Transactions, MisuseIsRefused) {
  db::Database& d = database();
  exec("create generator G_U");
  EXPECT_THROW(d.commit(), db::EngineError) << "nothing started";
  d.startTransaction();
  EXPECT_THROW(d.startTransaction(), db::EngineError) << "one at a time";
  // Structure changes take effect at commit, which would keep the transaction's work half done; also
  // those run without a prepare.
  EXPECT_THROW(exec(d, "create generator G_T"), db::EngineError);
  EXPECT_THROW(exec(d, "set generator G_U to 5"), db::EngineError);
  d.rollback();
  d.rollback();  // nothing left: nothing happens
  EXPECT_NO_THROW(exec(d, "create generator G_T"));
  EXPECT_NO_THROW(exec(d, "set generator G_U to 5"));
}

}  // namespace
