#include "tools/cli/postep.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cmath>

namespace konw::cli {

Postep::Tryb Postep::trybDlaStderr(bool cicho) {
  if (cicho) return Tryb::Cichy;
  return ::isatty(STDERR_FILENO) ? Tryb::Terminal : Tryb::Linie;
}

std::string krotkaLiczba(double n) {
  if (n >= 1e6) return fmt::format("{:.1f}M", n / 1e6);
  if (n >= 1e4) return fmt::format("{:.1f}k", n / 1e3);
  return fmt::format("{:.0f}", n);
}

std::string czasPozostaly(double s) {
  const long long sek = std::llround(std::max(0.0, s));
  if (sek >= 3600) return fmt::format("{} h {:02} min", sek / 3600, (sek % 3600) / 60);
  if (sek >= 60) return fmt::format("{} min {:02} s", sek / 60, sek % 60);
  return fmt::format("{} s", sek);
}

void Postep::tabela(const std::string& opis) {
  zamknijTabele();
  tabela_ = opis;
  tabelaNr_ = calosc_ + 1;
  wiersze_ = wierszy_ = 0;
  start_ = teraz();
  rysuj(true);
}

void Postep::pasek(Pasek pasek, int position, int max) {
  if (pasek == Pasek::Calosc) {
    calosc_ = position;
    tabel_ = max;
    return;
  }
  // The copy's bar of a table (a dictionary's comparison uses it before): the rows counted from here.
  wiersze_ = position;
  wierszy_ = max;
  start_ = teraz();
  rysuj(true);
}

void Postep::krok(Pasek pasek) {
  if (pasek == Pasek::Calosc) {
    ++calosc_;
    return;
  }
  ++wiersze_;
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
  const double s = std::chrono::duration<double>(teraz() - start_).count();
  std::fputs(fmt::format("[{}/{}] {}: {} rows, {:.1f} s\n", tabelaNr_, tabel_, tabela_, wiersze_, s).c_str(),
             out_);
  std::fflush(out_);
}

void Postep::rysuj(bool wymus) {
  if (tryb_ != Tryb::Terminal) return;
  const auto t = teraz();
  // Redrawn at most ten times a second: the row loop calls this for every row.
  if (!wymus && t - rysowano_ < std::chrono::milliseconds(100)) return;
  rysowano_ = t;
  const double s = std::chrono::duration<double>(t - start_).count();
  std::string linia = fmt::format("[{}/{}] {}", tabelaNr_, tabel_, tabela_);
  if (wierszy_ > 0) {
    linia += fmt::format("  {}/{} rows", wiersze_, wierszy_);
    if (s > 0.5 && wiersze_ > 0) {
      const double tempo = static_cast<double>(wiersze_) / s;
      linia += fmt::format("  {} rows/s  {} left", krotkaLiczba(tempo),
                           czasPozostaly(static_cast<double>(wierszy_ - wiersze_) / tempo));
    }
  }
  std::fputs(("\r" + linia + "\x1b[K").c_str(), out_);
  std::fflush(out_);
  narysowano_ = true;
}

}  // namespace konw::cli
