// konwersja-cli convert on one demo: the selected tables named on the command line, the usage errors
// that refuse them, and a second conversion refused while another holds the installation.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/blokada_przebiegu.h"
#include "demo/demo_fixture.h"

namespace {

namespace fs = std::filesystem;

struct Wynik {
  int kod;
  std::string wyjscie, bledy;
};

std::string czytaj(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

Wynik konwertuj(const demotest::DemoInstallation& demo, const std::string& args) {
  const test::TempDir tmp;
  const std::string polecenie = std::string(KONWERSJA_CLI) + " convert " + demo.root().string() +
                                " --edition JST --yes --quiet " + args + " >" + (tmp.path / "out").string() +
                                " 2>" + (tmp.path / "err").string();
  const int status = std::system(polecenie.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, czytaj(tmp.path / "out"), czytaj(tmp.path / "err")};
}

class JednaKonwersja : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { demo_ = new demotest::DemoInstallation(300); }
  static void TearDownTestSuite() {
    delete demo_;
    demo_ = nullptr;
  }
  static demotest::DemoInstallation* demo_;
};
demotest::DemoInstallation* JednaKonwersja::demo_ = nullptr;

TEST_F(JednaKonwersja, SelectedTablesAreNamedOrTheRunIsAUsageError) {
  struct Przypadek {
    std::string args, wBledach;
  };
  for (const Przypadek& p :
       {Przypadek{"--kind 4", "--kind 4"}, Przypadek{"--kind 0 --tables KONTA", "--tables"},
        Przypadek{"--tables KONTA", "--tables"},
        Przypadek{"--kind 4 --tables KONTA,NIEMA,zadna", "NIEMA, zadna"}}) {
    const Wynik w = konwertuj(*demo_, p.args);
    EXPECT_EQ(w.kod, 2) << p.args;
    EXPECT_NE(w.bledy.find(p.wBledach), std::string::npos) << p.args << ": " << w.bledy;
    EXPECT_EQ(w.wyjscie.find("POTWIERDZENIE"), std::string::npos) << p.args << ": nothing may start";
  }

  // By the Paradox or the Firebird name, in any case: exactly those tables, as the grid ticks them.
  const test::TempDir tmp;
  const std::string json = (tmp.path / "run.json").string();
  const Wynik w = konwertuj(*demo_, "--kind 4 --tables konta,PARAGRAFY --json " + json);
  ASSERT_EQ(w.kod, 0) << w.wyjscie << w.bledy;
  std::vector<std::string> tabele;
  const auto podsumowanie = nlohmann::json::parse(czytaj(json));
  for (const auto& t : podsumowanie["tables"]) {
    tabele.push_back(t["paradox"]);
    EXPECT_EQ(t["outcome"], "copied") << t.dump();
  }
  EXPECT_EQ(tabele, (std::vector<std::string>{"KONTA", "PARAGRAF"}));
  EXPECT_FALSE(fs::exists(json + ".tmp"));
}

TEST_F(JednaKonwersja, ASecondConversionOfTheInstallationIsRefusedAtOnce) {
  const fs::path kontrolny = demo_->root() / "drive_c" / "Kalmiro" / "KONWERSJA";
  konw::BlokadaPrzebiegu pierwsza;
  ASSERT_FALSE(pierwsza.Zajmij(kontrolny, "program test"));
  // A second lock of the same installation, in this process too, is refused and says by whom.
  konw::BlokadaPrzebiegu druga;
  const auto odmowa = druga.Zajmij(kontrolny, "program drugi");
  ASSERT_TRUE(odmowa);
  EXPECT_NE(odmowa->find("program test"), std::string::npos) << *odmowa;

  const auto przed = czytaj(kontrolny / "ListaTabel.db");
  const Wynik w = konwertuj(*demo_, "");
  EXPECT_EQ(w.kod, 1);
  EXPECT_NE(w.wyjscie.find("Trwa już inna konwersja danych tej instalacji"), std::string::npos) << w.wyjscie;
  EXPECT_NE(w.wyjscie.find((kontrolny / konw::BlokadaPrzebiegu::kNazwaPliku).string()), std::string::npos);
  EXPECT_EQ(w.wyjscie.find("POTWIERDZENIE"), std::string::npos);
  EXPECT_EQ(czytaj(kontrolny / "ListaTabel.db"), przed) << "the first run's control tables are untouched";

  pierwsza.Zwolnij();
  EXPECT_EQ(konwertuj(*demo_, "--kind 2").kod, 0);
}

}  // namespace
