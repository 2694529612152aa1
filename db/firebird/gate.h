// A gate over the calls of one connection to a server: while a wait hook is set, each call that may
// wait for the server runs on the gate's own thread and the calling thread waits for it; once the call
// has taken longer than a short patience it waits in slices, calling the hook between them (a window pumps
// its events there, so it stays responsive and its break button works). The hook may ask to stop: the call is
// then cancelled and raises the interruption error. Without a hook every call runs inline, at no cost.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

namespace db::firebird {

class CallGate {
 public:
  // What a call does when the hook asks to stop.
  enum class Wait {
    Interruptible,  // it is cancelled and raises the interruption error
    Release,        // it goes on (rollbacks and releases, which must not fail)
  };

  // `cancel(kind)` cancels the connection's current call (fb_cancel_raise, fb_cancel_abort, ...); it
  // runs on a thread of the gate's while the call is pending, never on the calling thread. The hook is
  // first called after `patience` (a window does not look stuck before that, and the fewer calls
  // pump events in the middle of a statement the better), then every `slice`.
  explicit CallGate(std::function<void(int kind)> cancel,
                    std::chrono::milliseconds slice = std::chrono::milliseconds(50),
                    std::chrono::milliseconds grace = std::chrono::seconds(2),
                    std::chrono::milliseconds patience = std::chrono::milliseconds(200));
  ~CallGate();
  CallGate(const CallGate&) = delete;
  CallGate& operator=(const CallGate&) = delete;

  // The hook is called on the calling thread, at most once a slice and only while a call has waited
  // longer than the patience; true asks to stop. An empty hook: calls run inline again.
  void setHook(std::function<bool()> hook);
  bool active() const { return static_cast<bool>(hook_); }
  // Whether a call is pending on the gate's thread, waited for or in flight.
  bool busy() const {
    return waiting_.load(std::memory_order_relaxed) || flying_.load(std::memory_order_relaxed);
  }
  bool onWorker() const { return std::this_thread::get_id() == workerId_; }
  // Raises the busy error (kState) for a caller re-entered from the hook while a call is pending (not
  // on the gate's thread).
  void checkIdle() const;

  // Starts `call` on the gate's thread and returns at once: a call in flight, while the caller prepares
  // the next one. Until collect() a call of the caller's own waits for it to end first (its outcome is
  // kept for collect()); from inside the hook, calls behave as while run() waits. One call in flight at
  // a time (the busy error otherwise): a caller checks inFlight() first.
  void post(std::function<void()> call);
  // Waits for the call in flight as run() waits for its call (the hook, a stop, the interruption error)
  // and raises its error; without a hook it simply waits. Returns at once when nothing is in flight.
  void collect(Wait wait = Wait::Interruptible);
  bool inFlight() const { return flight_.has_value(); }

  // Runs `call` (see above). A stop asked for by the hook cancels the call: fb_cancel_raise, then
  // fb_cancel_abort when it has not ended within the grace; the interruption error is raised unless the
  // call ended well anyway. A call on the gate's thread runs inline. Entered from the hook while a call
  // is pending: an interruptible call raises the busy error, a release waits for the pending call first.
  template <typename F>
  std::invoke_result_t<F&> run(F&& call, Wait wait = Wait::Interruptible) {
    using Result = std::invoke_result_t<F&>;
    if (onWorker()) return call();
    // Without a hook a call runs on the caller's thread, after a call in flight has ended (its outcome
    // stays for collect()): a call left in flight never moves the calls after it to the gate's thread.
    if (!hook_ && !waiting_.load(std::memory_order_relaxed)) {
      if (flight_) awaitFlightDone();
      return call();
    }
    if constexpr (std::is_void_v<Result>) {
      dispatch(Thunk{&call, [](void* f) { (*static_cast<std::remove_reference_t<F>*>(f))(); }}, wait);
    } else {
      std::optional<Result> result;
      auto keep = [&] { result.emplace(call()); };
      dispatch(Thunk{&keep, [](void* f) { (*static_cast<decltype(keep)*>(f))(); }}, wait);
      return std::move(*result);
    }
  }

 private:
  struct Thunk {
    void* call;
    void (*invoke)(void*);
  };
  struct Job {
    Thunk thunk;
    bool done = false;
    std::exception_ptr error;
  };

  void dispatch(Thunk thunk, Wait wait);
  // Waits until the call in flight has run (not collecting it).
  void awaitFlightDone();
  // Hands `job` to the gate's thread.
  void start(Job& job);
  // Waits until `job` is done, calling `hook` (when set) after the patience and then every slice; a stop
  // it asks for cancels the job when `wait` allows. Raises the interruption error or the job's own.
  void await(Job& job, Wait wait, const std::function<bool()>& hook);
  void work();

  const std::function<void(int)> cancel_;
  const std::chrono::milliseconds slice_;
  const std::chrono::milliseconds grace_;
  const std::chrono::milliseconds patience_;
  std::function<bool()> hook_;
  std::atomic<bool> waiting_{false};  // run() waits for its call
  std::atomic<bool> flying_{false};   // a call is in flight, not yet collected
  bool inHook_ = false;               // the hook is running (on the calling thread)
  std::mutex mutex_;
  std::condition_variable wake_;
  Job* job_ = nullptr;  // the pending call, until the worker has run it
  std::function<void()> flightCall_;
  std::optional<Job> flight_;  // the call in flight, until collected
  bool stopping_ = false;
  std::thread worker_;
  std::thread::id workerId_;
};

// Runs `call` through `gate` when there is one, else inline.
template <typename F>
std::invoke_result_t<F&> gated(CallGate* gate, F&& call,
                               CallGate::Wait wait = CallGate::Wait::Interruptible) {
  if (!gate) return call();
  return gate->run(call, wait);
}

}  // namespace db::firebird
