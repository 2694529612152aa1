#include "platform/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>

namespace konw::sygnaly {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kBezZawieszenia = 2;  // SIGHUP, the last, only when asked for

std::atomic<bool> gInstalled{false};
std::atomic<int> gMode{static_cast<int>(Mode::Immediate)};
std::atomic<int> gBreakSignal{0};

// The break line, prepared outside the handler; the handler reads the length first and writes only
// what was complete when it was published.
char gMessage[256];
std::atomic<std::size_t> gMessageLength{0};

std::mutex gInstallMutex;
struct sigaction gPrevious[std::size(kSignals)];
std::size_t gInstalledCount = 0;
std::atomic<int> gExitCode{0};

// The file written when a signal ends the process. A text once published is freed only when no handler
// can be reading it: a handler counts itself in before it loads the pointer, and never leaves.
struct PlikKoncowy {
  std::string path, tmp, partial, text;
};
std::atomic<PlikKoncowy*> gPlik{nullptr};
std::atomic<int> gCzytajacy{0};
std::mutex gPlikMutex;

[[noreturn]] void zakoncz(int signal) {
  gCzytajacy.fetch_add(1);
  if (const PlikKoncowy* p = gPlik.load()) {
    const int fd = ::open(p->tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
      const char* at = p->text.data();
      std::size_t left = p->text.size();
      bool whole = true;
      while (left > 0) {
        const ssize_t n = ::write(fd, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          whole = false;
          break;
        }
        at += n;
        left -= static_cast<std::size_t>(n);
      }
      ::close(fd);
      if (whole)
        ::rename(p->tmp.c_str(), p->path.c_str());
      else
        ::unlink(p->tmp.c_str());
    }
    if (!p->partial.empty()) ::unlink(p->partial.c_str());
  }
  const int code = gExitCode.load();
  _exit(code ? code : exitCode(signal));
}

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

void onSignal(int signal) {
  if (gMode.load() == static_cast<int>(Mode::Immediate)) zakoncz(signal);
  int none = 0;
  if (!gBreakSignal.compare_exchange_strong(none, signal)) zakoncz(signal);
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

void install(Mode m, bool hangup) {
  std::lock_guard lock(gInstallMutex);
  gMode.store(static_cast<int>(m));
  if (gInstalled.load()) return;
  gInstalledCount = hangup ? std::size(kSignals) : kBezZawieszenia;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  // Interrupted system calls resume: the engine's I/O must not fail because the operator pressed Ctrl+C.
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < gInstalledCount; ++i) sigaction(kSignals[i], &action, &gPrevious[i]);
  sigset_t set;
  sigemptyset(&set);
  for (std::size_t i = 0; i < gInstalledCount; ++i) sigaddset(&set, kSignals[i]);
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
  for (std::size_t i = 0; i < gInstalledCount; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
  gInstalled.store(false);
  gExitCode.store(0);
  setFinalFile({}, {});
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

void setExitCode(int code) {
  gExitCode.store(code);
}

void setFinalFile(const std::string& path, const std::string& text, const std::string& partial) {
  std::lock_guard lock(gPlikMutex);
  PlikKoncowy* nowy = nullptr;
  if (!path.empty()) nowy = new PlikKoncowy{path, path + ".sygnal", partial, text};
  PlikKoncowy* stary = gPlik.exchange(nowy);
  // A handler already counted in may hold the old text: it is left to the process's end.
  if (gCzytajacy.load() == 0) delete stary;
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
