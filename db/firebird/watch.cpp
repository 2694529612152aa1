#include "db/firebird/watch.h"

#include <algorithm>

namespace db::firebird {

CallWatch::CallWatch(std::chrono::milliseconds timeout, std::function<void()> cutOff,
                     std::function<bool()> hurry)
    : timeout_(timeout),
      limit_(timeout + std::clamp<std::chrono::milliseconds>(timeout / 10, std::chrono::seconds(2),
                                                             std::chrono::seconds(5))),
      cutOff_(std::move(cutOff)),
      hurry_(std::move(hurry)),
      thread_([this] { run(); }) {}

CallWatch::~CallWatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void CallWatch::begin() noexcept {
  std::lock_guard lock(mutex_);
  since_ = std::chrono::steady_clock::now();
  busy_ = true;
}

void CallWatch::end() noexcept {
  std::lock_guard lock(mutex_);
  busy_ = false;
}

std::chrono::milliseconds CallWatch::waited() const noexcept {
  std::lock_guard lock(mutex_);
  return waited_;
}

bool CallWatch::expired() const noexcept {
  std::lock_guard lock(mutex_);
  return expired_;
}

void CallWatch::run() {
  // The thread looks at the current call now and then rather than being told of every call: a call
  // costs two uncontended locks, and a call cut off ends at most one look later than the limit.
  const auto look = std::clamp<std::chrono::milliseconds>(limit_ / 10, std::chrono::milliseconds(50),
                                                          std::chrono::milliseconds(1000));
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, look);
    if (stopping_ || expired_ || !busy_) continue;
    const auto limit = hurry_ && hurry_() ? std::min(kBrief, limit_) : limit_;
    if (std::chrono::steady_clock::now() - since_ < limit) continue;
    expired_ = true;
    waited_ = limit == limit_ ? timeout_ : limit;
    // Under the lock: end() cannot return, and the attachment cannot be released, while it runs.
    cutOff_();
  }
}

}  // namespace db::firebird
