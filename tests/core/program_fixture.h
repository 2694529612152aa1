// The program's logic as the tests set it up: `Program`, the data module created with the error log and
// the main directory under a temporary root; `ProgramNaBazach`, that program with both databases pointed at
// the test's files (a temporary Firebird database and a Paradox data directory).
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "firebird/fb_fixture.h"
#include "fixtures.h"

namespace test {

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerBuiltinDrivers();
    frm.przebieg.flagi().Przerwano = false;
    frm.wyjatki.ErrorLog = (root.path / "konwersja.log").string();
    ASSERT_TRUE(frm.UtworzModulDanych());
    frm.SciezkaGlowna = (root.path / "PROG").string();
  }
  void TearDown() override { frm.przebieg.flagi().Przerwano = false; }

  TempDir root;
  // A Firebird database made by ProgramNaBazach: declared before the program, so that it is dropped only
  // once the program has let its connections go.
  std::optional<fbtest::TempDatabase> baza;
  konw::ScriptedOperator ui;
  konw::TfrmConvert frm{ui, {}, (root.path / "bin" / "konwersja").string()};
};

class ProgramNaBazach : public Program {
 protected:
  void SetUp() override {
    Program::SetUp();
    if (HasFatalFailure()) return;
    frm.SciezkaParadoxa = dane.string();
    fs::create_directories(dane);
    wskazBazy(*frm.dm(), dane, fb.params());
  }

  // Runs a statement in the Firebird database.
  void sql(const std::string& text) {
    frm.dm()->DBi.connect();
    db::Query q;
    q.setDatabase(&frm.dm()->DBi);
    q.addSql(text);
    q.execSql();
  }

  fs::path dane = root.path / "DANE";
  fbtest::TempDatabase& fb = baza.emplace();
};

}  // namespace test
