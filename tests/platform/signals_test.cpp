#include "platform/signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

extern char** environ;

namespace konw {
namespace {

using sygnaly::Mode;

// Each test leaves the process's dispositions as it found them.
class Sygnaly : public ::testing::Test {
 protected:
  void TearDown() override {
    sygnaly::uninstall();
    sygnaly::setBreakMessage("");
  }
};

TEST_F(Sygnaly, PierwszySygnalWTrakciePracyZglaszaPrzerwanie) {
  struct sigaction ignored {};
  ignored.sa_handler = SIG_IGN;
  sigemptyset(&ignored.sa_mask);
  struct sigaction saved {};
  sigaction(SIGTERM, &ignored, &saved);

  sygnaly::install(Mode::Break);
  sygnaly::setBreakMessage("Przerwanie zgłoszone");
  EXPECT_FALSE(sygnaly::breakRequested());
  for (int sig : {SIGINT, SIGTERM}) {
    testing::internal::CaptureStderr();
    std::raise(sig);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Przerwanie zgłoszone\n") << sig;
    EXPECT_TRUE(sygnaly::breakRequested()) << sig;
    EXPECT_EQ(sygnaly::breakSignal(), sig);
    sygnaly::clearBreak();
    EXPECT_FALSE(sygnaly::breakRequested());
  }
  // Installing again only changes the mode; the request survives a change of mode.
  sygnaly::setBreakMessage("");
  testing::internal::CaptureStderr();
  std::raise(SIGINT);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  sygnaly::install(Mode::Immediate);
  EXPECT_EQ(sygnaly::mode(), Mode::Immediate);
  EXPECT_TRUE(sygnaly::breakRequested());

  sygnaly::uninstall();
  EXPECT_FALSE(sygnaly::installed());
  EXPECT_FALSE(sygnaly::breakRequested());
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN) << "uninstall() restores what install() found";
  sigaction(SIGTERM, &saved, nullptr);
}

// signal_child holds an embedded Firebird attachment (see its source); the test signals it from outside,
// as a terminal's Ctrl+C or `kill` does.
class SygnalyZBazaFirebird : public ::testing::Test {
 protected:
  // Starts the child on a database of its own in `subdir`.
  void start(const std::string& mode, const std::string& subdir) {
    const std::filesystem::path where = dir.path / subdir;
    std::filesystem::create_directories(where);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string program = KONWERSJA_SIGNAL_CHILD, dirText = where.string();
    char* argv[] = {program.data(), const_cast<char*>(mode.c_str()), dirText.data(), nullptr};
    // The child ends while the engine is in use; its lock files stay in the test's own directory so that no
    // other process on the machine shares them.
    std::filesystem::create_directories(where / "lock");
    std::vector<std::string> env = {"FIREBIRD_LOCK=" + (where / "lock").string()};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("FIREBIRD_LOCK=", 0) != 0) env.push_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    ASSERT_EQ(posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  // The child's next line; empty when it closed its output or said nothing for a long while.
  std::string line() {
    std::string text;
    char c;
    for (;;) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 60000) <= 0 || read(out_, &c, 1) != 1) return text;
      if (c == '\n') return text;
      text += c;
    }
  }
  // The exit code, or -signal when a signal killed it.
  int wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  test::TempDir dir;
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST_F(SygnalyZBazaFirebird, PierwszySygnalNieZamykaPolaczeniaDrugiKonczyProces) {
  struct Przypadek {
    const char* mode;
    int pierwszy;
    const char* poPierwszym;  // the child's line after the first signal; nullptr: it must have ended
    int drugi;
    int kod;
  };
  const std::vector<Przypadek> przypadki = {
      {"break", SIGINT, "przerwanie sygnal=2 zapytanie=ok", SIGINT, 130},
      {"break", SIGTERM, "przerwanie sygnal=15 zapytanie=ok", SIGINT, 130},
      {"break", SIGINT, "przerwanie sygnal=2 zapytanie=ok", SIGTERM, 143},
      {"start", SIGINT, nullptr, 0, 130},
      {"start", SIGTERM, nullptr, 0, 143},
  };
  for (std::size_t i = 0; i < przypadki.size(); ++i) {
    const Przypadek& p = przypadki[i];
    SCOPED_TRACE(std::string(p.mode) + " " + std::to_string(p.pierwszy));
    start(p.mode, std::to_string(i));
    ASSERT_EQ(line(), "gotowy");
    kill(pid_, p.pierwszy);
    if (p.poPierwszym) {
      EXPECT_EQ(line(), p.poPierwszym);
      kill(pid_, p.drugi);
    }
    EXPECT_EQ(wait(), p.kod);
    close(out_);
    out_ = -1;
  }
}

}  // namespace
}  // namespace konw
