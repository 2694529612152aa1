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
    exec("create generator G_U");
  }
  std::string generator(db::Database& d) {
    db::Query q;
    q.setDatabase(&d);
    q.addSql("select gen_id(G_U, 0) from rdb$database");
    q.open();
    return q.field(0).asString();
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
  const char* generator;                                     // and the generator the work set
};

TEST_F(Transactions, TheWorkIsKeptOnlyByCommit) {
  const Przypadek przypadki[] = {
      {"commit", [](Transactions&, db::Database& d) { d.commit(); }, "2:nowy 3:inny ", "3"},
      {"rollback", [](Transactions&, db::Database& d) { d.rollback(); }, "1:stary ", "1"},
      {"disconnection", [](Transactions&, db::Database& d) { d.disconnect(); }, "1:stary ", "1"},
      {"a failed statement, then commit",
       [](Transactions& t, db::Database& d) {
         EXPECT_THROW(t.exec(d, "insert into T values (4, 'zły')"), db::EngineError);
         d.commit();
       },
       "2:nowy 3:inny ", "3"},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    exec("delete from T");
    exec("insert into T values (1, 'stary')");
    exec("set generator G_U to 1");
    db::Database& d = database();
    d.connect();
    d.startTransaction();
    EXPECT_TRUE(d.inTransaction());
    exec(d, "delete from T");
    exec(d, "insert into T values (2, 'nowy')");
    exec(d, "insert into T values (3, 'inny')");
    // Numbering set with the rows (prepared and run at once) goes with them.
    exec(d, "set generator G_U to 2");
    exec(d, "alter sequence G_U restart with 3");
    // Inside, the transaction's own rows are seen; another attachment sees none of them yet.
    EXPECT_EQ(rows(d), "2:nowy 3:inny ");
    EXPECT_EQ(rows(other()), "1:stary ");
    p.koniec(*this, d);
    EXPECT_FALSE(d.inTransaction());
    d.connect();
    EXPECT_EQ(rows(d), p.poKoncu);
    EXPECT_EQ(rows(other()), p.poKoncu);
    EXPECT_EQ(generator(other()), p.generator);
  }
}

TEST_F(Transactions, MisuseIsRefused) {
  db::Database& d = database();
  EXPECT_THROW(d.commit(), db::EngineError) << "nothing started";
  d.startTransaction();
  EXPECT_THROW(d.startTransaction(), db::EngineError) << "one at a time";
  // Structure changes take effect at commit, which would keep the transaction's work half done.
  EXPECT_THROW(exec(d, "create generator G_T"), db::EngineError);
  d.rollback();
  d.rollback();  // nothing left: nothing happens
  EXPECT_NO_THROW(exec(d, "create generator G_T"));
}

}  // namespace
