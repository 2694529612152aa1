#include "config/profile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/scratch_dir.h"

namespace konw {
namespace {

class Profile : public ::testing::Test {
 protected:
  Profile() {
    std::ofstream(dir.path / "t.ini")
        << "[s]\nyes=yes\nTrue=True\none=1\nzero1=01\non=on\ntwelve=12\nabc=abc\n"
           "neg=-7\nspaced=1 2\n";
    ini.FileName = (dir.path / "t.ini").string();
    ini.Section = "S";
  }
  bool state(const char* key) {
    ini.Entry = key;
    return ini.State();
  }
  int value(const char* key) {
    ini.Entry = key;
    return ini.Value();
  }
  test::TempDir dir;
  TProfile ini;
};

TEST_F(Profile, StateAndValueReadTheText) {
  EXPECT_TRUE(state("yes"));
  EXPECT_TRUE(state("true"));
  EXPECT_TRUE(state("one"));
  EXPECT_FALSE(state("zero1"));
  EXPECT_FALSE(state("on"));
  EXPECT_FALSE(state("missing"));
  EXPECT_EQ(value("twelve"), 12);
  EXPECT_EQ(value("yes"), 1);
  EXPECT_EQ(value("abc"), 0);
  EXPECT_EQ(value("neg"), -7);
  EXPECT_EQ(value("spaced"), 0);
}

TEST_F(Profile, AnEmptyNameReadsNothing) {
  ini.Entry = "twelve";
  EXPECT_EQ(ini.Text(), "12");
  EXPECT_EQ(ini.last(), "12");
  ini.DefaultText = "dflt";
  ini.Entry = "";
  EXPECT_EQ(ini.Text(), "");
  EXPECT_EQ(ini.last(), "");
  ini.Entry = "missing";
  EXPECT_EQ(ini.Text(), "dflt");
  ini.Section = "";
  EXPECT_EQ(ini.Text(), "");
  ini.Section = "s";
  ini.FileName = "";
  EXPECT_EQ(ini.Text(), "");
}

}  // namespace
}  // namespace konw
