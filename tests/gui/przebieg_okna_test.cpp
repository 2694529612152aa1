// A run in the window converts what the same run without a window converts, whatever the operator does
// to the kind and the table grid meanwhile.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <QTableWidget>
#include <QTest>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "demo/demo_fixture.h"

namespace konw {
namespace {

// The window answering Yes to the run's confirmations, and the operator choosing "Wybrane tabele" and
// going to the grid's last row as soon as the run pumps its events.
class OknoWtracajace : public OknoKonwersji {
 public:
  TfrmConvert* logika = nullptr;
  bool wtracono = false;
  Button messageBox(MsgKind, const std::string& caption, const std::string&, unsigned,
                    Button domyslny) override {
    return caption == "POTWIERDZENIE" ? kYes : domyslny;
  }
  void processMessages() override {
    if (!wtracono && logika && logika->przebieg.trwa()) {
      wtracono = true;
      findChild<QAbstractButton*>("RadioGroup1_4")->click();
      auto* siatka = findChild<QTableWidget*>("ExRxDBGrid1");
      QTest::keyClick(siatka, Qt::Key_End, Qt::ControlModifier);
      QTest::keyClick(siatka, Qt::Key_Up);
      QTest::keyClick(siatka, Qt::Key_Space);
    }
    OknoKonwersji::processMessages();
  }
};

TEST(PrzebiegOkna, TheKindAndTheGridTouchedDuringARunChangeNothing) {
  demotest::DemoInstallation demo(2000);
  demotest::FoundThroughWine env(demo);
  std::vector<std::string> zOkna;
  {
    OknoWtracajace okno;
    auto logika = demo.window(okno, {"JST", "ADVANCED"});
    okno.ustawLogike(logika.get());
    okno.logika = logika.get();
    ASSERT_TRUE(logika->FormCreate());
    logika->Konwertuj();
    ASSERT_TRUE(okno.wtracono);
    for (const WynikTabeli& t : logika->przebieg.tabele()) zOkna.push_back(t.paradox);
  }  // the embedded engine lets one process at a time open a database
  const test::TempDir tmp;
  const auto json = tmp.path / "run.json";
  const std::string polecenie = std::string(KONWERSJA_CLI) + " convert " + demo.root().string() +
                                " --edition JST --yes --quiet --json " + json.string() + " >/dev/null 2>&1";
  const int status = std::system(polecenie.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  std::ifstream in(json);
  const auto podsumowanie = nlohmann::json::parse(in);
  std::vector<std::string> bezOkna;
  for (const auto& t : podsumowanie["tables"]) bezOkna.push_back(t["paradox"]);
  EXPECT_GT(bezOkna.size(), 20u);
  EXPECT_EQ(zOkna, bezOkna);
}

}  // namespace
}  // namespace konw
