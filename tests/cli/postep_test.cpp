// The progress a headless run shows on standard error.
#include "tools/cli/postep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using konw::Pasek;
using konw::cli::Postep;

// A Postep writing into memory, its clock moved by hand.
struct Ekran {
  explicit Ekran(Postep::Tryb tryb) : plik(std::tmpfile()), postep(tryb, plik) {
    postep.teraz = [this] { return Postep::Zegar::time_point(std::chrono::milliseconds(ms)); };
  }
  ~Ekran() { std::fclose(plik); }
  std::string tekst() {
    std::fflush(plik);
    std::string out(static_cast<std::size_t>(std::ftell(plik)), '\0');
    std::rewind(plik);
    out.resize(std::fread(out.data(), 1, out.size(), plik));
    return out;
  }
  // A table of `rows` rows copied at one row per `msPerRow`.
  void tabela(const std::string& nazwa, int rows, long msPerRow) {
    postep.tabela(nazwa);
    postep.pasek(Pasek::Tabela, 0, rows);
    for (int i = 0; i < rows; ++i) {
      ms += msPerRow;
      postep.krok(Pasek::Tabela);
    }
    postep.krok(Pasek::Calosc);
  }
  long ms = 0;
  std::FILE* plik;
  Postep postep;
};

TEST(Postep, OffATerminalOneLinePerTableWithItsPlaceRowsAndTime) {
  Ekran e(Postep::Tryb::Linie);
  e.postep.pasek(Pasek::Calosc, 0, 3);
  e.postep.krok(Pasek::Calosc);  // the first row of the list is not converted
  e.tabela("PLANDOCH", 30, 100);
  e.tabela("PARAGRAF/PARAGRAFY", 0, 0);
  e.postep.koniec();
  EXPECT_EQ(e.tekst(), "[2/3] PLANDOCH: 30 rows, 3.0 s\n[3/3] PARAGRAF/PARAGRAFY: 0 rows, 0.0 s\n");
}

TEST(Postep, OnATerminalOneLineRedrawnAtMostTenTimesASecondWithRateAndTimeLeft) {
  Ekran e(Postep::Tryb::Terminal);
  e.postep.pasek(Pasek::Calosc, 0, 57);
  e.postep.tabela("PLANDOCH");
  e.postep.pasek(Pasek::Tabela, 0, 3000);
  const std::string start = e.tekst();
  for (int i = 0; i < 1500; ++i) {
    e.ms += 1;
    e.postep.krok(Pasek::Tabela);
  }
  const std::string tekst = e.tekst().substr(start.size());
  // 1.5 s of rows at 1 ms a row: 15 redraws, the last at 1500 rows, 1.5 s left.
  std::size_t redraws = 0;
  for (std::size_t p = tekst.find('\r'); p != std::string::npos; p = tekst.find('\r', p + 1)) ++redraws;
  EXPECT_EQ(redraws, 15u);
  EXPECT_TRUE(tekst.ends_with("\r[1/57] PLANDOCH  1500/3000 rows  1000 rows/s  2 s left\x1b[K")) << tekst;
  e.postep.koniec();
  EXPECT_TRUE(e.tekst().ends_with("\r\x1b[K"));
}

TEST(Postep, QuietWritesNothing) {
  Ekran e(Postep::Tryb::Cichy);
  e.tabela("PLANDOCH", 10, 100);
  e.postep.koniec();
  EXPECT_EQ(e.tekst(), "");
}

TEST(Postep, ShortFiguresForTheLine) {
  const struct {
    double n;
    const char* count;
  } liczby[] = {{999, "999"}, {9999, "9999"}, {12345, "12.3k"}, {2500000, "2.5M"}};
  for (const auto& l : liczby) EXPECT_EQ(konw::krotkaLiczba(l.n), l.count);
  const struct {
    double s;
    const char* text;
  } czasy[] = {{0.4, "0 s"}, {59.6, "1 min 00 s"}, {65, "1 min 05 s"}, {3725, "1 h 02 min"}, {-3, "0 s"}};
  for (const auto& c : czasy) EXPECT_EQ(konw::czasPozostaly(c.s), c.text);
}

}  // namespace
