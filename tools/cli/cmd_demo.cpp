// konwersja-cli demo: creates a complete demo installation of the product under one directory.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/cli/commands.h"
#include "tools/demo/demo.h"

namespace {

int runDemo(const std::vector<std::string>& args) {
  konw::demo::Options options;
  bool haveDir = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--rows") {
      const std::string& v = value();
      std::size_t used = 0;
      long long n = -1;
      try {
        n = std::stoll(v, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != v.size() || n < 0) {
        std::fprintf(stderr, "konwersja-cli demo: --rows needs a non-negative number, not '%s'\n", v.c_str());
        return 2;
      }
      options.rows = n;
    } else if (a == "--server") {
      options.server = value();
    } else if (a == "--force") {
      options.force = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "konwersja-cli demo: unknown option '%s'\n", a.c_str());
      return 2;
    } else if (!haveDir) {
      options.dir = a;
      haveDir = true;
    } else {
      std::fprintf(stderr, "konwersja-cli demo: more than one directory given\n");
      return 2;
    }
  }
  if (!haveDir) {
    std::fprintf(stderr, "usage: konwersja-cli demo DIR [--rows N] [--server HOST] [--force]\n");
    return 2;
  }
  try {
    const auto s = konw::demo::createDemo(options);
    std::printf("Demo installation in %s: %d Paradox tables, %lld rows; %d Firebird tables\n",
                options.dir.string().c_str(), s.paradoxTables, static_cast<long long>(s.paradoxRows),
                s.firebirdTables);
    for (const auto& d : s.databases) std::printf("  database %s\n", d.c_str());
    std::printf("Start the window with WINEPREFIX=%s/wine\n", options.dir.string().c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "konwersja-cli demo: %s\n", e.what());
    return 1;
  }
}

const bool registered = konw::cli::registerCommand(
    {"demo", "demo DIR [--rows N] [--server HOST] [--force]",
     "create a demo installation of the product (Paradox data, control tables, Firebird database)", runDemo});

}  // namespace
