// Text compared ignoring case pairs every Polish capital with its own small letter, and with no other:
// in a search (locate) and in the Paradox driver's ordering.
#include <gtest/gtest.h>

#include <string>

#include "db/engine.h"
#include "db/paradox/values.h"

namespace {

TEST(CaseFolding, EveryPolishLetterPairsWithItsOwnCapitalOnly) {
  const std::string duze[] = {"Ą", "Ć", "Ę", "Ł", "Ń", "Ó", "Ś", "Ź", "Ż"};
  const std::string male[] = {"ą", "ć", "ę", "ł", "ń", "ó", "ś", "ź", "ż"};
  for (std::size_t i = 0; i < std::size(duze); ++i) {
    SCOPED_TRACE(male[i]);
    EXPECT_EQ(db::foldCase(male[i]), duze[i]);
    EXPECT_EQ(db::foldCase(duze[i]), duze[i]);
    for (std::size_t j = 0; j < std::size(duze); ++j) {
      const bool para = i == j;
      EXPECT_EQ(db::valuesEqual(std::string("x") + male[i], std::string("X") + duze[j], true), para)
          << duze[j];
      EXPECT_EQ(db::paradox::compareValues(male[i], duze[j], true) == 0, para) << duze[j];
      // Neighbouring code points (ł and Ł are next to ń and Ń) are letters of their own.
      EXPECT_EQ(db::paradox::compareValues(male[i], male[j], true) == 0, para) << male[j];
    }
    // Case matters when asked to.
    EXPECT_FALSE(db::valuesEqual(male[i], duze[i], false));
    EXPECT_NE(db::paradox::compareValues(male[i], duze[i], false), 0);
  }
}

}  // namespace
