// The structure report saved from the window is the one `konwersja-cli compare` writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QPushButton>
#include <fstream>
#include <sstream>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "demo/demo_fixture.h"

namespace konw {
namespace {

// The window with its save question answered by a file name.
class OknoZapisujace : public OknoKonwersji {
 public:
  std::string plik;
  std::string saveFileName(const std::string&, const std::string&, const std::string&) override {
    return plik;
  }
};

std::string bajty(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The report without its date line (the second), which tells when it was made.
std::string bezDaty(std::string raport) {
  const std::size_t a = raport.find("\r\n") + 2;
  return raport.erase(a, raport.find("\r\n", a) + 2 - a);
}

TEST(RaportOkna, SavedFromTheWindowAsTheHeadlessCompareWritesIt) {
  demotest::DemoInstallation demo(60);
  demotest::FoundThroughWine env(demo);
  const test::TempDir tmp;
  for (const bool zKonfiguracja : {true, false}) {
    const auto zOknaPlik = tmp.path / "okno.txt";
    {
      OknoZapisujace okno;
      auto logika = demo.window(okno, {"JST", "ADVANCED"});
      okno.ustawLogike(logika.get());
      ASSERT_TRUE(logika->FormCreate());
      okno.findChild<QPushButton*>(zKonfiguracja ? "btnErrAllowPorow" : "btnPorownaj")->click();
      okno.plik = zOknaPlik.string();
      okno.findChild<QPushButton*>("btnZapiszPorownanie")->click();
    }  // the embedded engine lets one process at a time open a database
    const auto cli = tmp.path / "cli.txt";
    const std::string polecenie = std::string(KONWERSJA_CLI) + " compare " + demo.root().string() +
                                  " --edition JST --out " + cli.string() +
                                  (zKonfiguracja ? " --with-control" : "") + " >/dev/null 2>&1";
    const int status = std::system(polecenie.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 4);  // the demo's deliberate critical difference
    const std::string zOkna = bajty(zOknaPlik);
    ASSERT_GT(zOkna.size(), 500u);
    EXPECT_EQ(bezDaty(zOkna), bezDaty(bajty(cli))) << zKonfiguracja;
  }
}

}  // namespace
}  // namespace konw
