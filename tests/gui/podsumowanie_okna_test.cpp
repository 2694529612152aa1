// The window's results at a glance: a run in which one table fails lists that table first and marked, and
// choosing it shows its lines of the logs; during the run the table's rows are counted beside the bars.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "demo/demo_fixture.h"

namespace konw {
namespace {

// The window answering Yes to the run's confirmations and noting what stands beside the bars.
class OknoZPostepem : public OknoKonwersji {
 public:
  QStringList postep;
  Button messageBox(MsgKind, const std::string& caption, const std::string&, unsigned,
                    Button domyslny) override {
    return caption == "POTWIERDZENIE" ? kYes : domyslny;
  }
  void processMessages() override {
    OknoKonwersji::processMessages();
    const QString s = findChild<QLabel*>("lblPostepTabeli")->text();
    if (!s.isEmpty() && (postep.isEmpty() || postep.back() != s)) postep << s;
  }
};

// Where a demo run leaves the window when the server refuses every row of WIELOLETNIA.
class PodsumowanieOkna : public ::testing::Test {
 protected:
  void SetUp() override {
    demotest::BazaDemo(demo.root(), "KALMIRO.FDB")
        .sql("alter table WIELOLETNIA add constraint NIE_TERAZ check (ROK is null and ROK is not null)");
    logika = demo.window(okno, {"JST"});
    okno.ustawLogike(logika.get());
    ASSERT_TRUE(logika->FormCreate());
    ASSERT_EQ(logika->Konwertuj().werdykt, Werdykt::Blad);
  }
  QString komorka(int row, int col) { return lista()->item(row, col)->text(); }
  QTableWidget* lista() { return okno.findChild<QTableWidget*>("sgPodsumowanie"); }
  QString sekcja() { return okno.findChild<QPlainTextEdit*>("mSekcjaTabeli")->toPlainText(); }

  demotest::DemoInstallation demo{300};
  demotest::FoundThroughWine env{demo};
  OknoZPostepem okno;
  std::unique_ptr<TfrmConvert> logika;
};

TEST_F(PodsumowanieOkna, TheFailedTableComesFirstMarkedAndChoosingATableShowsItsLogSection) {
  EXPECT_EQ(okno.activePage(), "TabSheetLogi");
  const int n = lista()->rowCount();
  ASSERT_EQ(static_cast<std::size_t>(n), logika->przebieg.tabele().size());
  ASSERT_GT(n, 10);
  // The marked rows (the demo has tables missing or differing of its own) all come before the others.
  int oznaczonych = 0, bledna = -1, pierwszaDobra = -1;
  for (int r = 0; r < n; ++r) {
    const bool oznaczony = komorka(r, 0) == "!";
    EXPECT_EQ(oznaczony, lista()->item(r, 1)->font().bold()) << r;
    if (oznaczony) {
      EXPECT_EQ(oznaczonych++, r) << komorka(r, 1).toStdString();
    }
    if (komorka(r, 1) == "WIELOLETNIA") bledna = r;
    if (!oznaczony && pierwszaDobra < 0) pierwszaDobra = r;
  }
  ASSERT_GE(bledna, 0);
  ASSERT_GT(pierwszaDobra, bledna);
  EXPECT_EQ(komorka(bledna, 0), "!");
  EXPECT_TRUE(komorka(bledna, 2).startsWith("błąd")) << komorka(bledna, 2).toStdString();
  // The first row is shown at once.
  EXPECT_TRUE(sekcja().contains("\n" + komorka(0, 1) + "\n")) << sekcja().toStdString();

  // Choosing a row with the mouse shows that table's lines under the pages' captions.
  auto wybierz = [&](int r) {
    QTest::mouseClick(lista()->viewport(), Qt::LeftButton, {},
                      lista()->visualRect(lista()->model()->index(r, 1)).center());
    EXPECT_EQ(lista()->currentRow(), r);
    return sekcja();
  };
  const QString bledu = wybierz(bledna);
  EXPECT_TRUE(bledu.startsWith("=== Ogólny ===\n")) << bledu.toStdString();
  EXPECT_TRUE(bledu.contains("\nWIELOLETNIA\n")) << bledu.toStdString();
  EXPECT_TRUE(bledu.contains("=== Błędy krytyczne ===")) << bledu.toStdString();
  EXPECT_TRUE(bledu.contains("BŁĄD W TRAKCIE KONWERSJI DANYCH")) << bledu.toStdString();
  EXPECT_TRUE(bledu.contains("Błąd wystąpił w: TfrmConvert.Convert")) << bledu.toStdString();

  const QString dobra = wybierz(pierwszaDobra);
  EXPECT_TRUE(dobra.contains("\n" + komorka(pierwszaDobra, 1) + "\n")) << dobra.toStdString();
  EXPECT_FALSE(dobra.contains("WIELOLETNIA")) << dobra.toStdString();
  EXPECT_FALSE(dobra.contains("BŁĄD")) << dobra.toStdString();
  EXPECT_EQ(komorka(pierwszaDobra, 2), "skopiowana");
  EXPECT_EQ(komorka(pierwszaDobra, 4), "tak");
  // For the picture: the failed table chosen.
  wybierz(bledna);

  // Beside the bars the run counted the tables' rows.
  ASSERT_FALSE(okno.postep.isEmpty());
  EXPECT_TRUE(okno.postep.filter(QRegularExpression("^\\d+ z \\d+ wierszy")).size() > 0)
      << okno.postep.join(" | ").toStdString();

  // A picture of the page for the person who looks at the window (tools/screenshot --summary).
  if (const char* plik = std::getenv("KONWERSJA_ZRZUT_PODSUMOWANIA")) {
    okno.setActivePage("TabSheetPodsumowanie");
    okno.show();
    QTest::qWait(50);
    okno.grab().save(QString::fromLocal8Bit(plik));
  }
}

}  // namespace
}  // namespace konw
