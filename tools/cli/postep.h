// The progress of a headless run on standard error: on a terminal one line redrawn in place (the table,
// its rows, the rate, the time left and the run's position); elsewhere one line per table; or nothing.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/operator.h"
#include "platform/postep_tabeli.h"

namespace konw::cli {

class Postep {
 public:
  enum class Tryb { Cichy, Linie, Terminal };
  using Zegar = std::chrono::steady_clock;

  explicit Postep(Tryb tryb, std::FILE* out = stderr) : tryb_(tryb), out_(out) {}
  // The mode for standard error: quiet when asked, a redrawn line on a terminal, lines elsewhere.
  static Tryb trybDlaStderr(bool cicho);

  void tabela(const std::string& opis);
  void pasek(Pasek pasek, int position, int max);
  void krok(Pasek pasek);
  // What the program waits for, on a line of its own (nothing for an empty text, or when quiet).
  void oczekiwanie(const std::string& tekst);
  // Ends the last table (its line, when lines are written) and clears a drawn line.
  void koniec();
  // Clears a drawn line, so that other output starts at the line's beginning.
  void wyczysc();

  // The clock, replaceable for tests.
  std::function<Zegar::time_point()> teraz = [] { return Zegar::now(); };

 private:
  void rysuj(bool wymus);
  void zamknijTabele();

  Tryb tryb_;
  std::FILE* out_;
  std::string tabela_;
  int tabelaNr_ = 0, calosc_ = 0, tabel_ = 0;  // the table's place in the run's list, and its length
  PostepTabeli wiersze_;                       // the table's rows, their rate and the time left
  Zegar::time_point rysowano_{};
  bool narysowano_ = false;
};

}  // namespace konw::cli
