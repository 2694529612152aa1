#include "app/podsumowanie_tabel.h"

#include <fmt/format.h>

#include <algorithm>

#include "platform/text.h"

namespace konw {

namespace {

// The outcome's word, and whether the outcome alone makes the table a problem.
std::pair<std::string, bool> slowoStanu(const WynikTabeli& t) {
  using S = WynikTabeli::Stan;
  switch (t.stan) {
    case S::Skopiowana:
      return {"skopiowana", false};
    case S::Pominieta:
      // A row of the list without a name is refused before anything is done; any other is only not
      // taken up (a break before it).
      if (t.paradox.empty() || t.firebird.empty()) return {"brak nazwy tabeli", true};
      return {"pominięta", false};
    case S::NieZnaleziona:
      return {"nie znaleziona", true};
    case S::Blad:
      return {"błąd", true};
    case S::Przerwana:
      return {"przerwana", true};
    case S::Uszkodzona:
      return {"uszkodzona", true};
    case S::Odrzucona:
      return {"odrzucona", true};
  }
  return {"?", true};
}

// As the log heads the table: TABELA, or TABELA/TABELA_IB when they differ ignoring case.
std::string etykieta(const WynikTabeli& t) {
  if (t.paradox.empty() || t.firebird.empty()) return t.paradox.empty() ? t.firebird : t.paradox;
  return equalsIgnoreCase(t.paradox, t.firebird) ? t.paradox : t.paradox + "/" + t.firebird;
}

// Rows written, and read when fewer were written; none for a table nothing was read from.
std::string wiersze(const WynikTabeli& t) {
  if (t.stan == WynikTabeli::Stan::NieZnaleziona || t.stan == WynikTabeli::Stan::Odrzucona ||
      t.paradox.empty() || t.firebird.empty())
    return {};
  std::string s = t.odczytane == t.zapisane ? fmt::format("{}", t.zapisane)
                                            : fmt::format("{} z {}", t.zapisane, t.odczytane);
  if (t.oczekiwane >= 0) s += fmt::format(" (nagłówek: {})", t.oczekiwane);
  return s;
}

}  // namespace

std::vector<TabelaPodsumowania> PodsumowanieTabel(const std::vector<WynikTabeli>& tabele,
                                                  const std::vector<SekcjaLogow>& sekcje) {
  std::vector<TabelaPodsumowania> wiersze;
  for (std::size_t i = 0; i < tabele.size(); ++i) {
    const WynikTabeli& t = tabele[i];
    TabelaPodsumowania p;
    p.tabela = etykieta(t);
    auto [slowo, problem] = slowoStanu(t);
    // What the read-back and the structure comparison found adds to the outcome.
    std::vector<std::string> uwagi;
    if (t.zmienionaPoKopii) uwagi.push_back("zmieniona po skopiowaniu");
    if (t.roznicWartosci > 0) uwagi.push_back(fmt::format("niezgodne wartości: {}", t.roznicWartosci));
    if (!t.roznice.empty()) uwagi.push_back(fmt::format("różnice struktury: {}", t.roznice.size()));
    for (const std::string& u : uwagi) slowo += ", " + u;
    p.problem = problem || !uwagi.empty();
    p.wynik = std::move(slowo);
    p.wiersze = konw::wiersze(t);
    p.zweryfikowana = t.zweryfikowana ? "tak" : "nie";
    // Seconds with the decimal comma the operator reads.
    p.sekundy = fmt::format("{:.1f}", t.sekundy);
    std::replace(p.sekundy.begin(), p.sekundy.end(), '.', ',');
    if (i < sekcje.size()) p.logi = sekcje[i];
    wiersze.push_back(std::move(p));
  }
  std::stable_partition(wiersze.begin(), wiersze.end(),
                        [](const TabelaPodsumowania& p) { return p.problem; });
  return wiersze;
}

}  // namespace konw
