#include "platform/paths.h"

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

}  // namespace konw
