#include "platform/ini.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/scratch_dir.h"

namespace konw {
namespace {

namespace fs = std::filesystem;

TEST(ProfileValue, NamesMatchIgnoringCaseAndFirstOneWins) {
  const std::string ini =
      "; comment\r\n"
      "orphan=before any section\r\n"
      "\r\n"
      "[  Velmaro ]\r\n"
      "  Kalmiro  =  C:\\KALMIRO\\Kalmiro.ini  \r\n"
      "KALMIRO=second\r\n"
      ";DIZEZ=commented out\r\n"
      "NoEquals\r\n"
      "[velmaro]\r\n"
      "DIZEZ=from the second section\r\n";
  EXPECT_EQ(profileValue(ini, "VELMARO", "kalmiro", ""), "C:\\KALMIRO\\Kalmiro.ini");
  EXPECT_EQ(profileValue(ini, "VELMARO", "DIZEZ", "dflt"), "dflt");
  EXPECT_EQ(profileValue(ini, "VELMARO", "NoEquals", "dflt"), "dflt");
  EXPECT_EQ(profileValue(ini, "Other", "orphan", ""), "");
  EXPECT_EQ(profileValue(ini, "VELMARO", "orphan", "d  "), "d");
}

TEST(ProfileValue, QuotesLineEndsAndLength) {
  const std::string longValue(300, 'x');
  const std::string ini =
      "[configJST]\n"
      "PathData=\"D:\\Dane\\\"\n"
      "Mixed='abc\"\n"
      "Inner=a \"b\" c ; not a comment\r"
      "Long=" +
      longValue +
      "\n"
      "Polish=" +
      std::string(254, 'a') +
      "żź\n"
      "Empty=\n";
  EXPECT_EQ(profileValue(ini, "configjst", "PATHDATA", ""), "D:\\Dane\\");
  EXPECT_EQ(profileValue(ini, "configJST", "Mixed", ""), "'abc\"");
  EXPECT_EQ(profileValue(ini, "configJST", "Inner", ""), "a \"b\" c ; not a comment");
  EXPECT_EQ(profileValue(ini, "configJST", "Long", ""), std::string(255, 'x'));
  EXPECT_EQ(profileValue(ini, "configJST", "Polish", ""), std::string(254, 'a') + "ż");
  EXPECT_EQ(profileValue(ini, "configJST", "Empty", "dflt"), "");
}

class ProfileFiles : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("KONWERSJA_WININI");
    unsetenv("WINEPREFIX");
  }
  test::TempDir dir;
};

TEST_F(ProfileFiles, WinIniFromTheVariableOrTheWinePrefix) {
  fs::create_directories(dir.path / "drive_c" / "Windows");
  std::ofstream(dir.path / "drive_c" / "Windows" / "WIN.INI") << "[VELMARO]\r\nKalmiro=from prefix\r\n";
  setenv("WINEPREFIX", dir.path.c_str(), 1);
  unsetenv("KONWERSJA_WININI");
  EXPECT_EQ(readProfileString("VELMARO", "Kalmiro", "", "win.ini"), "from prefix");

  std::ofstream(dir.path / "mine.ini") << "[VELMARO]\nKalmiro=from variable\n";
  setenv("KONWERSJA_WININI", (dir.path / "mine.ini").c_str(), 1);
  EXPECT_EQ(readProfileString("VELMARO", "Kalmiro", "", "WIN.INI"), "from variable");
}

TEST_F(ProfileFiles, Windows1250FileIsDecodedAndMissingFileGivesTheDefault) {
  std::ofstream(dir.path / "k.ini", std::ios::binary) << "[configKalmiro]\r\nPathData=C:\\B\xB3\xEA"
                                                         "dy\r\n";
  EXPECT_EQ(readProfileString("configKalmiro", "PathData", "", (dir.path / "k.ini").string()), "C:\\Błędy");
  EXPECT_EQ(readProfileString("configKalmiro", "PathData", "none", (dir.path / "absent.ini").string()),
            "none");
}

}  // namespace
}  // namespace konw
