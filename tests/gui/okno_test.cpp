#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/konwersja.h"
#include "app/qt/aplikacja.h"
#include "app/qt/okno_konwersji.h"
#include "app/widok/projekt_okna.h"

namespace konw {
namespace {

QStringList tabs(QTabWidget* t) {
  QStringList s;
  for (int i = 0; i < t->count(); ++i) s << t->widget(i)->objectName() + "=" + t->tabText(i);
  return s;
}

// Presses a button of the next message box by its text, and records the box.
struct BoxAnswer {
  QString pressed;
  QString title, text;
  QStringList buttons;
  void arm(const QString& answer) {
    QTimer::singleShot(0, [this, answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      title = box->windowTitle();
      text = box->text();
      for (auto* b : box->buttons()) buttons << b->text().remove('&');
      for (auto* b : box->buttons())
        if (b->text().remove('&') == answer) {
          pressed = answer;
          b->click();
          return;
        }
    });
  }
};

class OknoTest : public ::testing::Test {
 protected:
  OknoTest() : logika(okno, {}, "/opt/k/konwersja") { okno.ustawLogike(&logika); }
  template <typename T = QWidget>
  T* w(const char* name) {
    return okno.findChild<T*>(QString::fromLatin1(name));
  }
  OknoKonwersji okno;
  TfrmConvert logika;
};

TEST_F(OknoTest, LayoutAsDesigned) {
  EXPECT_EQ(okno.objectName(), "frmConvert");
  EXPECT_EQ(okno.windowTitle(), "Kalmiro - przeniesienie danych Paradox-Firebird");
  EXPECT_EQ(okno.size(), QSize(632, 438));
  EXPECT_EQ(okno.minimumSize(), okno.maximumSize());
  EXPECT_EQ(tabs(w<QTabWidget>("PageControl")),
            (QStringList{"TabKonwersja=Konwersja", "TabSheetLogi=Wyniki", "tsPorownanie=Porównanie",
                         "TabOpcje=Rodzaj konwersji", "tsListaTabel=Lista tabel"}));
  EXPECT_EQ(tabs(w<QTabWidget>("PageControlLogi")),
            (QStringList{"TabSheetPodsumowanie=Podsumowanie", "TabSheetOgolny=Ogólny",
                         "TabSheetDodatInfo=Dodatkowe informacje", "TabSheetBledy=Błędy",
                         "TabSheetBledyKryt=Błędy krytyczne"}));
  for (const char* page : {"TabSheetLogi", "tsPorownanie", "TabOpcje", "tsListaTabel"})
    EXPECT_FALSE(okno.tabVisible(page)) << page;
  EXPECT_TRUE(okno.tabVisible("TabKonwersja"));
  EXPECT_EQ(okno.activePage(), "TabKonwersja");

  // Every control the logic names exists.
  for (const auto& p : projekt::kPodpisy)
    EXPECT_NE(okno.findChild<QWidget*>(QString::fromUtf8(p.control.data(), p.control.size())), nullptr)
        << p.control;
  for (auto n : projekt::kEtykietyJednostki)
    EXPECT_NE(okno.findChild<QLabel*>(QString::fromUtf8(n.data(), n.size())), nullptr) << n;
  for (const char* n : {"mKomunikaty", "mKomInf", "mKomBl", "mKomBlKr"})
    EXPECT_NE(w<QPlainTextEdit>(n), nullptr) << n;
  EXPECT_TRUE(w<QPlainTextEdit>("mKomunikaty")->isReadOnly());
  EXPECT_FALSE(w<QPlainTextEdit>("mKomBl")->isReadOnly());
  EXPECT_EQ(w<QProgressBar>("PasekCalosc")->maximum(), 100);
  EXPECT_EQ(w<QPushButton>("btnBreak")->geometry(), w<QPushButton>("btnKonwert")->geometry());
  EXPECT_EQ(w<QPushButton>("btnBreak")->text(), "&Przerwij (klawiszem Enter lub spacją)");
  EXPECT_FALSE(okno.visible("btnBreak"));
  EXPECT_FALSE(okno.visible("PanelPaski"));
  EXPECT_FALSE(okno.visible("txtGm"));
  EXPECT_EQ(w<QTableWidget>("ExRxDBGrid1")->horizontalHeaderItem(2)->text(), "TABELA IBASE");
}

TEST_F(OknoTest, StatesSurviveWhicheverPageIsInFront) {
  logika.UstawStanPracy(true);
  okno.setActivePage("TabSheetLogi");
  EXPECT_TRUE(okno.visible("btnBreak"));
  EXPECT_FALSE(okno.visible("btnKonwert"));
  EXPECT_FALSE(okno.enabled("btnClose"));
  EXPECT_TRUE(logika.WTrakcieKonwersji());
  okno.setCaption("txtWoj", "mazowieckie");
  EXPECT_EQ(okno.caption("txtWoj"), "mazowieckie");
  EXPECT_EQ(okno.caption("TabSheetBledy"), "Błędy");
}

TEST_F(OknoTest, EditionButtonsRunTheHandlerOnlyWhenClicked) {
  auto* jst = w<QRadioButton>("JST");
  QSignalSpy clicks(jst, &QRadioButton::clicked);
  okno.setChecked("JST", true);
  EXPECT_TRUE(okno.checked("JST"));
  okno.setChecked("JB", true);
  EXPECT_FALSE(okno.checked("JST"));
  okno.setChecked("JB", false);
  EXPECT_FALSE(okno.checked("JB") || okno.checked("JST"));
  EXPECT_EQ(clicks.count(), 0);
}

TEST_F(OknoTest, OperatorChoosingSelectedTablesEnablesTheGrid) {
  okno.setEnabled("ExRxDBGrid1", false);
  w<QRadioButton>("RadioGroup1_4")->click();
  EXPECT_EQ(logika.RodzajKonwersji, konw::TRodzajKonwersji{4});
  EXPECT_TRUE(okno.enabled("ExRxDBGrid1"));
  w<QRadioButton>("RadioGroup1_1")->click();
  EXPECT_EQ(logika.RodzajKonwersji, konw::TRodzajKonwersji{1});
  EXPECT_FALSE(okno.enabled("ExRxDBGrid1"));
}

TEST_F(OknoTest, MemoShowsCrLfAsLinesAndBarsWrap) {
  okno.appendMemo("mKomBl", "a\r\nb");
  okno.appendMemo("mKomBl", "");
  EXPECT_EQ(w<QPlainTextEdit>("mKomBl")->toPlainText(), "a\nb\n");
  okno.setProgressRange("PasekCzastkowy", 0, 2);
  okno.stepProgress("PasekCzastkowy");
  okno.stepProgress("PasekCzastkowy");
  EXPECT_EQ(okno.progressPosition("PasekCzastkowy"), 2);
  okno.stepProgress("PasekCzastkowy");
  EXPECT_EQ(okno.progressPosition("PasekCzastkowy"), 0);
}

TEST_F(OknoTest, BarsReachTheScreenOnThePumpsClockAndAtTheRunsEnd) {
  auto* bar = w<QProgressBar>("PasekCalosc");
  okno.processMessages();  // the clock starts
  okno.setBar(konw::Pasek::Calosc, 0, 1000);
  for (int i = 0; i < 700; ++i) {
    okno.stepBar(konw::Pasek::Calosc);
    okno.processMessages();
  }
  EXPECT_EQ(okno.progressPosition("PasekCalosc"), 700);
  // A pump after the interval shows what the logic has reached.
  EXPECT_EQ(bar->maximum(), 1000);
  QTest::qWait(OknoKonwersji::kOdstepPompowania + 10);
  okno.processMessages();
  EXPECT_EQ(bar->value(), 700);
  okno.stepBar(konw::Pasek::Calosc);
  okno.showRunEnded();
  EXPECT_EQ(bar->value(), 701);
}

TEST_F(OknoTest, ClosingDuringARunAsksInPolishAndNoKeepsTheWindow) {
  zaladujTlumaczeniePolskie(*QCoreApplication::instance());
  okno.show();
  logika.UstawStanPracy(true);
  BoxAnswer box;
  box.arm("Nie");
  okno.close();
  EXPECT_EQ(box.pressed, "Nie");
  EXPECT_EQ(box.title, "POTWIERDZENIE");
  EXPECT_EQ(box.text, "Czy przerwać konwersję danych?");
  EXPECT_EQ(box.buttons, (QStringList{"Tak", "Nie"}));
  EXPECT_TRUE(okno.isVisible());
  EXPECT_FALSE(logika.przebieg.flagi().Przerwano);

  BoxAnswer yes;
  yes.arm("Tak");
  okno.close();
  EXPECT_EQ(yes.pressed, "Tak");
  EXPECT_FALSE(okno.isVisible());
  EXPECT_TRUE(logika.przebieg.flagi().Przerwano);
  logika.przebieg.flagi().Przerwano = false;
}

TEST_F(OknoTest, DuringARunOnlyTheBreakActsAndEnterPressesIt) {
  zaladujTlumaczeniePolskie(*QCoreApplication::instance());
  okno.show();
  logika.ZaznaczBezZdarzenia("JST", true);
  logika.UstawStanPracy(true);
  for (const char* c : {"JST", "JB", "ExRxDBGrid1", "PanelListyTabel", "btnPorownaj", "btnZapiszPorownanie"})
    EXPECT_FALSE(okno.findChild<QWidget*>(c)->isEnabled()) << c;
  // A click that still reached the edition (from code) is undone: the run goes on in its edition.
  w<QRadioButton>("JB")->setChecked(true);
  logika.ZaznaczRadio("JB");
  EXPECT_TRUE(w<QRadioButton>("JST")->isChecked());
  EXPECT_EQ(logika.edycja, konw::Edycja::JST);

  for (const auto key : {Qt::Key_Return, Qt::Key_Space}) {
    BoxAnswer box;
    box.arm("Nie");
    w<QPushButton>("btnBreak")->setFocus();
    QTest::keyClick(w<QPushButton>("btnBreak"), key);
    EXPECT_EQ(box.text, "Czy przerwać konwersję danych?") << key;
  }
  logika.UstawStanPracy(false, true);
  for (const char* c : {"JST", "JB", "PanelListyTabel", "btnPorownaj"})
    EXPECT_TRUE(okno.findChild<QWidget*>(c)->isEnabled()) << c;
}

TEST_F(OknoTest, WindowStateForTheErrorLog) {
  okno.show();
  QApplication::setActiveWindow(&okno);
  w<QPushButton>("btnKonfig")->setFocus();
  StanOkien s = okno.stanOkien();
  EXPECT_EQ(s.forms, (std::vector<std::string>{"frmConvert"}));
  EXPECT_TRUE(s.modules.empty());
  EXPECT_EQ(s.activeControlLine, "Active control: btnKonfig (owner/parent: frmConvert)");
}

}  // namespace
}  // namespace konw
