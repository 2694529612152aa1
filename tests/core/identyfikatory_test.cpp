// Names from the control tables before they reach SQL: what passes, and the line that refuses a row.
#include "control/identyfikatory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace {

TEST(Identyfikatory, PlainFirebirdAndParadoxNames) {
  struct Przypadek {
    const char* nazwa;
    bool firebird, paradox;
  };
  const std::vector<Przypadek> przypadki = {
      {"GEN_PLANDOCH_ID", true, true},
      {"plandoch", true, true},
      {"A$1", true, true},
      {"USER", false, true},  // reserved in Firebird only
      {"Date", false, true},
      {"USER_", true, true},
      {"GEN_PLANDOCH_ID to 1 --", false, false},
      {"PLANY; DROP TABLE X", false, false},
      {"\"PLANY\"", false, false},
      {"1ABC", false, false},
      {"_A", false, false},
      {"ZAŻÓŁĆ", false, false},
      {"..\\..\\WINDOWS", false, false},
      {"A234567890123456789012345678901", true, true},
      {"A2345678901234567890123456789012", false, false},
      {"", false, false},
  };
  for (const Przypadek& p : przypadki) {
    EXPECT_EQ(konw::isPlainIdentifier(p.nazwa), p.firebird) << p.nazwa;
    EXPECT_EQ(konw::isPlainIdentifier(p.nazwa, false), p.paradox) << p.nazwa;
  }
}

TEST(Identyfikatory, ARowWithAnInjectedNameIsRefusedByItsFirstBadName) {
  const std::string wiersz = "wiersz 3 (IDTF 3)";
  auto nazwy = [](const char* generator, const char* tabelaIb = "PLANDOCH", const char* autoinc = "ID") {
    return konw::NazwyWiersza{{"TABELA", "PLANDOCH"},
                              {"AUTOINC_PDX", autoinc},
                              {"TABELA_IB", tabelaIb},
                              {"TRIGGER_IB", "TRG_PLANDOCH_BI"},
                              {"GENERATOR_IB", generator}};
  };
  EXPECT_EQ(konw::BlednyIdentyfikator(nazwy("GEN_PLANDOCH_ID"), wiersz), "");
  EXPECT_EQ(konw::BlednyIdentyfikator(nazwy(""), wiersz), "") << "an empty name is the copy's to handle";
  EXPECT_EQ(konw::BlednyIdentyfikator(nazwy("GEN_PLANDOCH_ID to 1 --"), wiersz),
            "*** ListaTabel, wiersz 3 (IDTF 3): GENERATOR_IB = \"GEN_PLANDOCH_ID to 1 --\" nie jest "
            "prawidłowym identyfikatorem - tabela nie zostanie skopiowana ***");
  EXPECT_EQ(
      konw::BlednyIdentyfikator(nazwy("GEN", "USER"), wiersz),
      "*** ListaTabel, wiersz 3 (IDTF 3): TABELA_IB = \"USER\" jest słowem zastrzeżonym SQL - tabela nie "
      "zostanie skopiowana ***");
  EXPECT_NE(konw::BlednyIdentyfikator(nazwy("GEN", "PLANDOCH", "ID) from x; --"), wiersz), "");
}

}  // namespace
