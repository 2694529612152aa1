// konwersja-cli demo: creates a complete demo installation of the product under one directory.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/cli/commands.h"
#include "tools/demo/demo.h"

namespace {

std::function<int()> defineDemo(CLI::App& sub) {
  auto options = std::make_shared<konw::demo::Options>();
  auto dir = std::make_shared<std::string>();
  sub.add_option("DIR", *dir, "directory of the installation")->required();
  sub.add_option("--rows", options->rows, "rows of the big tables")->check(CLI::NonNegativeNumber);
  sub.add_option("--server", options->server, "Firebird server that will hold the databases");
  sub.add_flag("--force", options->force, "write into a directory that is not empty");
  return [options, dir] {
    options->dir = *dir;
    try {
      const auto s = konw::demo::createDemo(*options);
      std::printf("Demo installation in %s: %d Paradox tables, %lld rows; %d Firebird tables\n", dir->c_str(),
                  s.paradoxTables, static_cast<long long>(s.paradoxRows), s.firebirdTables);
      for (const auto& d : s.databases) std::printf("  database %s\n", d.c_str());
      std::printf("Start the window with WINEPREFIX=%s/wine\n", dir->c_str());
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "konwersja-cli demo: %s\n", e.what());
      return 1;
    }
  };
}

}  // namespace

konw::cli::Command konw::cli::demoCommand() {
  return {"demo",
          "create a demo installation of the product (Paradox data, control tables, Firebird database)",
          defineDemo};
}
