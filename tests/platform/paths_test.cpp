#include "platform/paths.h"

#include <gtest/gtest.h>

#include "platform/cp1250.h"
#include "support/env_guard.h"
#include "support/scratch_dir.h"

namespace konw {
namespace {

TEST(Paths, UsunRozszerzenieCutsAtTheLastDotAnywhere) {
  EXPECT_EQ(UsunRozszerzenie("C:\\App\\konw.exe"), "C:\\App\\konw");
  EXPECT_EQ(UsunRozszerzenie("a..exe"), "a");
  EXPECT_EQ(UsunRozszerzenie("C:\\App\\konw"), "C:\\App\\konw");
  EXPECT_EQ(UsunRozszerzenie("C:\\App.old\\konw"), "C:\\App");
  EXPECT_EQ(UsunRozszerzenie("..."), "");
  EXPECT_EQ(UsunRozszerzenie(""), "");
}

TEST(Paths, ErrorLogBesideTheProgramOrInTheStateDirectoryWhenThatCannotBeWritten) {
  const test::TempDir tmp;
  const test::EnvGuard state("XDG_STATE_HOME", (tmp.path / "state").c_str());
  const std::string bin = (tmp.path / "x.y").string();
  std::filesystem::create_directories(bin);
  EXPECT_EQ(SciezkaDziennikaBledow(bin + "/konwersja"), bin + "/konwersja.log");
  EXPECT_EQ(SciezkaDziennikaBledow(bin + "/konwersja.exe"), bin + "/konwersja.log");
  // A directory that cannot be written (here: one that is not there, as for root every existing one can).
  EXPECT_EQ(SciezkaDziennikaBledow("/nonexistent-bin/konwersja"),
            (tmp.path / "state/konwersja/konwersja.log").string());
  EXPECT_TRUE(std::filesystem::is_directory(tmp.path / "state/konwersja"));
}

TEST(Paths, TrailingBackslashes) {
  EXPECT_EQ(UsunKoncowyUkosnik("D:\\DANE\\"), "D:\\DANE");
  EXPECT_EQ(UsunKoncowyUkosnik("D:\\DANE\\\\"), "D:\\DANE\\");
  EXPECT_EQ(UsunKoncowyUkosnik("D:\\DANE"), "D:\\DANE");
  EXPECT_EQ(UsunKoncowyUkosnik(""), "");
  EXPECT_EQ(DodajKoncowyUkosnik("D:\\PROG"), "D:\\PROG\\");
  EXPECT_EQ(DodajKoncowyUkosnik("D:\\PROG\\"), "D:\\PROG\\");
  EXPECT_EQ(DodajKoncowyUkosnik(""), "\\");
}

TEST(Cp1250, PolishLettersRoundTrip) {
  const std::string utf8 = "Zażółć gęślą jaźń ŁĄŚŻŹĆŃÓĘ €„”–";
  const std::string bytes = utf8ToCp1250(utf8);
  EXPECT_EQ(bytes,
            "Za\xBF\xF3\xB3\xE6 g\xEA\x9C\x6C\xB9 ja\x9F\xF1 \xA3\xA5\x8C\xAF\x8F\xC6\xD1\xD3\xCA "
            "\x80\x84\x94\x96");
  EXPECT_EQ(cp1250ToUtf8(bytes), utf8);
}

TEST(Cp1250, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8ToCp1250(cp1250ToUtf8(all)), all);
  EXPECT_TRUE(isValidUtf8(cp1250ToUtf8(all)));
}

TEST(Cp1250, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(utf8ToCp1250("a\xE6\x97\xA5"
                         "b"),
            "a?b");                           // a CJK character
  EXPECT_EQ(utf8ToCp1250("a\xC5"), "a?");     // truncated sequence
  EXPECT_EQ(utf8ToCp1250("\xC0\x80"), "??");  // overlong NUL
  EXPECT_FALSE(isValidUtf8("\xB3\xF3"));      // "łó" in 1250
  EXPECT_EQ(toUtf8Guess("\xB3\xF3"), "łó");
  EXPECT_EQ(toUtf8Guess("łó"), "łó");
}

}  // namespace
}  // namespace konw
