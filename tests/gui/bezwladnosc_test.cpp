// During a run every control of the window is inert except the break button, the page tabs and the text
// pages; every caption of every page fits its control.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <map>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"

namespace konw {
namespace {

class Bezwladnosc : public ::testing::Test {
 protected:
  Bezwladnosc() : logika(okno, {"JST", "ADVANCED"}, "/opt/k/konwersja") {
    okno.ustawLogike(&logika);
    okno.showAdvancedPages();
    logika.ZaznaczBezZdarzenia("JST", true);
  }
  // Every widget of the window (its own dialogs apart) with whether it is enabled.
  std::map<QWidget*, bool> stan() {
    std::map<QWidget*, bool> s;
    for (QWidget* w : okno.findChildren<QWidget*>())
      if (w->window() == &okno) s[w] = w->isEnabled();
    return s;
  }
  OknoKonwersji okno;
  TfrmConvert logika;
};

// Whether the widget can take the operator's input at all.
bool przyjmujeWejscie(const QWidget* w) {
  if (qobject_cast<const QLabel*>(w) || w->inherits("QProgressBar")) return false;
  const QMetaObject* m = w->metaObject();
  return !(m == &QWidget::staticMetaObject || m == &QFrame::staticMetaObject ||
           m == &QGroupBox::staticMetaObject || w->inherits("QStackedWidget") ||
           m == &QTabWidget::staticMetaObject);
}

TEST_F(Bezwladnosc, DuringARunOnlyTheBreakThePageTabsAndTheTextPagesAct) {
  okno.show();
  const auto przed = stan();
  logika.UstawStanPracy(true);

  // Every control that takes input and is still enabled is one of the live ones.
  for (auto [w, wlaczony] : stan())
    if (w->isEnabled() && przyjmujeWejscie(w)) {
      EXPECT_TRUE(OknoKonwersji::zywyWPracy(w))
          << w->objectName().toStdString() << " " << w->metaObject()->className();
    }
  EXPECT_TRUE(okno.findChild<QWidget*>("btnBreak")->isEnabled());
  EXPECT_TRUE(okno.findChild<QTabWidget*>("PageControl")->tabBar()->isEnabled());

  // The logic enabling a control meanwhile (the grid, on a kind that reached it) leaves it off.
  okno.allowTableChoice(true);
  EXPECT_FALSE(okno.findChild<QWidget*>("ExRxDBGrid1")->isEnabled());
  logika.RadioGroup1Click(4);
  EXPECT_EQ(logika.RodzajKonwersji, TRodzajKonwersji::Wszystko);

  // The operator clicks and types on every widget: only the break asks its question (answered No).
  int pytania = 0;
  QTimer odpowiedz;
  QObject::connect(&odpowiedz, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      ++pytania;
      if (QAbstractButton* nie = box->button(QMessageBox::No))
        nie->click();
      else
        box->close();
    } else if (QWidget* inny = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "a window opened: " << inny->objectName().toStdString();
      inny->close();
    }
  });
  odpowiedz.start(5);
  for (auto [w, wlaczony] : stan()) {
    if (!w->isVisible() || w->objectName() == "btnBreak") continue;
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    for (auto [klawisz, mod] :
         {std::pair{Qt::Key_Space, Qt::NoModifier}, std::pair{Qt::Key_End, Qt::ControlModifier},
          std::pair{Qt::Key_Down, Qt::NoModifier}})
      QTest::keyClick(w, klawisz, mod);
  }
  QTest::mouseClick(okno.findChild<QWidget*>("btnBreak"), Qt::LeftButton);
  odpowiedz.stop();
  EXPECT_EQ(pytania, 1);
  EXPECT_EQ(logika.RodzajKonwersji, TRodzajKonwersji::Wszystko);
  EXPECT_EQ(logika.edycja, Edycja::JST);
  EXPECT_FALSE(logika.przebieg.flagi().Przerwano);
  EXPECT_TRUE(logika.WTrakcieKonwersji());

  // Idle again, every control has the state it had, except the grid the chosen kind now leaves off.
  logika.UstawStanPracy(false, true);
  QWidget* siatka = okno.findChild<QWidget*>("ExRxDBGrid1");
  for (auto [w, wlaczony] : przed)
    if (w != siatka && !siatka->isAncestorOf(w)) {
      EXPECT_EQ(w->isEnabled(), wlaczony) << w->objectName().toStdString();
    }
}

TEST_F(Bezwladnosc, EveryCaptionOfEveryPageIsWhole) {
  okno.show();
  for (auto* strony : okno.findChildren<QTabWidget*>()) {
    strony->setTabVisible(strony->indexOf(strony->widget(0)), true);
    for (int i = 0; i < strony->count(); ++i) {
      strony->setTabVisible(i, true);
      strony->setCurrentIndex(i);
      QApplication::processEvents();
      for (QWidget* w : strony->widget(i)->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(strony->widget(i))) continue;
        int potrzeba = 0;
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty())
          potrzeba = l->sizeHint().width();
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
          potrzeba = b->sizeHint().width();
        else if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty())
          potrzeba = g->fontMetrics().horizontalAdvance(g->title()) + 16;
        if (!potrzeba) continue;
        EXPECT_LE(potrzeba, w->width()) << w->objectName().toStdString();
        // Inside its page, whatever holds it.
        const QRect naStronie(w->mapTo(strony->widget(i), QPoint(0, 0)), w->size());
        EXPECT_TRUE(strony->widget(i)->rect().contains(naStronie)) << w->objectName().toStdString();
      }
    }
  }
}

}  // namespace
}  // namespace konw
