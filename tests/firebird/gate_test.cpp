// The gate alone, over a stand-in for a client call that waits until the hook has run a number of times or
// until a cancellation of a given kind reaches it.
#include "db/firebird/gate.h"

#include <gtest/gtest.h>
#include <ibase.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "db/engine.h"

namespace {

using db::firebird::CallGate;

// A call pending on the gate's thread and the cancellations that reached it.
struct Server {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> cancels;
  int hooks = 0;
  int answersAfterHooks = 0;  // the call ends by itself once the hook ran this often (0: never)
  int answersTo = -1;         // the call ends, cancelled, when this kind of cancellation arrives

  void cancel(int kind) {
    std::lock_guard lock(mutex);
    cancels.push_back(kind);
    changed.notify_all();
  }
  void hooked() {
    std::lock_guard lock(mutex);
    ++hooks;
    changed.notify_all();
  }
  // The client call: an answer, or the client's error of a cancelled call.
  int call() {
    std::unique_lock lock(mutex);
    bool cancelled = false;
    changed.wait(lock, [&] {
      cancelled = std::find(cancels.begin(), cancels.end(), answersTo) != cancels.end();
      return cancelled || (answersAfterHooks > 0 && hooks >= answersAfterHooks);
    });
    if (cancelled) throw db::EngineError(db::errc::kSqlError, "cancelled");
    return 42;
  }
};

struct GateCase {
  const char* name;
  int stopAtHook;         // the hook asks to stop the time it runs this often (0: never)
  int answersAfterHooks;  // see Server
  int answersTo;
  const char* error;  // the message the call raises; nullptr: it returns its answer
  std::uint16_t code;
  std::vector<int> cancels;
  int graceMs = 30000;
};

TEST(FirebirdCallGate, WaitsCallingTheHookAndCancelsWhenItAsksToStop) {
  const GateCase cases[] = {
      {"slow call, no stop", 0, 3, -1, nullptr, 0, {}},
      {"stop, the server cancels",
       2,
       0,
       fb_cancel_raise,
       "przerwano na żądanie operatora",
       db::errc::kSqlError,
       {fb_cancel_raise, fb_cancel_disable, fb_cancel_enable}},
      {"stop, the server does not answer",
       2,
       0,
       fb_cancel_abort,
       "połączenie zostało zamknięte",
       db::errc::kConnect,
       {fb_cancel_raise, fb_cancel_abort},
       50},
      {"stop, the call ends well meanwhile",
       2,
       4,
       -1,
       nullptr,
       0,
       {fb_cancel_raise, fb_cancel_disable, fb_cancel_enable}},
  };
  // Each case as a call waited for at once, and as a call put in flight and collected later.
  for (const GateCase& c : cases)
    for (bool posted : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (posted ? ", in flight" : ""));
      Server server;
      server.answersAfterHooks = c.answersAfterHooks;
      server.answersTo = c.answersTo;
      CallGate gate([&](int kind) { server.cancel(kind); }, std::chrono::milliseconds(1),
                    std::chrono::milliseconds(c.graceMs), std::chrono::milliseconds(1));
      gate.setHook([&] {
        server.hooked();
        std::lock_guard lock(server.mutex);
        return server.hooks == c.stopAtHook;
      });
      std::optional<int> answer;
      try {
        if (posted) {
          gate.post([&] { answer = server.call(); });
          EXPECT_TRUE(gate.busy());
          gate.collect();
        } else {
          answer = gate.run([&] { return server.call(); });
        }
        EXPECT_EQ(c.error, nullptr) << "returned " << *answer;
        EXPECT_EQ(*answer, 42);
      } catch (const db::EngineError& e) {
        ASSERT_NE(c.error, nullptr) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        EXPECT_EQ(e.code(), c.code);
        EXPECT_TRUE(db::isWaitInterrupted(e));
      }
      EXPECT_GE(server.hooks, c.stopAtHook ? c.stopAtHook : c.answersAfterHooks);
      EXPECT_EQ(server.cancels, c.cancels);
      EXPECT_FALSE(gate.busy());
      EXPECT_FALSE(gate.inFlight());
    }
}

