// The comparison page and the data-location dialog of the window, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "app/qt/strona_porownanie.h"
#include "config/lokalizacja.h"

namespace konw {
namespace {

class OknoStrony : public ::testing::Test {
 protected:
  OknoStrony() : logika(okno, {}, "/opt/k/konwersja") { okno.ustawLogike(&logika); }
  template <typename T = QWidget>
  T* w(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
  }
  OknoKonwersji okno;
  TfrmConvert logika;
};

TEST_F(OknoStrony, ComparisonPageHoldsTheReportMemoAndItsButtons) {
  auto* page = w(&okno, "tsPorownanie");
  ASSERT_NE(page, nullptr);
  auto* memo = w<QPlainTextEdit>(page, "mPorownanie");
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(w<QPushButton>(page, "btnPorownaj")->text(), "Porównaj");
  EXPECT_EQ(w<QPushButton>(page, "btnErrAllowPorow")->text(), "Porównaj zezwalając na wyjątki");
  EXPECT_EQ(w<QPushButton>(page, "btnZapiszPorownanie")->text(), "Zapisz wynik");

  // The memo's text comes back with CR LF between its lines, an entry's own breaks included.
  okno.appendMemo("mPorownanie", "--------------------");
  okno.appendMemo("mPorownanie", "KONTA: \r\n    brak pola (w paradox): X");
  okno.appendMemo("mPorownanie", "");
  EXPECT_EQ(okno.memoText("mPorownanie"),
            "--------------------\r\nKONTA: \r\n    brak pola (w paradox): X\r\n");
  EXPECT_EQ(filtrDialogu("pliki tekstowe|*.txt|wszystkie pliki|*.*"),
            "pliki tekstowe (*.txt);;wszystkie pliki (*.*)");
}

TEST_F(OknoStrony, LocationDialogShowsAndTakesTheOperatorsEdits) {
  TfrmLokalizacja stan;
  stan.ZaznaczSerwer();
  stan.EdServer = "srv1";
  stan.DEParadox = "D:\\DANE\\";
  stan.setFileName("D:\\BAZY\\BAZA.GDB");

  QString tytul;
  bool serwerWlaczony = false, przyciskWidoczny = true, przyciskPoLokalnie = false;
  QString serwerPoLokalnie;
  QTimer::singleShot(0, [&] {
    QWidget* d = QApplication::activeModalWidget();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->objectName(), "frmLokalizacja");
    EXPECT_EQ(d->size(), QSize(568, 224));
    tytul = d->windowTitle();
    auto* serwer = w<QLineEdit>(d, "EdServer");
    EXPECT_EQ(serwer->text(), "srv1");
    EXPECT_EQ(w<QLineEdit>(d, "FEInterBase")->text(), "D:\\BAZY\\BAZA.GDB");
    EXPECT_TRUE(w<QRadioButton>(d, "rbServer")->isChecked());
    serwerWlaczony = serwer->isEnabled();
    przyciskWidoczny = !w<QToolButton>(d, "FEInterBasePrzycisk")->isHidden();

    QTest::mouseClick(w<QRadioButton>(d, "rbLocal"), Qt::LeftButton);
    serwerPoLokalnie = serwer->text();
    przyciskPoLokalnie = !w<QToolButton>(d, "FEInterBasePrzycisk")->isHidden() && !serwer->isEnabled();

    auto* paradox = w<QLineEdit>(d, "DEParadox");
    paradox->selectAll();
    QTest::keyClicks(paradox, "E:\\NOWE\\");
    auto* plik = w<QLineEdit>(d, "FEInterBase");
    plik->selectAll();
    QTest::keyClicks(plik, "\"C:\\Moje dane\\B.GDB\"");
    w<QPushButton>(d, "btnOK")->click();
  });
  EXPECT_TRUE(okno.showLocationDialog(stan));
  EXPECT_EQ(tytul, "Kalmiro - konfiguracja położenia danych");
  EXPECT_TRUE(serwerWlaczony);
  EXPECT_FALSE(przyciskWidoczny) << "no browsing for a file on another machine";
  EXPECT_EQ(serwerPoLokalnie, "localhost");
  EXPECT_TRUE(przyciskPoLokalnie);
  EXPECT_TRUE(stan.Lokalnie);
  EXPECT_EQ(stan.EdServer, "localhost");
  EXPECT_EQ(stan.DEParadox, "E:\\NOWE\\");
  EXPECT_EQ(stan.FileName(), "C:\\Moje dane\\B.GDB");

  // The same dialog again keeps its mode; Cancel answers false.
  QWidget* pierwszy = nullptr;
  QTimer::singleShot(0, [&] {
    pierwszy = QApplication::activeModalWidget();
    EXPECT_TRUE(w<QRadioButton>(pierwszy, "rbLocal")->isChecked());
    w<QPushButton>(pierwszy, "btnCancel")->click();
  });
  EXPECT_FALSE(okno.showLocationDialog(stan));
  EXPECT_EQ(okno.findChildren<QWidget*>(QStringLiteral("frmLokalizacja")).size(), 1);
}

}  // namespace
}  // namespace konw
