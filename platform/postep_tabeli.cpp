#include "platform/postep_tabeli.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace konw {

std::optional<double> PostepTabeli::tempo(Zegar::time_point t) const {
  const double s = sekundy(t);
  if (wierszy_ <= 0 || wiersze_ <= 0 || s <= 0.5) return std::nullopt;
  return static_cast<double>(wiersze_) / s;
}

std::optional<double> PostepTabeli::pozostalo(Zegar::time_point t) const {
  const auto v = tempo(t);
  if (!v) return std::nullopt;
  return static_cast<double>(std::max(0LL, wierszy_ - wiersze_)) / *v;
}

std::string krotkaLiczba(double n) {
  if (n >= 1e6) return fmt::format("{:.1f}M", n / 1e6);
  if (n >= 1e4) return fmt::format("{:.1f}k", n / 1e3);
  return fmt::format("{:.0f}", n);
}

std::string czasPozostaly(double s) {
  const long long sek = std::llround(std::max(0.0, s));
  if (sek >= 3600) return fmt::format("{} h {:02} min", sek / 3600, (sek % 3600) / 60);
  if (sek >= 60) return fmt::format("{} min {:02} s", sek / 60, sek % 60);
  return fmt::format("{} s", sek);
}

std::string OpisPostepuTabeli(const PostepTabeli& postep, PostepTabeli::Zegar::time_point t) {
  if (postep.wierszy() <= 0) return {};
  std::string opis = fmt::format("{} z {} wierszy", postep.wiersze(), postep.wierszy());
  if (const auto tempo = postep.tempo(t))
    opis += fmt::format(", {:.0f}/s\npozostało {}", *tempo, czasPozostaly(*postep.pozostalo(t)));
  return opis;
}

}  // namespace konw
