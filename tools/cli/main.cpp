// konwersja-cli: headless commands of the conversion tool.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "tools/cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"konwersja-cli: headless commands of the Paradox to Firebird conversion tool",
               "konwersja-cli"};
  app.require_subcommand(1);
  app.footer(konw::cli::kKodyWyjscia);
  std::map<CLI::App*, std::function<int()>> runs;
  const konw::cli::Command commands[] = {konw::cli::convertCommand(), konw::cli::compareCommand(),
                                         konw::cli::checkCommand(), konw::cli::demoCommand(),
                                         konw::cli::dumpCommand()};
  for (const auto& c : commands) {
    CLI::App* sub = app.add_subcommand(c.name, c.summary);
    runs[sub] = c.define(*sub);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return konw::cli::kWyjscieBladUzycia;
  }
  for (auto& [sub, run] : runs) {
    if (!sub->parsed()) continue;
    try {
      return run();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "konwersja-cli %s: %s\n", sub->get_name().c_str(), e.what());
      return 1;
    }
  }
  return konw::cli::kWyjscieBladUzycia;
}
