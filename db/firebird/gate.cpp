#include "db/firebird/gate.h"

#include <ibase.h>

#include <system_error>

#include "db/engine.h"
#include "db/firebird/client.h"

namespace db::firebird {

static_assert(kWaitInterrupted == isc_cancelled);

CallGate::CallGate(std::function<void(int)> cancel, std::chrono::milliseconds slice,
                   std::chrono::milliseconds grace, std::chrono::milliseconds patience)
    : cancel_(std::move(cancel)), slice_(slice), grace_(grace), patience_(patience), worker_([this] {
        work();
      }) {
  workerId_ = worker_.get_id();
}

CallGate::~CallGate() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void CallGate::setHook(std::function<bool()> hook) {
  hook_ = std::move(hook);
}

void CallGate::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || job_; });
    if (!job_) return;
    Job* job = job_;
    lock.unlock();
    try {
      job->thunk.invoke(job->thunk.call);
    } catch (...) {
      job->error = std::current_exception();
    }
    lock.lock();
    job->done = true;
    job_ = nullptr;
    wake_.notify_all();
  }
}

void CallGate::checkIdle() const {
  if ((waiting_.load(std::memory_order_relaxed) || (inHook_ && busy())) && !onWorker()) {
    throw EngineError(
        errc::kState,
        "Połączenie z bazą danych Firebird jest zajęte: trwa oczekiwanie na odpowiedź serwera na "
        "poprzednie polecenie.");
  }
}

void CallGate::dispatch(Thunk thunk, Wait wait) {
  if (waiting_.load(std::memory_order_relaxed) || inHook_) {
    // Entered from the hook while a call is pending: the connection's objects are in use.
    if (wait == Wait::Interruptible) checkIdle();
    // A release must happen: after the pending call, here (the gate's thread is then idle).
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return job_ == nullptr; });
    lock.unlock();
    thunk.invoke(thunk.call);
    return;
  }

  if (flight_) {
    // The caller's own call while its call in flight is on its way: after it.
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return flight_->done; });
  }
  Job job{thunk, false, nullptr};
  // The hook in force when the call began, also if it is replaced from inside itself.
  const std::function<bool()> hook = hook_;
  waiting_.store(true, std::memory_order_relaxed);
  struct Idle {
    std::atomic<bool>& waiting;
    ~Idle() { waiting.store(false, std::memory_order_relaxed); }
  } idle{waiting_};
  start(job);
  await(job, wait, hook);
}

void CallGate::awaitFlightDone() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [&] { return !flight_ || flight_->done; });
}

void CallGate::start(Job& job) {
  std::lock_guard lock(mutex_);
  job_ = &job;
  wake_.notify_all();
}

void CallGate::post(std::function<void()> call) {
  checkIdle();
  if (flight_) throw EngineError(errc::kState, "Połączenie ma już polecenie wysłane w tle");
  flightCall_ = std::move(call);
  flight_.emplace(
      Job{Thunk{&flightCall_, [](void* f) { (*static_cast<std::function<void()>*>(f))(); }}, false, nullptr});
  flying_.store(true, std::memory_order_relaxed);
  start(*flight_);
}

void CallGate::collect(Wait wait) {
  if (!flight_) return;
  struct Landed {
    CallGate& gate;
    ~Landed() {
      gate.flight_.reset();
      gate.flightCall_ = nullptr;
      gate.flying_.store(false, std::memory_order_relaxed);
    }
  } landed{*this};
  const std::function<bool()> hook = hook_;
  await(*flight_, wait, hook);
}

void CallGate::await(Job& job, Wait wait, const std::function<bool()>& hook) {
  std::unique_lock lock(mutex_);
  if (!hook) {
    wake_.wait(lock, [&] { return job.done; });
    lock.unlock();
    if (job.error) std::rethrow_exception(job.error);
    return;
  }

  bool stopped = false;
  bool aborted = false;  // under the mutex
  bool hookFailed = false;
  std::exception_ptr hookError;
  std::thread canceller;
  std::chrono::milliseconds pause = patience_;
  while (!wake_.wait_for(lock, pause, [&] { return job.done; })) {
    pause = slice_;
    bool stop = false;
    if (!hookFailed) {
      lock.unlock();
      try {
        inHook_ = true;
        struct Out {
          bool& in;
          ~Out() { in = false; }
        } out{inHook_};
        stop = hook();
      } catch (...) {
        // A hook that fails is not called again; its error is the call's (see gate.h).
        hookFailed = true;
        hookError = std::current_exception();
        stop = true;
      }
      lock.lock();
    }
    if (!stop || stopped || wait != Wait::Interruptible || job.done) continue;
    stopped = true;
    // Cancelled from a thread of its own: with a frozen server even a cancellation may block.
    try {
      canceller = std::thread([this, &job, &aborted] {
        cancel_(fb_cancel_raise);
        std::unique_lock own(mutex_);
        // A server that does not answer the cancellation: the connection is cut off.
        if (wake_.wait_for(own, grace_, [&] { return job.done; })) return;
        aborted = true;
        own.unlock();
        cancel_(fb_cancel_abort);
      });
    } catch (const std::system_error&) {
      // No thread to spare: the connection is cut off at once, which cannot block.
      aborted = true;
      lock.unlock();
      cancel_(fb_cancel_abort);
      lock.lock();
    }
  }
  lock.unlock();
  if (canceller.joinable()) canceller.join();
  if (stopped && !aborted) {
    // A cancellation that reached the server after the call ended must not cancel the next call.
    cancel_(fb_cancel_disable);
    cancel_(fb_cancel_enable);
  }
  if (hookError && wait == Wait::Interruptible) std::rethrow_exception(hookError);
  if (stopped && (job.error || aborted)) {
    std::string message =
        "Operację przerwano na żądanie operatora w trakcie oczekiwania na odpowiedź serwera bazy danych "
        "Firebird.";
    if (aborted) {
      message +=
          " Serwer nie odpowiedział na przerwanie: połączenie zostało zamknięte, a zmiany od "
          "poprzedniego zatwierdzenia zostały wycofane.";
    }
    throw ServerError(aborted ? errc::kConnect : errc::kSqlError, message, isc_cancelled, 0);
  }
  if (job.error) std::rethrow_exception(job.error);
}

}  // namespace db::firebird
