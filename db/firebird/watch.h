// A watch over the calls of one connection to a server: a call that has waited longer than the limit
// is cut off, so that a server that stopped answering (a frozen process, a cut network whose peer
// the kernel still acknowledges) cannot hold the program for ever.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace db::firebird {

class CallWatch {
 public:
  // `cutOff` runs on the watch's own thread when a call has gone on for `timeout` and a grace (two to
  // five seconds, so that a statement waiting as long for a lock ends by the server's lock time-out
  // first); it must make the call return (for an attachment: cancelling it with fb_cancel_abort).
  // While `hurry` (optional, asked on the watch's thread) says so, a call is cut off after a brief wait
  // instead (kBrief, at most the time-out): its server already left a call unanswered.
  CallWatch(std::chrono::milliseconds timeout, std::function<void()> cutOff,
            std::function<bool()> hurry = {});
  ~CallWatch();
  CallWatch(const CallWatch&) = delete;
  CallWatch& operator=(const CallWatch&) = delete;

  // Around each call. After end() returns, cutOff is not running and will not run for that call.
  void begin() noexcept;
  void end() noexcept;
  // Whether a call was cut off; the connection is then unusable.
  bool expired() const noexcept;
  std::chrono::milliseconds timeout() const { return timeout_; }
  // How long the call cut off had been left unanswered (its time-out, or the brief wait).
  std::chrono::milliseconds waited() const noexcept;

  static constexpr std::chrono::milliseconds kBrief{5000};

 private:
  void run();

  const std::chrono::milliseconds timeout_;
  const std::chrono::milliseconds limit_;  // the time-out and its grace
  const std::function<void()> cutOff_;
  const std::function<bool()> hurry_;
  std::chrono::milliseconds waited_{0};
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::chrono::steady_clock::time_point since_{};  // start of the current call; epoch when none
  bool busy_ = false;
  bool expired_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace db::firebird
