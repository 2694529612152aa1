// The window on an operator's desktop: its toolkit sets the C library's locale from LANG=pl_PL.UTF-8, whose
// decimal mark is a comma. It converts numbers exactly as konwersja-cli, which keeps the C locale.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "demo/demo_fixture.h"
#include "support/polish_locale.h"

namespace konw {
namespace {

namespace fs = std::filesystem;

class OknoNaTak : public OknoKonwersji {
 public:
  Button messageBox(MsgKind, const std::string& caption, const std::string&, unsigned,
                    Button domyslny) override {
    return caption == "POTWIERDZENIE" ? kYes : domyslny;
  }
};

// The four log files of a run in the demo's data directory, in category order, with what differs from
// run to run put aside: dates, times, durations, the demo's own directory.
std::vector<std::string> logiPrzebiegu(const demotest::DemoInstallation& demo) {
  const fs::path dane = demo.root() / "drive_c/Kalmiro/DANE";
  const std::regex zmienne(R"(\d{4}-\d{2}-\d{2}|\d{1,2}:\d{2}:\d{2}|\d{14}|\d+[.,]\d+ s\b|\d+ ms\b)");
  std::vector<std::string> out;
  for (const char* baza : {"Konwersja_", "KonwersjaInf_", "KonwersjaBl_", "KonwersjaBlKr_"}) {
    std::vector<fs::path> pliki;
    for (const auto& e : fs::directory_iterator(dane))
      if (e.path().filename().string().starts_with(baza)) pliki.push_back(e.path());
    EXPECT_EQ(pliki.size(), 1u) << baza;
    if (pliki.empty()) continue;
    std::ifstream in(pliki[0], std::ios::binary);
    std::string tekst((std::istreambuf_iterator<char>(in)), {});
    for (std::size_t p; (p = tekst.find(demo.root().string())) != std::string::npos;)
      tekst.replace(p, demo.root().string().size(), "#");
    out.push_back(std::regex_replace(tekst, zmienne, "#"));
  }
  return out;
}

// A forecast (a BCD field, two decimals) into a DOUBLE PRECISION column.
void prognozaWDouble(const demotest::DemoInstallation& demo) {
  demotest::BazaDemo baza(demo.root(), "KALMIRO.FDB");
  baza.sql("alter table WIELOLETNIA drop PROGNOZA");
  baza.sql("alter table WIELOLETNIA add PROGNOZA double precision");
}

// Two demos alike: the window converts one, konwersja-cli the other.
TEST(LokalOkna, UnderAPolishLocaleTheWindowConvertsNumbersAsTheCliDoes) {
  const demotest::DemoInstallation demo(300), drugie(300);
  prognozaWDouble(demo);
  prognozaWDouble(drugie);
  const test::TempDir tmp;
  const std::string prognozy = "select ROK, POZYCJA, PROGNOZA from WIELOLETNIA order by ROK, POZYCJA";
  {
    const demotest::FoundThroughWine env(demo);
    const test::PolishLocale lokal;
    ASSERT_TRUE(lokal.commaDecimal()) << "no pl_PL.UTF-8 locale: tools/install-deps makes it";
    OknoNaTak okno;
    auto logika = demo.window(okno, {"JST"});
    okno.ustawLogike(logika.get());
    ASSERT_TRUE(logika->FormCreate());
    logika->Konwertuj();
  }
  const std::string polecenie = std::string(KONWERSJA_CLI) + " convert " + drugie.root().string() +
                                " --edition JST --yes --quiet >/dev/null 2>&1";
  const int status = std::system(polecenie.c_str());
  ASSERT_TRUE(WIFEXITED(status));

  const auto zOkna = demotest::BazaDemo(demo.root(), "KALMIRO.FDB").wiersze(prognozy);
  const auto bezOkna = demotest::BazaDemo(drugie.root(), "KALMIRO.FDB").wiersze(prognozy);
  ASSERT_GT(std::ranges::count_if(bezOkna, [](const std::string& w) { return w.find('.') != w.npos; }), 10)
      << "forecasts with decimals";
  EXPECT_EQ(zOkna, bezOkna);
  EXPECT_EQ(logiPrzebiegu(demo), logiPrzebiegu(drugie));
}

}  // namespace
}  // namespace konw
