#include "platform/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace konw {

std::string UsunKoncowyUkosnik(const std::string& s) {
  if (!s.empty() && s.back() == '\\') return s.substr(0, s.size() - 1);
  return s;
}

std::string DodajKoncowyUkosnik(const std::string& s) {
  if (!s.empty() && s.back() == '\\') return s;
  return s + '\\';
}

std::string UsunRozszerzenie(const std::string& s) {
  auto dot = s.rfind('.');
  if (dot == std::string::npos) return s;
  std::string r = s.substr(0, dot);
  while (!r.empty() && r.back() == '.') r.pop_back();
  return r;
}

std::string SciezkaDziennikaBledow(const std::string& program) {
  // A program file without an extension (as off Windows) keeps its whole name: cutting at the last dot
  // of its directories would put the log elsewhere ("/opt/x.y/konwersja" into "/opt/x.log").
  const std::size_t ukosnik = program.find_last_of("/\\");
  const std::string nazwa = program.substr(ukosnik == std::string::npos ? 0 : ukosnik + 1);
  const std::string log =
      (nazwa.find('.') == std::string::npos ? program : UsunRozszerzenie(program)) + ".log";
  const std::string katalog = ukosnik == std::string::npos ? "." : program.substr(0, ukosnik);
  if (::access(katalog.c_str(), W_OK) == 0) return log;

  namespace fs = std::filesystem;
  fs::path stan;
  if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x == '/')
    stan = x;
  else if (const char* home = std::getenv("HOME"); home && *home)
    stan = fs::path(home) / ".local/state";
  else
    return log;
  std::error_code ec;
  fs::create_directories(stan / "konwersja", ec);
  return (stan / "konwersja" / fs::path(log).filename()).string();
}

}  // namespace konw