TEST(FirebirdCallGate, FastCallsAndCallsWithoutAHookNeverCallIt) {
  int hooks = 0;
  CallGate gate([](int) { ADD_FAILURE() << "cancelled"; });
  EXPECT_EQ(gate.run([] { return 7; }), 7);  // no hook: inline
  gate.setHook([&] { return ++hooks > 0; });
  for (int i = 0; i < 100; ++i) EXPECT_EQ(gate.run([i] { return i; }), i);
  // The call's own error passes unchanged.
  EXPECT_THROW(gate.run([]() -> int { throw db::EngineError(db::errc::kKeyViolation, "klucz"); }),
               db::EngineError);
  EXPECT_EQ(hooks, 0);
}

TEST(FirebirdCallGate, ACallFromInsideTheHookIsRefusedAndAReleaseWaitsItsTurn) {
  for (bool posted : {false, true}) {
    SCOPED_TRACE(posted ? "in flight" : "waited for");
    Server server;
    server.answersAfterHooks = 1;
    CallGate gate([&](int kind) { server.cancel(kind); }, std::chrono::milliseconds(1),
                  std::chrono::seconds(2), std::chrono::milliseconds(1));
    std::string busy;
    bool released = false;
    gate.setHook([&] {
      if (busy.empty()) {
        try {
          gate.run([] { return 1; });
          busy = "(no error)";
        } catch (const db::EngineError& e) {
          busy = e.what();
          EXPECT_EQ(e.code(), db::errc::kState);
        }
        // Runs once the pending call has ended, which this lets it do.
        server.hooked();
        gate.run([&] { released = true; }, CallGate::Wait::Release);
      }
      server.hooked();
      return false;
    });
    if (posted) {
      int answer = 0;
      gate.post([&] { answer = server.call(); });
      gate.collect();
      EXPECT_EQ(answer, 42);
      // Collected: the connection is free again, also for a call made from the hook.
      EXPECT_EQ(gate.run([] { return 5; }), 5);
    } else {
      EXPECT_EQ(gate.run([&] { return server.call(); }), 42);
    }
    EXPECT_NE(busy.find("jest zajęte"), std::string::npos) << busy;
    EXPECT_TRUE(released);
  }
}

// The caller's own call while its call in flight is on its way runs after it, and the outcome in
// flight is still the collector's.
TEST(FirebirdCallGate, TheCallersOwnCallWaitsForTheCallInFlight) {
  CallGate gate([](int) { ADD_FAILURE() << "cancelled"; });
  gate.setHook([] { return false; });
  std::vector<int> order;
  std::mutex m;
  auto note = [&](int i) {
    std::lock_guard lock(m);
    order.push_back(i);
  };
  gate.post([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    note(1);
    throw db::EngineError(db::errc::kKeyViolation, "klucz");
  });
  EXPECT_NO_THROW(gate.run([&] { note(2); }));
  EXPECT_THROW(gate.collect(), db::EngineError);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_FALSE(gate.busy());
}

// Without a hook, a call in flight that nobody collects (a cursor left reading) is waited for, and every
// call after it still runs on the caller's thread: none is handed to the gate's thread.
TEST(FirebirdCallGate, WithoutAHookCallsAfterACallInFlightStayOnTheCallersThread) {
  CallGate gate([](int) { ADD_FAILURE() << "cancelled"; });
  std::atomic<bool> landed{false};
  gate.post([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    landed = true;
  });
  const auto caller = std::this_thread::get_id();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(gate.run([&] { return std::this_thread::get_id(); }), caller);
    EXPECT_TRUE(landed) << "after the call in flight";
  }
  EXPECT_TRUE(gate.inFlight()) << "its outcome waits for collect()";
  EXPECT_NO_THROW(gate.collect());
  EXPECT_FALSE(gate.busy());
}

}  // namespace
