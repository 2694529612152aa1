// The same whole conversion of a demo commune (embedded) without a window and through the Qt window
// (offscreen unless QT_QPA_PLATFORM says otherwise), alternating. The last line is
// "convert-window: <headless time / window time>", the median of that ratio over the rounds.
//   bench/run convert-window [ROWS] [ROUNDS]     (defaults 1,000,000 rows of the large tables, 3 rounds)
#include <QApplication>
#include <cstdio>
#include <exception>
#include <vector>

#include "app/qt/okno_konwersji.h"
#include "bench/convert_support.h"

namespace {

// The window, with Yes to the run's confirmation and the default button to any other box (nobody is
// there to press one).
class OknoBench : public konw::OknoKonwersji {
 public:
  konw::Button messageBox(konw::MsgKind, const std::string& caption, const std::string&, unsigned,
                          konw::Button defaultButton) override {
    return caption == "POTWIERDZENIE" ? konw::kYes : defaultButton;
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::int64_t rows = 0;
  int rounds = 0;
  if (!bench::argumenty(argc, argv, rows, rounds)) return 2;
  int qargc = 1;
  QApplication app(qargc, argv);
  int rc = 0;
  bench::fs::path dir;
  try {
    dir = bench::katalogTymczasowy("konw-bench-window");
    db::registerBuiltinDrivers();
    const bench::DemoBench demo = bench::zrobDemo(dir, rows, "");
    std::vector<double> bezOkna, zOknem;
    for (int r = 0; r < rounds; ++r) {
      bench::przywroc(demo);
      {
        bench::OperatorBench ui;
        bezOkna.push_back(bench::konwertuj(demo, ui));
      }
      bench::przywroc(demo);
      {
        OknoBench okno;
        okno.show();
        QCoreApplication::processEvents();
        zOknem.push_back(bench::konwertuj(demo, okno));
      }
      std::printf("round %d: headless %.2f s, window %.2f s\n", r + 1, bezOkna.back(), zOknem.back());
      std::fflush(stdout);
    }
    const double h = bench::mediana(bezOkna), w = bench::mediana(zOknem);
    std::printf("headless: %.2f s, window: %.2f s\n", h, w);
    std::printf("ratio of the medians: %.2f\n", h / w);
    std::printf("convert-window: %.2f\n", bench::medianaIlorazow(bezOkna, zOknem));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert-window failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  if (!dir.empty()) bench::fs::remove_all(dir, ec);
  return rc;
}
