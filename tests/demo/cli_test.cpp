// konwersja-cli as a script runs it: the exit code tells the verdict of a whole conversion.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "demo/demo_fixture.h"

namespace {

// The exit code of konwersja-cli with these arguments, its output thrown away.
int cli(const std::string& args) {
  const int status = std::system((std::string(KONWERSJA_CLI) + " " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KonwersjaCli, ExitCodeTellsTheVerdict) {
  demotest::DemoInstallation demo(200);
  const std::string dir = demo.root().string();
  const test::TempDir pusty;
  std::ofstream(pusty.path / "win.ini") << "[windows]\r\n";

  const struct {
    std::string args;
    int code;
  } przypadki[] = {
      {"convert " + dir + " --edition JST --kind 0 --yes", 4},  // the demo's deliberate critical mismatch
      {"convert " + dir + " --edition JB --yes", 0},
      {"convert " + dir + " --edition JB", 1},  // the confirmation refused: nothing starts
      {"convert --winini " + (pusty.path / "win.ini").string() + " --yes", 1},
      {"convert " + dir + " --edition XX", 2},
      {"convert " + dir + " --bad-option", 2},
      {"convert", 2},
  };
  for (const auto& p : przypadki) EXPECT_EQ(cli(p.args), p.code) << p.args;
}

}  // namespace
