// konwersja-cli: each command lives in its own file; main() lists them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace konw::cli {

// Exit codes shared by the commands.
inline constexpr int kWyjscieBladUzycia = 2;
inline constexpr const char* kKodyWyjscia =
    "Exit codes of convert: 0 finished, 1 could not start (configuration, control tables, data version, "
    "locations, another conversion of the installation in progress, a signal during start-up, confirmation "
    "refused), 2 usage error, 3 finished with structure mismatches, 4 finished with "
    "a critical structure mismatch, 5 stopped by an error, 6 broken by the operator (Ctrl+C or SIGTERM; a "
    "second one ends the program at once). Exit codes of compare: 0 no critical difference, 1 could not "
    "start, 2 usage error, 4 a critical difference, 5 stopped by an error. Exit codes of check: 0 no "
    "critical "
    "finding, 1 could not start, 2 usage error, 4 a critical finding (a damaged table or value, a value its "
    "column would refuse or change, what the trial copy met, a critical structure difference, a refused "
    "name, a trigger that could not be switched back on), 5 stopped by an error.";

struct Command {
  std::string name;
  std::string summary;  // what it does, for --help
  // Declares the command's arguments on its subcommand and returns what runs it (the exit code).
  std::function<std::function<int()>(CLI::App&)> define;
};

Command convertCommand();
Command compareCommand();
Command checkCommand();
Command demoCommand();
Command dumpCommand();

}  // namespace konw::cli
