// konwersja-cli: each command lives in its own file and registers itself here.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace konw::cli {

struct Command {
  std::string name;
  std::string usage;    // one line: "dump TABLE.DB [--codepage N]"
  std::string summary;  // what it does
  // Receives the arguments after the command name; returns the process exit code.
  std::function<int(const std::vector<std::string>&)> run;
};

// Registers a command; call from a static object in the command's file.
bool registerCommand(Command command);
const std::vector<Command>& commands();

}  // namespace konw::cli
