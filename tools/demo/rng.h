// A small fixed-seed generator, so that the same demo parameters give the same bytes on every machine.
#pragma once

#include <cstdint>
#include <string_view>

namespace konw::demo {

// SplitMix64: fast, good enough for sample data, and its sequence is fixed by the seed alone
// (std:: distributions are not portable across library versions, so none are used).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  // A seed derived from a name, so that each table has its own stream whatever order they are built in.
  static Rng forName(std::string_view name, std::uint64_t salt = 0x4b414c4d49524fULL) {
    std::uint64_t h = 1469598103934665603ULL ^ salt;
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ULL;
    return Rng(h);
  }

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n); n > 0.
  std::uint64_t below(std::uint64_t n) { return next() % n; }
  // Uniform in [lo, hi].
  std::int64_t between(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(below(static_cast<std::uint64_t>(hi - lo + 1)));
  }
  // True with probability percent/100.
  bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }

 private:
  std::uint64_t state_;
};

}  // namespace konw::demo
