// The program's start-up on the demo installation, found the way a real one is: through the Wine
// prefix's WIN.INI and its C: drive.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "app/konwersja.h"
#include "app/scripted_operator.h"
#include "control/konwersja_dm.h"
#include "db/drivers.h"
#include "support/scratch_dir.h"
#include "tools/demo/demo.h"

namespace {

class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~EnvGuard() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

class StartUpOnDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db::registerBuiltinDrivers();
    dir_ = new test::TempDir;
    konw::demo::Options options;
    options.dir = dir_->path / "demo";
    options.rows = 300;
    konw::demo::createDemo(options);
    std::filesystem::create_directories(dir_->path / "bin");  // the error log lies beside the program
  }
  static void TearDownTestSuite() {
    if (::testing::UnitTest::GetInstance()->failed_test_count() > 0) {
      std::ifstream log(dir_->path / "bin" / "konwersja.log");
      std::cerr << "error log:\n" << log.rdbuf();
    }
    delete dir_;
    dir_ = nullptr;
  }

  std::unique_ptr<konw::TfrmConvert> start(std::vector<std::string> args) {
    auto frm = std::make_unique<konw::TfrmConvert>(ui, std::move(args), (dir_->path / "bin" / "konwersja").string());
    frm->identyfikatorStanowiska = [] { return std::string("020000000001"); };
    return frm;
  }

  static test::TempDir* dir_;
  EnvGuard prefix{"WINEPREFIX", (dir_->path / "demo" / "wine").c_str()};
  EnvGuard winini{"KONWERSJA_WININI", nullptr};
  EnvGuard drive{"KONWERSJA_DRIVE_C", nullptr};
  konw::ScriptedOperator ui;
};

test::TempDir* StartUpOnDemo::dir_ = nullptr;

TEST_F(StartUpOnDemo, JstEditionShowsTheCommuneAndAcceptsTheVersion) {
  auto frm = start({});
  ASSERT_TRUE(frm->FormCreate());
  for (const auto& box : ui.boxes()) ADD_FAILURE() << "unexpected message: " << box.text;
  EXPECT_TRUE(ui.checked("JST"));
  EXPECT_EQ(ui.caption("lblSciezkaParadoxa"), "C:\\Kalmiro\\DANE\\");
  EXPECT_EQ(ui.caption("lblSciezkaInterbase"), "C:\\Kalmiro\\BAZA\\KALMIRO.FDB");
  EXPECT_GE(ui.caption("lblWersjaPdx"), std::string("3.65"));
  EXPECT_TRUE(ui.visible("txtWoj") && ui.visible("txtPow") && ui.visible("txtGm"));
  EXPECT_FALSE(ui.caption("txtGm").empty());
  EXPECT_FALSE(ui.caption("txtWk").empty());
  EXPECT_FALSE(frm->SprawdzWersjeDanych(frm->SciezkaParadoxa, frm->SciezkaInterbase, false));
  EXPECT_TRUE(frm->dm()->DBi.connected());
  EXPECT_GE(frm->dm()->tblLista.recordCount(), 25);
  EXPECT_TRUE(frm->dm()->tblIdxPomijane.active());
}

TEST_F(StartUpOnDemo, JbEditionFromTheCommandLine) {
  auto frm = start({"JB", "ADVANCED"});
  ASSERT_TRUE(frm->FormCreate());
  for (const auto& box : ui.boxes()) ADD_FAILURE() << "unexpected message: " << box.text;
  EXPECT_TRUE(ui.checked("JB"));
  EXPECT_EQ(ui.caption("lblSciezkaParadoxa"), "C:\\Kalmiro\\DANEJB\\");
  EXPECT_GE(ui.caption("lblWersjaPdx"), std::string("3.65"));
  EXPECT_TRUE(ui.tabVisible("TabOpcje"));
  EXPECT_TRUE(frm->dm()->DBi.connected());
}

}  // namespace
