// The whole-database comparison report over the demo installation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "control/konwersja_dm.h"
#include "db/drivers.h"
#include "demo/demo_fixture.h"
#include "support/scratch_dir.h"

namespace {

// The Firebird entries of the last report in the memo: table name -> its message lines.
std::map<std::string, std::vector<std::string>> wpisy(const std::vector<std::string>& memo, std::size_t od) {
  std::map<std::string, std::vector<std::string>> out;
  for (std::size_t i = od + 7; i < memo.size() && !memo[i].empty(); ++i) {
    std::vector<std::string> linie;
    std::size_t start = 0;
    const std::string& wpis = memo[i];
    while (true) {
      const std::size_t end = wpis.find("\r\n", start);
      linie.push_back(wpis.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 2;
    }
    const std::string naglowek = linie.front();
    linie.erase(linie.begin());
    const std::string nazwa = naglowek.substr(0, naglowek.find_first_of(" :"));
    if (naglowek.ends_with(":  ok")) {
      EXPECT_TRUE(linie.empty()) << naglowek;
    }
    out[nazwa] = linie;
  }
  return out;
}

TEST(RaportDemo, ControlTablesAcceptWhatTheyRecordAndBothPartsFindTheirTables) {
  demotest::DemoInstallation demo(40);
  demotest::FoundThroughWine env(demo);
  konw::ScriptedOperator ui;
  auto okno = demo.window(ui);
  konw::TfrmConvert& frm = *okno;
  ASSERT_TRUE(frm.FormCreate());
  frm.PorownajBazy(true);
  const std::size_t drugi = ui.memo("mPorownanie").size();
  frm.PorownajBazy(false);
  const auto& memo = ui.memo("mPorownanie");
  ASSERT_EQ(memo.size(), 2 * drugi);
  EXPECT_EQ(memo[2], "  Położenie danych w formacie Firebird: C:\\Kalmiro\\BAZA\\KALMIRO.FDB");
  EXPECT_EQ(memo[4], "  Numer wersji danych w formacie Paradox: 3.67");

  const auto zKonf = wpisy(memo, 0);
  const auto bezKonf = wpisy(memo, drugi);
  std::set<std::string> zRoznicami;
  for (const auto& [t, linie] : zKonf)
    if (!linie.empty()) zRoznicami.insert(t);
  // The unaccepted differences, the tables listed without a Paradox file and the Firebird-only table.
  EXPECT_EQ(zRoznicami,
            (std::set<std::string>{"ARCHPLAN", "DOTACJE", "JEDNMIARY", "LOGZDARZEN", "PARAGRAFY",
                                   "POWIADOMIENIA", "ROZDZIALY", "WIELOLETNIA", "WYKDOCH", "ZMIANYPLANU"}));
  EXPECT_EQ(zKonf.at("LOGZDARZEN"), (std::vector<std::string>{"  błąd otwarcia tabeli paradox!"}));
  EXPECT_EQ(zKonf.at("WIELOLETNIA"),
            (std::vector<std::string>{"    inny typ pola: KWOTA (firebird: BCD, paradox: Currency)"}));
  // What the control tables accept shows without them; the buffer tables are found in their directories.
  for (const char* t :
       {"KONTA", "PLANWYD", "UWAGI", "ZADANIA", "S_BILANSPOZ", "PLANDOCH", "PARAMS", "HARMONOGRAM"}) {
    EXPECT_TRUE(zKonf.at(t).empty()) << t;
    EXPECT_FALSE(bezKonf.at(t).empty()) << t;
  }
  EXPECT_EQ(bezKonf.at("PLANWYD"), (std::vector<std::string>{"    brak pola (w paradox): GRUPA_WYD",
                                                             "    brak pola (w firebird): GRUPA",
                                                             "    brak indeksu (w firebird): ZADANIE"}));
  for (const char* t : {"BUF_JBPLAN", "BUF_PLANDOCH", "USER_"}) EXPECT_TRUE(bezKonf.at(t).empty()) << t;
  EXPECT_EQ(zKonf.size(), bezKonf.size()) << "no Firebird table of the demo is in ListaTabelSkip";

  // The Paradox part: the tables no Firebird table answers; HISTORIA is skipped in both modes.
  const std::vector<std::string> paradox = {"",
                                            "-- tabele paradox: ",
                                            "  brak w firebird tabeli: PARAGRAF",
                                            "  brak w firebird tabeli: ROZDZIAL",
                                            "  brak w firebird tabeli: TMPRAP",
                                            "  brak w firebird tabeli: WYDRUKI"};
  EXPECT_EQ(std::vector<std::string>(memo.begin() + static_cast<long>(drugi - paradox.size()),
                                     memo.begin() + static_cast<long>(drugi)),
            paradox);
  EXPECT_EQ(std::vector<std::string>(memo.end() - static_cast<long>(paradox.size()), memo.end()), paradox);
}

}  // namespace
