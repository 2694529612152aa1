// The test server of tools/fb-test-server stopped with SIGSTOP: a server that no longer answers.
#pragma once

#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace test {

// The test server's process, from the pid file tools/fb-test-server keeps; 0 when unknown.
inline pid_t fbServerPid() {
  const char* dir = std::getenv("KONWERSJA_FB_STATE_DIR");
  std::ifstream in(std::string(dir && *dir ? dir : "/tmp/konwersja-fb-server") + "/pid");
  pid_t pid = 0;
  if (!(in >> pid) || pid <= 0 || kill(pid, 0) != 0) return 0;
  return pid;
}

// Stops the server process for as long as it lives.
class Frozen {
 public:
  explicit Frozen(pid_t pid) : pid_(pid) { kill(pid_, SIGSTOP); }
  ~Frozen() { kill(pid_, SIGCONT); }
  Frozen(const Frozen&) = delete;
  Frozen& operator=(const Frozen&) = delete;

 private:
  pid_t pid_;
};

}  // namespace test
