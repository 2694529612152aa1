// Decimal arithmetic at the edges of its 128-bit range: a value that does not fit is a conversion
// error, a comparison is exact whatever the magnitudes, nothing overflows on the way.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "db/engine.h"

using namespace db;

namespace {

constexpr __int128 kMax = std::numeric_limits<__int128>::max();
constexpr __int128 kMin = std::numeric_limits<__int128>::min();

__int128 tenTo(int n) {
  __int128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// The expected text, or nullopt where the engine must refuse with a conversion error.
template <typename F>
void expectResult(F&& f, const std::optional<std::string>& want, const std::string& where) {
  if (want) {
    std::string got;
    EXPECT_NO_THROW(got = f()) << where;
    EXPECT_EQ(got, *want) << where;
    return;
  }
  try {
    const std::string got = f();
    ADD_FAILURE() << where << ": expected a conversion error, got " << got;
  } catch (const EngineError& e) {
    EXPECT_EQ(e.code(), errc::kConversion) << where;
  }
}

TEST(DecimalRange, TextOfTheExtremes) {
  EXPECT_EQ((Decimal{kMax, 0}).toString(), "170141183460469231731687303715884105727");
  EXPECT_EQ((Decimal{kMin, 0}).toString(), "-170141183460469231731687303715884105728");
  EXPECT_EQ((Decimal{kMin, 40}).toString(), "-0.0170141183460469231731687303715884105728");
  EXPECT_EQ((Decimal{-12, -3}).toString(), "-12000");
}

TEST(DecimalRange, Rescale) {
  struct Case {
    Decimal from;
    int scale;
    std::optional<std::string> want;
  };
  const Case cases[] = {
      {{1, 0}, 38, "1." + std::string(38, '0')},
      {{1, 0}, 39, std::nullopt},
      {{-1, 0}, 39, std::nullopt},
      {{1, -30}, 15, std::nullopt},
      {{1, -30}, 0, "1" + std::string(30, '0')},
      {{kMax, 0}, 1, std::nullopt},
      {{kMin, 0}, 1, std::nullopt},
      {{kMax / 10, 0}, 1, "17014118346046923173168730371588410572.0"},
      {{0, -500}, 500, "0." + std::string(500, '0')},
      // Rounding half away from zero, also where the divisor is the largest power of ten.
      {{5, 1}, 0, "1"},
      {{-5, 1}, 0, "-1"},
      {{4, 1}, 0, "0"},
      {{tenTo(38) - 1, 38}, 0, "1"},
      {{-(tenTo(38) - 1), 38}, 0, "-1"},
      {{tenTo(38) / 2 - 1, 38}, 0, "0"},
      {{kMax, 38}, 0, "2"},
      {{kMin, 0}, -1, "-17014118346046923173168730371588410573" + std::string(1, '0')},
      {{kMax, 0}, -38, "2" + std::string(38, '0')},
      {{kMax, 0}, -39, "0"},
      {{kMin, 10}, -100, "0"},
  };
  for (const auto& c : cases)
    expectResult([&] { return c.from.rescaled(c.scale).toString(); }, c.want,
                 c.from.toString() + " -> scale " + std::to_string(c.scale));
}

TEST(DecimalRange, FromDouble) {
  struct Case {
    double value;
    int scale;
    std::optional<std::string> want;
  };
  const Case cases[] = {
      {1e30, 15, std::nullopt},
      {1e30, 0, "1" + std::string(30, '0')},
      {1.7e38, 0, "17" + std::string(37, '0')},
      {1.8e38, 0, std::nullopt},
      {-1.8e38, 0, std::nullopt},
      {1e300, 2, std::nullopt},
      {std::numeric_limits<double>::max(), 0, std::nullopt},
      {std::numeric_limits<double>::infinity(), 2, std::nullopt},
      {std::nan(""), 2, std::nullopt},
      {5e-324, 4, "0.0000"},
      {-0.125, 2, "-0.13"},
  };
  for (const auto& c : cases)
    expectResult([&] { return Decimal::fromDouble(c.value, c.scale).toString(); }, c.want,
                 std::to_string(c.value) + " at scale " + std::to_string(c.scale));
  EXPECT_EQ(Decimal::fromDoubleAtMost(1e30, 15), (Decimal{1, -30}));
  EXPECT_EQ(Decimal::fromDoubleAtMost(0.1234, 2).toString(), "0.12");
  EXPECT_EQ(Decimal::fromDoubleAtMost(0.5, 15).toString(), "0.5") << "never scaled up";
}

TEST(DecimalRange, OrderingIsExactAcrossScales) {
  using O = std::strong_ordering;
  struct Case {
    Decimal a, b;
    O want;
  };
  const Case cases[] = {
      {{1, -30}, {1, 0}, O::greater},       {{1, 0}, {1, -30}, O::less},      {{-1, -30}, {1, 0}, O::less},
      {{-1, -30}, {-1, 0}, O::less},        {{-1, 0}, {-1, -30}, O::greater}, {{15, 1}, {150, 2}, O::equal},
      {{1, -30}, {tenTo(30), 0}, O::equal}, {{kMax, 0}, {1, 38}, O::greater}, {{1, 38}, {kMax, 0}, O::less},
      {{kMin, 0}, {-1, 38}, O::less},       {{1, 0}, {kMax, 38}, O::less},    {{0, -100}, {0, 5}, O::equal},
      {{kMin, 0}, {kMax, 0}, O::less},      {{1, 1000}, {0, 0}, O::greater},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE((c.a <=> c.b) == c.want) << c.a.toString() << " <=> " << c.b.toString();
    EXPECT_EQ(c.a == c.b, c.want == O::equal) << c.a.toString() << " == " << c.b.toString();
  }
}

TEST(DecimalRange, ValuesEqualComparesAnyMagnitude) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    Value a, b;
    bool want;
  };
  const Case cases[] = {
      {1e30, Decimal{1, 0}, false},
      {Decimal{1, 0}, 1e30, false},
      {1e30, Decimal{tenTo(30), 0}, true},
      {1e30, Decimal{tenTo(30), 2}, false},
      {-1e30, Decimal{-tenTo(30), 0}, true},
      {std::numeric_limits<double>::max(), Decimal{kMax, 0}, false},
      {0.1, Decimal{1, 1}, true},
      {1e-20, Decimal{0, 0}, true},
      {inf, Decimal{1, 0}, false},
      {std::nan(""), Decimal{0, 0}, false},
      {std::int64_t{5}, Decimal{50, 1}, true},
      {std::numeric_limits<std::int64_t>::min(), Decimal{kMin, 0}, false},
  };
  for (const auto& c : cases) {
    bool got = !c.want;
    EXPECT_NO_THROW(got = valuesEqual(c.a, c.b, false)) << valueToText(c.a) << " = " << valueToText(c.b);
    EXPECT_EQ(got, c.want) << valueToText(c.a) << " = " << valueToText(c.b);
  }
}

TEST(DecimalRange, WholeNumberOutsideInt64IsAConversionError) {
  const std::optional<std::string> refused;
  const std::pair<Decimal, std::optional<std::string>> cases[] = {
      {{std::numeric_limits<std::int64_t>::min(), 0},
       std::to_string(std::numeric_limits<std::int64_t>::min())},
      {{static_cast<__int128>(std::numeric_limits<std::int64_t>::max()) * 10 + 4, 1},
       std::to_string(std::numeric_limits<std::int64_t>::max())},
      {{static_cast<__int128>(std::numeric_limits<std::int64_t>::max()) + 1, 0}, refused},
      {{tenTo(20), 0}, refused},
      {{1, -40}, refused},
  };
  for (const auto& [d, want] : cases)
    expectResult([&] { return std::to_string(valueToInt(d)); }, want, d.toString());
}

}  // namespace
