#include "platform/signals.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <mutex>

namespace konw::sygnaly {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

std::atomic<bool> gInstalled{false};
std::atomic<int> gMode{static_cast<int>(Mode::Immediate)};
std::atomic<int> gBreakSignal{0};

// The break line, prepared outside the handler; the handler reads the length first and writes only
// what was complete when it was published.
char gMessage[256];
std::atomic<std::size_t> gMessageLength{0};

std::mutex gInstallMutex;
struct sigaction gPrevious[std::size(kSignals)];

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

void onSignal(int signal) {
  if (gMode.load() == static_cast<int>(Mode::Immediate)) _exit(exitCode(signal));
  int none = 0;
  if (!gBreakSignal.compare_exchange_strong(none, signal)) _exit(exitCode(signal));
  const std::size_t length = gMessageLength.load();
  if (length > 0) {
    const int savedErrno = errno;
    if (::write(STDERR_FILENO, gMessage, length) < 0) {
      // Nothing can be done about a standard error that does not take the line.
    }
    errno = savedErrno;
  }
}

}  // namespace

void install(Mode m) {
  std::lock_guard lock(gInstallMutex);
  gMode.store(static_cast<int>(m));
  if (gInstalled.load()) return;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  // Interrupted system calls resume: the engine's I/O must not fail because the operator pressed Ctrl+C.
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &gPrevious[i]);
  sigset_t set;
  sigemptyset(&set);
  for (int s : kSignals) sigaddset(&set, s);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  gInstalled.store(true);
}

void setMode(Mode m) {
  gMode.store(static_cast<int>(m));
}

Mode mode() {
  return static_cast<Mode>(gMode.load());
}

bool installed() {
  return gInstalled.load();
}

void uninstall() {
  std::lock_guard lock(gInstallMutex);
  if (!gInstalled.load()) return;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
  gInstalled.store(false);
  gBreakSignal.store(0);
  gMode.store(static_cast<int>(Mode::Immediate));
}

bool breakRequested() {
  return gBreakSignal.load() != 0;
}

int breakSignal() {
  return gBreakSignal.load();
}

void clearBreak() {
  gBreakSignal.store(0);
}

void setBreakMessage(std::string_view line) {
  gMessageLength.store(0);
  if (line.empty()) return;
  const std::size_t length = std::min(line.size(), sizeof gMessage - 1);
  std::memcpy(gMessage, line.data(), length);
  gMessage[length] = '\n';
  gMessageLength.store(length + 1);
}

}  // namespace konw::sygnaly
