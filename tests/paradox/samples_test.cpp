// Every sample table dumps exactly as its expected JSON says.
#include "support/samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "db/paradox/dump.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const fs::path kSamples = test_samples::kDir;

// Read while the test list is made: without the corpus the list is empty (and the set's test says why).
std::vector<std::string> sampleTables() {
  std::vector<std::string> out;
  if (test_samples::missingReason()) return out;
  for (const auto& e : fs::recursive_directory_iterator(kSamples / "expected")) {
    if (e.path().extension() != ".json") continue;
    auto rel = fs::relative(e.path(), kSamples / "expected").string();
    out.push_back(rel.substr(0, rel.size() - 5));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Numbers compare as numbers: "40.0" from the reference and "40.0" from us must agree in value even
// if spelled differently, so numeric strings of N and $ fields are compared after parsing.
void expectSame(const json& want, const json& got, const std::string& where) {
  if (want.is_string() && got.is_string()) {
    const auto& a = want.get_ref<const std::string&>();
    const auto& b = got.get_ref<const std::string&>();
    if (a == b) return;
    char* endA = nullptr;
    char* endB = nullptr;
    double x = std::strtod(a.c_str(), &endA), y = std::strtod(b.c_str(), &endB);
    EXPECT_TRUE(*endA == 0 && *endB == 0 && !a.empty() && !b.empty() && x == y)
        << where << ": expected " << a << ", got " << b;
    return;
  }
  if (want.is_number() && got.is_number()) {
    EXPECT_EQ(want.get<double>(), got.get<double>()) << where;
    return;
  }
  if (want.is_array() && got.is_array()) {
    ASSERT_EQ(want.size(), got.size()) << where;
    for (std::size_t i = 0; i < want.size(); ++i)
      expectSame(want[i], got[i], where + "[" + std::to_string(i) + "]");
    return;
  }
  if (want.is_object() && got.is_object()) {
    for (auto it = want.begin(); it != want.end(); ++it) {
      ASSERT_TRUE(got.contains(it.key())) << where << ": missing " << it.key();
      expectSame(it.value(), got[it.key()], where + "." + it.key());
    }
    EXPECT_EQ(want.size(), got.size()) << where;
    return;
  }
  EXPECT_EQ(want, got) << where;
}

class SampleDump : public ::testing::TestWithParam<std::string> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SampleDump);

TEST_P(SampleDump, MatchesExpected) {
  SKIP_WITHOUT_SAMPLES();
  const std::string rel = GetParam();
  std::ifstream in(kSamples / "expected" / (rel + ".json"));
  ASSERT_TRUE(in) << rel;
  json want = json::parse(in);
  std::ostringstream out;
  std::vector<std::string> warnings;
  db::paradox::dumpTable(kSamples / rel, 0, out, warnings);
  json got = json::parse(out.str());
  expectSame(want, got, rel);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleDump, ::testing::ValuesIn(sampleTables()), [](const auto& info) {
  std::string s = info.param;
  for (auto& c : s)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return s;
});

// Every table file of the corpus has its expected dump, so that a table added to the corpus is never
// left out of the comparison unseen.
TEST(SampleDumpSet, CoversEveryTable) {
  SKIP_WITHOUT_SAMPLES();
  std::vector<std::string> tables;
  for (auto it = fs::recursive_directory_iterator(kSamples); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path() == kSamples / "expected") {
      it.disable_recursion_pending();
      continue;
    }
    std::string ext = it->path().extension().string();
    for (auto& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (it->is_regular_file() && ext == ".DB") tables.push_back(fs::relative(it->path(), kSamples).string());
  }
  std::sort(tables.begin(), tables.end());
  EXPECT_FALSE(tables.empty());
  EXPECT_EQ(sampleTables(), tables);
}

TEST(ShortestDouble, ReadsLikeRepr) {
  using db::paradox::shortestDouble;
  EXPECT_EQ(shortestDouble(40.0), "40.0");
  EXPECT_EQ(shortestDouble(-40.0), "-40.0");
  EXPECT_EQ(shortestDouble(0.1), "0.1");
  EXPECT_EQ(shortestDouble(13.002), "13.002");
  EXPECT_EQ(shortestDouble(0.0), "0.0");
  EXPECT_EQ(shortestDouble(1e16), "1e+16");
  EXPECT_EQ(shortestDouble(123456789012345.0), "123456789012345.0");
  EXPECT_EQ(shortestDouble(0.0001), "0.0001");
  EXPECT_EQ(shortestDouble(1.5e-05), "1.5e-05");
}

}  // namespace
