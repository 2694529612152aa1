#include <gtest/gtest.h>

#include "fixtures.h"
#include "program_fixture.h"

namespace {

using namespace test;

const char* kJednostka = "Błąd w trakcie dostępu do informacji o jednostce budżetowej.";

// A Paradox data directory with Params.DB and Conf; the Firebird side is left empty, so only the
// Paradox half of applying the locations is exercised here.
class UnitAndVersion : public Program {
 protected:
  void SetUp() override {
    Program::SetUp();
    if (HasFatalFailure()) return;
    fs::create_directories(dane / "BUFOR" / "JO");
    auto& dm = *frm.dm();
    for (db::Database* d : {&dm.DBp, &dm.DBpb, &dm.DBpbjo}) {
      d->clearParams();
      d->addParam("PATH=");
      d->addParam("DEFAULT DRIVER=PARADOX");
      d->addParam("ENABLE BCD=FALSE");
    }
    dm.session.addPassword("wrzo");
    frm.SciezkaParadoxa = dane.string() + "/";
  }

  // Applies the Paradox locations the way UstawSciezkiDoBaz does before it turns to Firebird.
  bool zastosuj() {
    auto& dm = *frm.dm();
    dm.DBp.disconnect();
    dm.DBp.setParam(0, "PATH=" + frm.SciezkaParadoxa);
    dm.DBp.connect();
    return frm.UstawInformacjeOJednostce();
  }

  fs::path dane = root.path / "DANE";
};

TEST_F(UnitAndVersion, KindOfUnitDecidesTheLinesShown) {
  struct Case {
    std::string typ;
    bool woj, pow, gm, zw;
  };
  for (const Case& c : {Case{"G", true, true, true, false}, Case{"M", true, true, false, false},
                        Case{"P", true, true, false, false}, Case{"W", true, false, false, false},
                        Case{"Z", false, false, false, true}, Case{"g", false, false, false, false},
                        Case{"", false, false, false, false}}) {
    SCOPED_TRACE("TYPJST=" + c.typ);
    writeParams(dane, c.typ);
    ASSERT_TRUE(zastosuj());
    EXPECT_EQ(ui.visible("lblWoj") && ui.visible("txtWoj") && ui.visible("txtWk"), c.woj);
    EXPECT_EQ(ui.visible("lblPow") || ui.visible("txtPow") || ui.visible("txtPk"), c.pow);
    EXPECT_EQ(ui.visible("lblGm") || ui.visible("txtGm") || ui.visible("txtTypgminy") ||
                  ui.visible("txtGk") || ui.visible("txtGt"),
              c.gm);
    EXPECT_EQ(ui.visible("lblZwiazek") && ui.visible("txtZwiazek"), c.zw);
    EXPECT_TRUE(ui.visible("Label19"));
    EXPECT_EQ(ui.caption("txtWoj"), "dolnośląskie");
    EXPECT_EQ(ui.caption("txtGm"), "Sobótka");
    EXPECT_EQ(ui.caption("txtWk") + ui.caption("txtPk") + ui.caption("txtGk") + ui.caption("txtGt"),
              "0223012");
    EXPECT_TRUE(ui.boxes().empty());
  }
}

TEST_F(UnitAndVersion, UnitTableLackingADeclaredFieldIsAnAccessError) {
  writeParams(dane, "G", /*dropGmina=*/true);
  EXPECT_FALSE(zastosuj());
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_TRUE(ui.boxes()[0].text.starts_with(kJednostka)) << ui.boxes()[0].text;
  EXPECT_NE(ui.memo("mKomunikaty").size(), 0u) << "the error block reaches the general page";
}

TEST_F(UnitAndVersion, MissingUnitTableIsAnAccessError) {
  EXPECT_FALSE(zastosuj());
  ASSERT_FALSE(ui.boxes().empty());
  EXPECT_TRUE(ui.boxes()[0].text.starts_with(kJednostka)) << ui.boxes()[0].text;
}

TEST_F(UnitAndVersion, VersionIsReadFromTheWerPlRowOnly) {
  writeParams(dane, "G");
  ASSERT_TRUE(zastosuj());
  writeConf(dane, std::string("3.650"));
  EXPECT_EQ(frm.OdczytajWersjeDanych(), "3.650");
  // The first row's text ("pierwszy") is no version: without a WerPl row there is none.
  writeConf(dane, std::nullopt);
  EXPECT_EQ(frm.OdczytajWersjeDanych(), std::nullopt);
}

TEST_F(UnitAndVersion, CheckWithoutParadoxLocationSaysNothing) {
  EXPECT_TRUE(frm.SprawdzWersjeDanych("", "x", false));
  EXPECT_TRUE(ui.boxes().empty());
  // An empty Firebird location fails at once; outside start-up the access error is shown.
  EXPECT_TRUE(frm.SprawdzWersjeDanych(frm.SciezkaParadoxa, "", false));
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_NE(ui.boxes()[0].text.find("Błąd dostępu do danych"), std::string::npos);
}

}  // namespace
