// The program's start-up on the demo installation, found the way a real one is: through the Wine
// prefix's WIN.INI and its C: drive.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "control/konwersja_dm.h"
#include "demo/demo_fixture.h"

namespace {

class StartUpOnDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { demo_ = new demotest::DemoInstallation(300); }
  static void TearDownTestSuite() {
    if (::testing::UnitTest::GetInstance()->failed_test_count() > 0) {
      std::ifstream log(demo_->errorLog());
      std::cerr << "error log:\n" << log.rdbuf();
    }
    delete demo_;
    demo_ = nullptr;
  }

  std::unique_ptr<konw::TfrmConvert> start(std::vector<std::string> args) {
    return demo_->window(ui, std::move(args));
  }

  static demotest::DemoInstallation* demo_;
  demotest::FoundThroughWine env{*demo_};
  konw::ScriptedOperator ui;
};

demotest::DemoInstallation* StartUpOnDemo::demo_ = nullptr;

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
