// The program's logic over a temporary Firebird database and a Paradox data directory, as the copy tests
// use it: the data module created, both databases pointed at the test's files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "firebird/fb_fixture.h"
#include "fixtures.h"

namespace test {

class ProgramNaBazach : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerBuiltinDrivers();
    frm.przebieg.flagi().Przerwano = false;
    frm.wyjatki.ErrorLog = (root.path / "konwersja.log").string();
    ASSERT_TRUE(frm.UtworzModulDanych());
    frm.SciezkaGlowna = (root.path / "PROG").string();
    frm.SciezkaParadoxa = dane.string();
    fs::create_directories(dane);
    wskazBazy(*frm.dm(), dane, fb.params());
  }
  void TearDown() override { frm.przebieg.flagi().Przerwano = false; }

  // Runs a statement in the Firebird database.
  void sql(const std::string& text) {
    frm.dm()->DBi.connect();
    db::Query q;
    q.setDatabase(&frm.dm()->DBi);
    q.addSql(text);
    q.execSql();
  }

  TempDir root;
  fs::path dane = root.path / "DANE";
  fbtest::TempDatabase fb;
  konw::ScriptedOperator ui;
  konw::TfrmConvert frm{ui, {}, (root.path / "bin" / "konwersja").string()};
};

}  // namespace test
