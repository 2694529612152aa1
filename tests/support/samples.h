// The real Paradox sample corpus, kept beside the clone in ../shared/paradox-samples. A clone alone
// has none: the tests that read it report themselves skipped with the reason, except under CI
// (CI=true), where the corpus is required and its absence fails them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace test_samples {

inline const std::filesystem::path kDir = KONWERSJA_SAMPLES_DIR;

// Why the corpus cannot be used, or nullopt when it is there.
inline std::optional<std::string> missingReason() {
  std::error_code ec;
  if (std::filesystem::is_directory(kDir / "expected", ec)) return std::nullopt;
  return "brak przykładowych tabel Paradoxa w " + kDir.string() +
         " (katalog ../shared/paradox-samples obok repozytorium)";
}

// CI=true (or 1) on the build machine.
inline bool required() {
  const char* ci = std::getenv("CI");
  if (!ci) return false;
  const std::string v = ci;
  return v == "true" || v == "TRUE" || v == "True" || v == "1";
}

}  // namespace test_samples

// First statement of a test (or of its fixture's SetUp) that reads the sample corpus.
#define SKIP_WITHOUT_SAMPLES()                                           \
  do {                                                                   \
    if (const auto why_ = test_samples::missingReason()) {               \
      if (test_samples::required()) FAIL() << *why_ << "; CI go wymaga"; \
      GTEST_SKIP() << *why_;                                             \
    }                                                                    \
  } while (false)
