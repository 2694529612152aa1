// The progress of the table being copied, as the window and the headless progress line show it: its rows
// so far and in all, the rate since the table's bar was set, and the time left at that rate.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace konw {

class PostepTabeli {
 public:
  using Zegar = std::chrono::steady_clock;

  // The table's bar was set: rows are counted from `pozycja` of `max`, the rate from `t`.
  void ustaw(long long pozycja, long long max, Zegar::time_point t) {
    wiersze_ = pozycja;
    wierszy_ = max;
    start_ = t;
  }
  // One row more (the bar's step); costs nothing, the rate is worked out when asked.
  void krok() { ++wiersze_; }

  long long wiersze() const { return wiersze_; }
  long long wierszy() const { return wierszy_; }
  // Seconds since the bar was set.
  double sekundy(Zegar::time_point t) const { return std::chrono::duration<double>(t - start_).count(); }
  // Rows a second at `t`; none before half a second has passed or a row was counted, and for a bar that
  // counts no rows.
  std::optional<double> tempo(Zegar::time_point t) const;
  // Seconds left at that rate.
  std::optional<double> pozostalo(Zegar::time_point t) const;

 private:
  long long wiersze_ = 0, wierszy_ = 0;
  Zegar::time_point start_{};
};

// "12.3k" style counts and "1 min 05 s" style durations.
std::string krotkaLiczba(double n);
std::string czasPozostaly(double sekundy);

// The window's line of the progress: "1500 z 3000 wierszy, 1000/s" and, once known, "pozostało 2 s" on a
// line of its own; empty while the bar counts no rows.
std::string OpisPostepuTabeli(const PostepTabeli& postep, PostepTabeli::Zegar::time_point t);

}  // namespace konw
