// The run's tables as the results list them, and each one's lines of the four log pages.
#include "app/podsumowanie_tabel.h"

#include <functional>

#include "core/log_support.h"

namespace konw {
namespace {

using S = WynikTabeli::Stan;

WynikTabeli tabela(const std::string& nazwa, S stan, const std::function<void(WynikTabeli&)>& zmiana = {}) {
  WynikTabeli t;
  t.paradox = t.firebird = nazwa;
  t.stan = stan;
  t.odczytane = t.zapisane = 10;
  t.zweryfikowana = stan == S::Skopiowana;
  if (zmiana) zmiana(t);
  return t;
}

TEST(PodsumowanieTabel, ProblemTablesComeFirstInTheWalksOrderEachMarkedWithWhatWentWrong) {
  const struct {
    WynikTabeli t;
    const char *wynik, *wiersze;
    bool problem;
  } przypadki[] = {
      {tabela("DOBRA", S::Skopiowana), "skopiowana", "10", false},
      {tabela("CZESC", S::Blad, [](auto& t) { t.zapisane = 4; }), "błąd", "4 z 10", true},
      {tabela("BRAK", S::NieZnaleziona), "nie znaleziona", "", true},
      {tabela("PRZERWANA", S::Przerwana), "przerwana", "10", true},
      {tabela("USZK", S::Uszkodzona, [](auto& t) { t.oczekiwane = 12; }), "uszkodzona", "10 (nagłówek: 12)",
       true},
      {tabela("ODRZUCONA", S::Odrzucona), "odrzucona", "", true},
      {tabela("", S::Pominieta, [](auto& t) { t.firebird = "BEZ_PDX"; }), "brak nazwy tabeli", "", true},
      {tabela("ZMIENIONA", S::Skopiowana, [](auto& t) { t.zmienionaPoKopii = true; }),
       "skopiowana, zmieniona po skopiowaniu", "10", true},
      {tabela("WARTOSCI", S::Skopiowana, [](auto& t) { t.roznicWartosci = 3; }),
       "skopiowana, niezgodne wartości: 3", "10", true},
      {tabela("STRUKTURA", S::Skopiowana, [](auto& t) { t.roznice = {"brak pola X"}; }),
       "skopiowana, różnice struktury: 1", "10", true},
      {tabela("NIETKNIETA", S::Pominieta), "pominięta", "10", false},
      {tabela("Dobra2", S::Skopiowana), "skopiowana", "10", false},
  };
  std::vector<WynikTabeli> tabele;
  std::vector<std::string> oczekiwane, otrzymane;
  for (bool problem : {true, false})
    for (const auto& p : przypadki)
      if (p.problem == problem)
        oczekiwane.push_back(p.t.firebird + ": " + p.wynik + " / " + p.wiersze + " / " +
                             (p.t.zweryfikowana ? "tak" : "nie"));
  for (const auto& p : przypadki) tabele.push_back(p.t);
  for (const auto& w : PodsumowanieTabel(tabele, {})) {
    otrzymane.push_back(w.tabela + ": " + w.wynik + " / " + w.wiersze + " / " + w.zweryfikowana);
    EXPECT_EQ(w.problem, w.tabela != "DOBRA" && w.tabela != "Dobra2" && w.tabela != "NIETKNIETA") << w.tabela;
  }
  EXPECT_EQ(otrzymane, oczekiwane);
}

class SekcjeTabel : public test_support::LogicTest {};

// Each table's lines, written while it was current (during the walk or in the check after the last
// commit), follow it to its place in the list; lines of no table belong to none.
TEST_F(SekcjeTabel, ChoosingATableShowsItsOwnLinesOfEveryPageUnderThePagesCaption) {
  openLogs();
  TLogKonwersji& log = frm.przebieg.log();
  log.ZapiszKomunikat("nagłówek przebiegu", kWszystkie);
  log.UstawSekcje(0);
  log.ZapiszKomunikat("PIERWSZA", kOgolny);
  log.UstawSekcje(1);
  log.ZapiszKomunikat("DRUGA", kOgolny);
  log.ZapiszKomunikat("*** Tabela DRUGA: błąd ***", kOgolny | kBledyKrytyczne);
  log.UstawSekcje(std::nullopt);
  log.ZapiszKomunikat("Pominięte tabele formatu paradox:", kOgolny);
  log.UstawSekcje(0);
  log.ZapiszKomunikat("Tabela PIERWSZA: zweryfikowano 10 wierszy", kDodatkoweInfo);
  log.UstawSekcje(std::nullopt);

  const std::vector<WynikTabeli> tabele = {tabela("PIERWSZA", S::Skopiowana), tabela("DRUGA", S::Blad),
                                           tabela("TRZECIA", S::Skopiowana)};
  ui.showRunSummary(PodsumowanieTabel(tabele, log.sekcje()));
  const auto& wiersze = ui.listRows("sgPodsumowanie");
  ASSERT_EQ(wiersze.size(), 3u);
  EXPECT_EQ(wiersze[0][0], "!");
  EXPECT_EQ(wiersze[0][1], "DRUGA");
  EXPECT_EQ(ui.listMarked("sgPodsumowanie"), (std::vector<bool>{true, false, false}));
  // The first row is shown at once.
  EXPECT_EQ(ui.memoText("mSekcjaTabeli"),
            "=== Ogólny ===\r\nDRUGA\r\n*** Tabela DRUGA: błąd ***\r\n\r\n"
            "=== Błędy krytyczne ===\r\n*** Tabela DRUGA: błąd ***");
  ui.WybierzTabelePodsumowania(1);
  EXPECT_EQ(ui.memoText("mSekcjaTabeli"),
            "=== Ogólny ===\r\nPIERWSZA\r\n\r\n=== Dodatkowe informacje ===\r\n"
            "Tabela PIERWSZA: zweryfikowano 10 wierszy");
  ui.WybierzTabelePodsumowania(2);
  EXPECT_EQ(ui.memoText("mSekcjaTabeli"), "Logi nie zawierają wpisów o tej tabeli.");

  // A new run starts with no sections.
  frm.przebieg.Rozpocznij();
  EXPECT_TRUE(log.sekcje().empty());
  frm.przebieg.Zakoncz();
}

// The window's line beside the bars: the table's rows, its rate since its bar was set, the time left.
TEST_F(SekcjeTabel, TheTablesProgressBesideTheBarsCountsItsRowsRateAndTimeLeft) {
  long ms = 0;
  ui.teraz = [&] { return PostepTabeli::Zegar::time_point(std::chrono::milliseconds(ms)); };
  ui.showTable("PLANDOCH");
  EXPECT_EQ(ui.opisPostepuTabeli(), "");
  ui.setBar(Pasek::Tabela, 0, 3000);
  for (int i = 0; i < 1500; ++i) ui.stepBar(Pasek::Tabela);
  ui.stepBar(Pasek::Calosc);
  EXPECT_EQ(ui.opisPostepuTabeli(), "1500 z 3000 wierszy");  // no rate before half a second
  ms = 1500;
  EXPECT_EQ(ui.opisPostepuTabeli(), "1500 z 3000 wierszy, 1000/s\npozostało 2 s");
  ui.showTable("PLANWYD");
  EXPECT_EQ(ui.opisPostepuTabeli(), "");
}

}  // namespace
}  // namespace konw
