// Bounded waits: a row locked by another attachment, and a server that stops answering (frozen with
// SIGSTOP; needs the test server of tools/fb-test-server, whose pid file names the process).
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <future>
#include <optional>

#include "db/firebird/watch.h"
#include "fb_fixture.h"
#include "support/frozen_server.h"

namespace {

using fbtest::FirebirdTest;

class Timeouts : public FirebirdTest {
 protected:
  void SetUp() override {
    FirebirdTest::SetUp();
    exec("CREATE TABLE PLANDOCH (ID INTEGER NOT NULL PRIMARY KEY, NAZWA VARCHAR(20))");
    exec("INSERT INTO PLANDOCH VALUES (1, 'Gmina')");
    scalar("SELECT COUNT(*) FROM PLANDOCH");  // a query commits first: other attachments see the row
  }
  // A further attachment whose calls and lock waits are bounded by `seconds`.
  db::Database& attachment(int seconds) {
    extra_.push_back(makeDatabase("DBt" + std::to_string(extra_.size())));
    extra_.back()->addParam("TIMEOUT=" + std::to_string(seconds));
    extra_.back()->connect();
    return *extra_.back();
  }
};

TEST_F(Timeouts, RowLockedByAnotherAttachmentIsWaitedForAtMostTheTimeout) {
  db::Database& holder = attachment(1);
  db::Database& waiter = attachment(1);
  exec(holder, "UPDATE PLANDOCH SET NAZWA = 'Powiat' WHERE ID = 1");  // not committed yet: the row is locked
  try {
    exec(waiter, "DELETE FROM PLANDOCH");
    FAIL() << "a locked row was deleted";
  } catch (const db::EngineError& e) {
    std::string message = e.what();
    EXPECT_NE(message.find("Tabela \"PLANDOCH\" jest zablokowana"), std::string::npos) << message;
    EXPECT_NE(message.find("w ciągu 1 s"), std::string::npos) << message;
  }
  // Both attachments stay usable; the holder's change is kept and nothing was deleted.
  holder.disconnect();
  EXPECT_EQ(db::valueToText(scalar(waiter, "SELECT NAZWA FROM PLANDOCH WHERE ID = 1")), "Powiat");
}

// The watch alone: a call that outlasts the limit is cut off once, and only that one; calls that end in
// time are left alone.
TEST(FirebirdCallWatch, CutsOffOnlyACallThatOutlastsTheLimit) {
  std::mutex mutex;
  std::condition_variable released;
  int cutOffs = 0;
  db::firebird::CallWatch watch(std::chrono::milliseconds(0), [&] {
    std::lock_guard lock(mutex);
    ++cutOffs;
    released.notify_all();
  });
  for (int i = 0; i < 1000; ++i) {
    watch.begin();
    watch.end();
  }
  EXPECT_FALSE(watch.expired());
  // A call blocked until the watch releases it (a frozen server's call until the attachment is cut).
  watch.begin();
  {
    std::unique_lock lock(mutex);
    bool ended = released.wait_for(lock, std::chrono::seconds(30), [&] { return cutOffs > 0; });
    EXPECT_TRUE(ended) << "the blocked call was never cut off";
  }
  watch.end();
  EXPECT_TRUE(watch.expired());
  watch.begin();
  watch.end();
  std::lock_guard lock(mutex);
  EXPECT_EQ(cutOffs, 1);
}

using test::Frozen;
const auto serverPid = test::fbServerPid;

// Runs `call` and returns its error text; fails when it has not ended within `bound` (the server then
// runs again, so that the call can end and the test with it).
template <typename Call>
std::string errorWithin(std::chrono::seconds bound, pid_t server, Call call) {
  auto result = std::async(std::launch::async, [call] {
    try {
      call();
      return std::string("(no error)");
    } catch (const db::EngineError& e) {
      return std::string(e.what());
    }
  });
  if (result.wait_for(bound) != std::future_status::ready) {
    ADD_FAILURE() << "no answer within " << bound.count() << " s";
    if (server > 0) kill(server, SIGCONT);
  }
  return result.get();
}

TEST_F(Timeouts, FrozenServerEndsTheStatementAndTheConnectInBoundedTime) {
  if (!fbtest::serverName()) GTEST_SKIP() << "needs a Firebird server (KONWERSJA_TEST_FB_SERVER)";
  pid_t pid = serverPid();
  if (!pid) GTEST_SKIP() << "the test server's pid file (tools/fb-test-server) names no running process";
  db::Database& watched = attachment(2);
  exec(watched, "INSERT INTO PLANDOCH VALUES (2, 'Powiat')");
  std::string statement, connect;
  {
    Frozen frozen(pid);
    statement = errorWithin(std::chrono::seconds(30), pid, [&] {
      exec(watched, "UPDATE PLANDOCH SET NAZWA = 'Miasto'");
      // Reading commits first: a server that stopped answering never lets either through.
      scalar(watched, "SELECT COUNT(*) FROM PLANDOCH");
    });
    connect = errorWithin(std::chrono::seconds(30), pid, [&] { attachment(2); });
  }
  EXPECT_NE(statement.find("nie odpowiedział w ciągu 2 s"), std::string::npos) << statement;
  EXPECT_NE(connect.find("nie odpowiedział w ciągu 2 s"), std::string::npos) << connect;
  EXPECT_NE(statement.find("wycofane"), std::string::npos) << statement;
  // The connection cut off stays closed for good; the server, running again, serves a new one, and
  // what the cut-off connection had not committed (row 2 and the update) is gone, as its error said.
  EXPECT_THROW(scalar(watched, "SELECT COUNT(*) FROM PLANDOCH"), db::EngineError);
  EXPECT_EQ(db::valueToText(scalar(attachment(2), "SELECT LIST(NAZWA) FROM PLANDOCH")), "Gmina");
}

// A statement kept waiting (for a row another attachment holds, by a frozen server) calls the wait hook
// all along; a call from inside the hook is refused at once, and the hook's stop ends the statement long
// before the time-out. A server that answers the cancellation keeps the connection; a frozen one loses it.
TEST_F(Timeouts, WaitHookRunsWhileAStatementWaitsAndItsStopEndsTheStatement) {
  if (!fbtest::serverName()) GTEST_SKIP() << "needs a Firebird server (KONWERSJA_TEST_FB_SERVER)";
  for (bool frozen : {false, true}) {
    SCOPED_TRACE(frozen ? "frozen server" : "row locked");
    const pid_t pid = frozen ? serverPid() : 0;
    if (frozen && !pid) {
      ADD_FAILURE() << "the test server's pid file (tools/fb-test-server) names no running process";
      continue;
    }
    db::Database& holder = attachment(60);
    db::Database& waiter = attachment(60);
    exec(holder, "UPDATE PLANDOCH SET NAZWA = 'Powiat' WHERE ID = 1");  // not committed: the row is locked
    int hooks = 0;
    std::string reentered;
    waiter.setWaitHook([&] {
      if (++hooks == 2) {
        try {
          scalar(waiter, "SELECT COUNT(*) FROM PLANDOCH");
          reentered = "(no error)";
        } catch (const db::EngineError& e) {
          reentered = e.what();
        }
      }
      return hooks == 5;
    });
    std::string error;
    {
      std::optional<Frozen> stopped;
      if (frozen) stopped.emplace(pid);
      error = errorWithin(std::chrono::seconds(30), pid, [&] { exec(waiter, "DELETE FROM PLANDOCH"); });
    }
    waiter.setWaitHook({});
    EXPECT_NE(error.find("przerwano na żądanie operatora"), std::string::npos) << error;
    EXPECT_NE(reentered.find("jest zajęte"), std::string::npos) << reentered;
    EXPECT_GE(hooks, 5);
    holder.disconnect();
    if (frozen) {
      EXPECT_THROW(scalar(waiter, "SELECT COUNT(*) FROM PLANDOCH"), db::EngineError);
    } else {
      EXPECT_EQ(db::valueToText(scalar(waiter, "SELECT LIST(NAZWA) FROM PLANDOCH")), "Powiat");
    }
  }
}

}  // namespace
