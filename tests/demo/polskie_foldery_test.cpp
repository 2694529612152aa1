// The demo moved the way town halls install the product: under "C:\Urząd Gminy\", its Paradox data in a
// folder whose Polish name the INI writes in another case, the INI files in Windows-1250 as the product's
// installer writes them. konwersja-cli converts it embedded and through the test server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/cp1250.h"
#include "support/scratch_dir.h"
#include "tools/demo/demo.h"

namespace {

namespace fs = std::filesystem;

std::string bajty(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void zamien(std::string& tekst, const std::string& co, const std::string& na) {
  for (std::size_t at = tekst.find(co); at != std::string::npos; at = tekst.find(co, at + na.size()))
    tekst.replace(at, co.size(), na);
}

// Rewrites an INI file of the demo, Windows-1250 in and out, replacing in this order.
void przepisz(const fs::path& ini, const std::vector<std::pair<std::string, std::string>>& zamiany) {
  const std::string stare = bajty(ini);
  ASSERT_FALSE(stare.empty()) << ini;
  std::string tekst = konw::cp1250ToUtf8(stare);
  for (const auto& [co, na] : zamiany) zamien(tekst, co, na);
  std::ofstream(ini, std::ios::binary | std::ios::trunc) << konw::utf8ToCp1250(tekst);
}

void konwertujPrzeniesione(const std::string& serwer) {
  const test::TempDir tmp;
  const fs::path katalog = tmp.path / "Gmina Łódź";
  fs::create_directories(katalog);
  fs::permissions(tmp.path, fs::perms::all);  // a server creates the databases as its own user
  fs::permissions(katalog, fs::perms::all);
  konw::demo::Options opcje;
  opcje.dir = katalog / "demo";
  opcje.rows = 200;
  opcje.server = serwer;
  konw::demo::createDemo(opcje);

  const fs::path c = opcje.dir / "drive_c";
  const fs::path winIni = opcje.dir / "wine" / "drive_c" / "windows" / "win.ini";
  // The demo's INI files are Windows-1250 with CR LF, as the product's installer writes them.
  EXPECT_NE(bajty(c / "Kalmiro" / "Kalmiro.ini")
                .find("; stanowisko w ksi\xEAgowo\x9C"
                      "ci (inny komputer)\r\n"),
            std::string::npos);

  fs::rename(c / "Kalmiro", c / "Urząd Gminy");
  fs::rename(c / "Urząd Gminy" / "DANE", c / "Urząd Gminy" / "DANE ŁÓDŹ");
  przepisz(winIni, {{"C:\\Kalmiro\\", "C:\\Urząd Gminy\\"}});
  przepisz(c / "Urząd Gminy" / "Kalmiro.ini", {{"C:\\Kalmiro\\DANE\\", "C:\\Urząd Gminy\\Dane Łódź\\"},
                                               {"C:\\Kalmiro\\", "C:\\Urząd Gminy\\"},
                                               {"/drive_c/Kalmiro/", "/drive_c/Urząd Gminy/"}});

  const fs::path json = tmp.path / "run.json";
  const std::string polecenie = std::string(KONWERSJA_CLI) + " convert '" + opcje.dir.string() +
                                "' --edition JST --yes --quiet --json '" + json.string() +
                                "' >/dev/null 2>&1";
  const int status = std::system(polecenie.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 4) << "the demo's deliberate critical mismatch, and nothing worse";

  const auto s = nlohmann::json::parse(bajty(json));
  EXPECT_EQ(s["locations"]["paradox"], "C:\\Urząd Gminy\\Dane Łódź\\");
  const std::string firebird = s["locations"]["firebird"];
  EXPECT_NE(firebird.find("Urząd Gminy"), std::string::npos) << firebird;
  int skopiowane = 0;
  for (const auto& t : s["tables"]) {
    // ARCHPLAN is listed without a Paradox file on purpose; every other table is copied.
    if (t["paradox"] == "ARCHPLAN") {
      EXPECT_EQ(t["outcome"], "not found");
      continue;
    }
    EXPECT_EQ(t["outcome"], "copied") << t["paradox"];
    skopiowane += t["outcome"] == "copied";
  }
  EXPECT_GT(skopiowane, 20);
}

TEST(PolskieFoldery, DemoUnderUrzadGminyConvertsEmbedded) {
  konwertujPrzeniesione("");
}

TEST(PolskieFoldery, DemoUnderUrzadGminyConvertsThroughTheServer) {
  const char* serwer = std::getenv("KONWERSJA_TEST_FB_SERVER");
  if (!serwer || !*serwer) GTEST_SKIP() << "needs a Firebird server (KONWERSJA_TEST_FB_SERVER)";
  konwertujPrzeniesione(serwer);
}

TEST(PolskieFoldery, ADemoPathWindows1250CannotHoldIsRefusedBeforeAnyDatabase) {
  // With a server the INI names the database by its host path; Cyrillic has no place in Windows-1250.
  const test::TempDir tmp;
  konw::demo::Options opcje;
  opcje.dir = tmp.path / "Гмина";
  opcje.server = "127.0.0.1";
  try {
    konw::demo::createDemo(opcje);
    ADD_FAILURE() << "written";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("cannot be written in Windows-1250"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(opcje.dir / "drive_c" / "Kalmiro" / "Kalmiro.ini"));
}

}  // namespace
