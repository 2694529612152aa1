#include "platform/ini.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/cp1250.h"
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

// UTF-16 bytes of text with a byte order mark, as Notepad saves "Unicode" (little-endian) and
// "Unicode big endian".
std::string utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : text) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

TEST_F(ProfileFiles, EveryEncodingWindowsSavesIsRead) {
  const std::u16string tekst =
      u"[VELMARO]\r\nKalmiro=C:\\Urząd Gminy\\Kalmiro.ini\r\n[Stanowisko Łódź]\r\nPathData=D:\\Dane "
      u"Łódź\\\r\n";
  const std::string utf8 =
      "[VELMARO]\r\nKalmiro=C:\\Urząd Gminy\\Kalmiro.ini\r\n[Stanowisko Łódź]\r\nPathData=D:\\Dane "
      "Łódź\\\r\n";
  const std::vector<std::pair<const char*, std::string>> pliki = {
      {"UTF-8", utf8},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8},
      {"Windows-1250", utf8ToCp1250(utf8)},
      {"UTF-16 LE", utf16(tekst, false)},
      {"UTF-16 BE", utf16(tekst, true)},
  };
  for (const auto& [opis, bajty] : pliki) {
    std::ofstream(dir.path / "k.ini", std::ios::binary | std::ios::trunc) << bajty;
    setenv("KONWERSJA_WININI", (dir.path / "k.ini").c_str(), 1);
    EXPECT_EQ(readProfileString("VELMARO", "Kalmiro", "", "WIN.INI"), "C:\\Urząd Gminy\\Kalmiro.ini") << opis;
    // A section name's Polish letters match in either case, as Windows matches them.
    EXPECT_EQ(readProfileString("STANOWISKO ŁÓDŹ", "pathdata", "", (dir.path / "k.ini").string()),
              "D:\\Dane Łódź\\")
        << opis;
  }
}

TEST(Utf16, PairsJoinAndBrokenUnitsAreReplaced) {
  EXPECT_EQ(utf16ToUtf8(std::string("\x3D\xD8\x00\xDE", 4), false), "\U0001F600");
  EXPECT_EQ(utf16ToUtf8(std::string("\xD8\x3D\xDE\x00", 4), true), "\U0001F600");
  EXPECT_EQ(utf16ToUtf8(std::string("\x3D\xD8"
                                    "A\0",
                                    4),
                        false),
            "\uFFFDA")
      << "a high surrogate alone";
  EXPECT_EQ(utf16ToUtf8(std::string("\x00\xDE", 2), false), "\uFFFD") << "a low surrogate alone";
  EXPECT_EQ(utf16ToUtf8(std::string("A\0B", 3), false), "A\uFFFD") << "an odd last byte";
}

}  // namespace
}  // namespace konw
