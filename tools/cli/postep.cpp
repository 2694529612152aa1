#include "tools/cli/postep.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cmath>

namespace konw::cli {

Postep::Tryb Postep::trybDlaStderr(bool cicho) {
  if (cicho) return Tryb::Cichy;
  return ::isatty(STDERR_FILENO) ? Tryb::Terminal : Tryb::Linie;
}

void Postep::tabela(const std::string& opis) {
  zamknijTabele();
  tabela_ = opis;
  tabelaNr_ = calosc_ + 1;
  wiersze_.ustaw(0, 0, teraz());
  rysuj(true);
}

void Postep::pasek(Pasek pasek, int position, int max) {
  if (pasek == Pasek::Calosc) {
    calosc_ = position;
    tabel_ = max;
    return;
  }
  // The copy's bar of a table (a dictionary's comparison uses it before): the rows counted from here.
  wiersze_.ustaw(position, max, teraz());
  rysuj(true);
}

void Postep::krok(Pasek pasek) {
  if (pasek == Pasek::Calosc) {
    ++calosc_;
    return;
  }
  wiersze_.krok();
  rysuj(false);
}

void Postep::koniec() {
  zamknijTabele();
  wyczysc();
}

void Postep::wyczysc() {
  if (!narysowano_) return;
  std::fputs("\r\x1b[K", out_);
  std::fflush(out_);
  narysowano_ = false;
}

void Postep::zamknijTabele() {
  if (tabela_.empty() || tryb_ != Tryb::Linie) return;
  const double s = wiersze_.sekundy(teraz());
  std::fputs(fmt::format("[{}/{}] {}: {} rows, {:.1f} s\n", tabelaNr_, tabel_, tabela_, wiersze_.wiersze(), s)
                 .c_str(),
             out_);
  std::fflush(out_);
}

void Postep::rysuj(bool wymus) {
  if (tryb_ != Tryb::Terminal) return;
  const auto t = teraz();
  // Redrawn at most ten times a second: the row loop calls this for every row.
  if (!wymus && t - rysowano_ < std::chrono::milliseconds(100)) return;
  rysowano_ = t;
  std::string linia = fmt::format("[{}/{}] {}", tabelaNr_, tabel_, tabela_);
  if (wiersze_.wierszy() > 0) {
    linia += fmt::format("  {}/{} rows", wiersze_.wiersze(), wiersze_.wierszy());
    if (const auto tempo = wiersze_.tempo(t))
      linia +=
          fmt::format("  {} rows/s  {} left", krotkaLiczba(*tempo), czasPozostaly(*wiersze_.pozostalo(t)));
  }
  std::fputs(("\r" + linia + "\x1b[K").c_str(), out_);
  std::fflush(out_);
  narysowano_ = true;
}

void Postep::oczekiwanie(const std::string& tekst) {
  if (tryb_ == Tryb::Cichy || tekst.empty()) return;
  wyczysc();
  std::fprintf(out_, "%s\n", tekst.c_str());
  std::fflush(out_);
}

}  // namespace konw::cli
