// Names as SQL sees them: quoted so that any name means itself, compared ignoring ASCII case only.
#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, QuotedNamesDoubleEveryQuoteAndKeepEverythingElse) {
  const std::pair<const char*, const char*> przypadki[] = {
      {"KWOTA", "\"KWOTA\""},           {"", "\"\""},
      {"A\"B", "\"A\"\"B\""},           {"\"", "\"\"\"\""},
      {"\"\"X\"", "\"\"\"\"\"X\"\"\""}, {"x'; drop table T; --", "\"x'; drop table T; --\""},
      {"Łódź Ż", "\"Łódź Ż\""},
  };
  for (const auto& [nazwa, cytat] : przypadki) EXPECT_EQ(konw::quoteIdentifier(nazwa), cytat) << nazwa;
}

TEST(Text, NamesFoldOnlyAsciiLetters) {
  EXPECT_EQ(konw::upperAscii("dochody_2024 ąę"), "DOCHODY_2024 ąę");
  EXPECT_EQ(konw::lowerAscii("PLANWYD ĄĘ"), "planwyd ĄĘ");
  EXPECT_TRUE(konw::equalsIgnoreCase("PlanWyd", "PLANWYD"));
  EXPECT_FALSE(konw::equalsIgnoreCase("ą", "Ą"));
  EXPECT_FALSE(konw::equalsIgnoreCase("PLANWYD", "PLANWY"));
}

}  // namespace
