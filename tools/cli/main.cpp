// konwersja-cli: headless commands of the conversion tool.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/cli/commands.h"

namespace konw::cli {

std::vector<Command>& registry() {
  static std::vector<Command> all;
  return all;
}

bool registerCommand(Command command) {
  registry().push_back(std::move(command));
  return true;
}

const std::vector<Command>& commands() { return registry(); }

}  // namespace konw::cli

namespace {

void printHelp() {
  std::printf("konwersja-cli: headless commands of the Paradox to Firebird conversion tool\n\n");
  std::printf("Usage: konwersja-cli COMMAND [ARGS]\n\nCommands:\n");
  for (const auto& c : konw::cli::commands()) std::printf("  %-40s %s\n", c.usage.c_str(), c.summary.c_str());
  std::printf("  %-40s %s\n", "--help", "this text");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printHelp();
    return args.empty() ? 2 : 0;
  }
  for (const auto& c : konw::cli::commands()) {
    if (c.name != args[0]) continue;
    try {
      return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "konwersja-cli %s: %s\n", c.name.c_str(), e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "konwersja-cli: unknown command '%s' (see --help)\n", args[0].c_str());
  return 2;
}
