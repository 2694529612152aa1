// Helpers of the Paradox tests: a scratch directory and copies of sample tables inside it.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/samples.h"

namespace paradox_test {

namespace fs = std::filesystem;

inline const fs::path kSamples = test_samples::kDir;

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("konwersja-paradox-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline std::string lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Copies every file of sample table `rel` (e.g. "pxlib/TypSammlung.DB") with its companions into `dir`;
// returns the copied .DB. `withCompanions` false copies the .DB alone.
inline fs::path copyTable(const std::string& rel, const fs::path& dir, bool withCompanions = true) {
  const fs::path src = kSamples / rel;
  const std::string stem = lower(src.stem().string());
  for (const auto& e : fs::directory_iterator(src.parent_path())) {
    if (lower(e.path().stem().string()) != stem) continue;
    if (!withCompanions && e.path().filename() != src.filename()) continue;
    fs::copy_file(e.path(), dir / e.path().filename(), fs::copy_options::overwrite_existing);
  }
  return dir / src.filename();
}

inline std::string readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const fs::path& p, const std::string& data) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

}  // namespace paradox_test
