// Bounded waits: a row locked by another attachment, and a server that stops answering (frozen with
// SIGSTOP; needs the test server of tools/fb-test-server, whose pid file names the process).
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <optional>

#include "db/engine.h"
#include "db/firebird/lockdir.h"
#include "db/firebird/watch.h"
#include "fb_fixture.h"
#include "support/frozen_server.h"
#include "support/scratch_dir.h"

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

// A watch whose server already left a call unanswered cuts the next call off after a brief wait, however
// long its own time-out is.
TEST(FirebirdCallWatch, CutsOffBrieflyWhileItsServerIsSilent) {
  std::mutex mutex;
  std::condition_variable released;
  bool cut = false;
  db::firebird::CallWatch watch(
      std::chrono::hours(1),
      [&] {
        std::lock_guard lock(mutex);
        cut = true;
        released.notify_all();
      },
      [] { return true; });
  watch.begin();
  {
    std::unique_lock lock(mutex);
    EXPECT_TRUE(released.wait_for(lock, std::chrono::seconds(60), [&] { return cut; }))
        << "a silent server's call waited for the whole time-out";
  }
  watch.end();
  EXPECT_EQ(watch.waited(), db::firebird::CallWatch::kBrief);
}

// A server that takes connections and never answers them: a socket that listens and never accepts (the
// system completes each connection into its queue). Nothing is frozen.
class SilentListener {
 public:
  SilentListener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), n) != 0 || listen(fd_, 16) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n) != 0)
      port_ = 0;
    else
      port_ = ntohs(a.sin_port);
  }
  ~SilentListener() { close(fd_); }
  std::string server() const { return "127.0.0.1/" + std::to_string(port_); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Start-up against a server that never answers gives up after the connect time-out of its own, naming
// the server; what follows in the same work is refused at once; a new work tries again.
TEST(SilentServer, ConnectGivesUpNamingTheServerThenRefusesAtOnceUntilForgotten) {
  db::registerDriver("INTRBASE", [] { return db::firebird::makeDriver(); });
  SilentListener silent;
  db::Session session;
  auto connect = [&] {
    db::Database d("DBs", session);
    d.setDriverName("INTRBASE");
    for (const std::string& line : {"SERVER NAME=" + silent.server() + ":/baza/KALMIRO.FDB",
                                    std::string("PASSWORD=x"), std::string("CONNECT TIMEOUT=1")})
      d.addParam(line);
    try {
      d.connect();
      return std::string("(connected)");
    } catch (const db::EngineError& e) {
      return std::string(e.what());
    }
  };
  const std::string unanswered =
      "Serwer bazy danych Firebird " + silent.server() + " nie odpowiedział w ciągu 1 s";
  const std::string refused = "Serwer bazy danych Firebird " + silent.server() + " przestał odpowiadać";
  for (const char* step : {"start-up", "what follows", "a new work"}) {
    SCOPED_TRACE(step);
    const std::string error = connect();
    const std::string& expected = step == std::string("what follows") ? refused : unanswered;
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    if (step == std::string("what follows")) session.silentServers()->forget();
  }
}

// The room of the in-process engine's lock folder is tried, not guessed: a folder that cannot be made,
// and one without the room asked for, are refused with the cause; one with room is not.
TEST(LockFolder, RoomIsReservedOrTheCauseSaid) {
  test::TempDir dir;
  { std::ofstream plik(dir.path / "plik"); }
  struct statvfs fs {};
  ASSERT_EQ(statvfs(dir.path.c_str(), &fs), 0);
  const std::uint64_t beyond = std::uint64_t{fs.f_bavail} * fs.f_frsize + (std::uint64_t{1} << 30);
  const struct {
    std::string folder;
    std::uint64_t room;
    const char* cause;  // nullptr: accepted
  } cases[] = {
      {(dir.path / "blokady").string(), db::firebird::kLockRoom, nullptr},
      {(dir.path / "plik" / "blokady").string(), db::firebird::kLockRoom, "nie katalog"},
      {(dir.path / "pelny").string(), beyond, "brak wolnego miejsca"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string problem = db::firebird::lockFolderProblem(c.folder, c.room);
    if (!c.cause) {
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_NE(problem.find(c.cause), std::string::npos) << problem;
    }
  }
  // The probe leaves nothing behind.
  EXPECT_TRUE(std::filesystem::is_empty(dir.path / "blokady"));
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
  // The session gave the silent server up; a new work tries it again.
  session_.silentServers()->forget();
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
