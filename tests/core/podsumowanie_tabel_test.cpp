// The run's tables as the results list them, and each one's lines of the four log pages.
#include "app/podsumowanie_tabel.h"

#include "core/log_support.h"

namespace konw {
namespace {

using S = WynikTabeli::Stan;

WynikTabeli tabela(const std::string& nazwa, S stan) {
  WynikTabeli t;
  t.paradox = t.firebird = nazwa;
  t.stan = stan;
  t.odczytane = t.zapisane = 10;
  t.zweryfikowana = stan == S::Skopiowana;
  return t;
}

TEST(PodsumowanieTabel, ProblemTablesComeFirstInTheWalksOrderEachMarkedWithWhatWentWrong) {
  struct Przypadek {
    WynikTabeli t;
    const char* wynik;
    bool problem;
  };
  auto zmieniona = tabela("ZMIENIONA", S::Skopiowana);
  zmieniona.zmienionaPoKopii = true;
  zmieniona.zweryfikowana = false;
  auto wartosci = tabela("WARTOSCI", S::Skopiowana);
  wartosci.roznicWartosci = 3;
  auto struktura = tabela("STRUKTURA", S::Skopiowana);
  struktura.roznice = {"brak pola X"};
  auto bezNazwy = tabela("", S::Pominieta);
  bezNazwy.firebird = "BEZ_PDX";
  auto uszkodzona = tabela("USZKODZONA", S::Uszkodzona);
  uszkodzona.zapisane = uszkodzona.odczytane = 7;
  uszkodzona.oczekiwane = 9;
  auto czesciowa = tabela("CZESC", S::Blad);
  czesciowa.zapisane = 4;
  const Przypadek przypadki[] = {
      {tabela("DOBRA", S::Skopiowana), "skopiowana", false},
      {czesciowa, "błąd", true},
      {tabela("BRAK", S::NieZnaleziona), "nie znaleziona", true},
      {tabela("PRZERWANA", S::Przerwana), "przerwana", true},
      {uszkodzona, "uszkodzona", true},
      {tabela("ODRZUCONA", S::Odrzucona), "odrzucona", true},
      {bezNazwy, "brak nazwy tabeli", true},
      {zmieniona, "skopiowana, zmieniona po skopiowaniu", true},
      {wartosci, "skopiowana, niezgodne wartości: 3", true},
      {struktura, "skopiowana, różnice struktury: 1", true},
      {tabela("NIETKNIETA", S::Pominieta), "pominięta", false},
      {tabela("Dobra2", S::Skopiowana), "skopiowana", false},
  };
  std::vector<WynikTabeli> tabele;
  for (const auto& p : przypadki) tabele.push_back(p.t);
  const auto wiersze = PodsumowanieTabel(tabele, {});
  ASSERT_EQ(wiersze.size(), tabele.size());
  std::vector<std::string> oczekiwane, kolejnosc;
  for (bool problem : {true, false})
    for (const auto& p : przypadki)
      if (p.problem == problem) oczekiwane.push_back(p.wynik);
  for (const auto& w : wiersze) {
    kolejnosc.push_back(w.wynik);
    const auto& p = *std::find_if(std::begin(przypadki), std::end(przypadki),
                                  [&](const Przypadek& c) { return w.wynik == c.wynik; });
    EXPECT_EQ(w.problem, p.problem) << w.wynik;
  }
  EXPECT_EQ(kolejnosc, oczekiwane);

  auto wiersz = [&](const std::string& nazwa) {
    return *std::find_if(wiersze.begin(), wiersze.end(), [&](const auto& w) { return w.tabela == nazwa; });
  };
  EXPECT_EQ(wiersz("CZESC").wiersze, "4 z 10");
  EXPECT_EQ(wiersz("USZKODZONA").wiersze, "7 (nagłówek: 9)");
  EXPECT_EQ(wiersz("BRAK").wiersze, "");
  EXPECT_EQ(wiersz("BEZ_PDX").wiersze, "");
  EXPECT_EQ(wiersz("DOBRA").zweryfikowana, "tak");
  EXPECT_EQ(wiersz("ZMIENIONA").zweryfikowana, "nie");
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
