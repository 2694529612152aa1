// The Operator of the main window: controls found by their object names.
#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <algorithm>
#include <functional>

#include "app/qt/okno_konwersji.h"
#include "app/widok/projekt_okna.h"
#include "control/konwersja_dm.h"

namespace konw {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

// The operator's texts use CR LF; the widgets break lines at LF.
QString tekst(const std::string& s) {
  QString t = q(s);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return t;
}

QMessageBox::StandardButton przyciskQt(Button b) {
  switch (b) {
    case kOk:
      return QMessageBox::Ok;
    case kCancel:
      return QMessageBox::Cancel;
    case kYes:
      return QMessageBox::Yes;
    case kNo:
      return QMessageBox::No;
    case kNone:
      break;
  }
  return QMessageBox::NoButton;
}

// What stays live while the window is inert, besides the page tabs: the break button and the text pages,
// which are only read.
constexpr const char* kZyweWPracy[] = {"btnBreak", "mKomunikaty", "mKomInf",
                                       "mKomBl",   "mKomBlKr",    "mPorownanie"};

bool zywy(const QWidget* w) {
  if (auto* bar = qobject_cast<const QTabBar*>(w))
    return qobject_cast<const QTabWidget*>(bar->parentWidget());
  for (const char* n : kZyweWPracy)
    if (w->objectName() == QLatin1String(n)) return true;
  return false;
}

// A widget that only holds others (the walk goes into it) or only shows something (left alone).
bool pojemnik(const QWidget* w) {
  const QMetaObject* m = w->metaObject();
  if (m == &QWidget::staticMetaObject || m == &QFrame::staticMetaObject ||
      m == &QStackedWidget::staticMetaObject || m == &QTabWidget::staticMetaObject)
    return true;
  if (m == &QGroupBox::staticMetaObject) return !static_cast<const QGroupBox*>(w)->isCheckable();
  return false;
}

bool tylkoPokazuje(const QWidget* w) {
  if (qobject_cast<const QProgressBar*>(w)) return true;
  if (auto* l = qobject_cast<const QLabel*>(w))
    return !l->openExternalLinks() &&
           (l->textFormat() == Qt::PlainText ||
            !(l->textInteractionFlags() & (Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard)));
  return false;
}

bool zawieraZywy(const QWidget* w) {
  for (const QWidget* c : w->findChildren<QWidget*>())
    if (!c->isWindow() && zywy(c)) return true;
  return false;
}

}  // namespace

bool OknoKonwersji::zywyWPracy(const QWidget* w) {
  for (; w && !w->isWindow(); w = w->parentWidget())
    if (zywy(w)) return true;
  return false;
}

void OknoKonwersji::setInert(bool on) {
  if (!on) {
    bezwladne_ = false;
    for (auto& [w, stan] : wstrzymane_)
      if (w) w->setEnabled(stan);
    wstrzymane_.clear();
    return;
  }
  if (bezwladne_) return;
  bezwladne_ = true;
  // Every widget of the window, own windows (dialogs, boxes) apart: the live ones and what only shows
  // are left, what holds a live one or only holds others is gone into, everything else is held off.
  std::function<void(QWidget*)> przejdz = [&](QWidget* rodzic) {
    for (QObject* o : rodzic->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (!w || w->isWindow() || zywy(w) || tylkoPokazuje(w)) continue;
      if (pojemnik(w) || zawieraZywy(w)) {
        przejdz(w);
        continue;
      }
      wstrzymane_.emplace_back(w, !w->testAttribute(Qt::WA_ForceDisabled));
      w->setEnabled(false);
    }
  };
  przejdz(this);
}

QWidget* OknoKonwersji::kontrolka(const std::string& name) const {
  const QString n = q(name);
  if (objectName() == n) return const_cast<OknoKonwersji*>(this);
  return findChild<QWidget*>(n);
}

QTabWidget* OknoKonwersji::zakladkiStrony(QWidget* page) const {
  if (!page) return nullptr;
  // A page sits in the tab widget's stack.
  if (auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget()))
    return qobject_cast<QTabWidget*>(stack->parentWidget());
  return nullptr;
}

Button OknoKonwersji::messageBox(MsgKind kind, const std::string& caption, const std::string& text,
                                 unsigned buttons, Button defaultButton) {
  if (odpowiadajBezPytania) return (buttons & kYes) ? kYes : defaultButton != kNone ? defaultButton : kOk;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (kind) {
    case MsgKind::Error:
      icon = QMessageBox::Critical;
      break;
    case MsgKind::Warning:
      icon = QMessageBox::Warning;
      break;
    case MsgKind::Information:
      icon = QMessageBox::Information;
      break;
    case MsgKind::Question:
      icon = QMessageBox::Question;
      break;
  }
  QMessageBox box(icon, q(caption), tekst(text), QMessageBox::NoButton, isVisible() ? this : nullptr);
  box.setObjectName(QStringLiteral("MessageBox"));
  for (Button b : {kYes, kNo, kOk, kCancel})
    if (buttons & b) box.addButton(przyciskQt(b));
  if (defaultButton != kNone) box.setDefaultButton(przyciskQt(defaultButton));
  // Closing the box with Escape or its title bar answers Cancel, else No, else OK, as a system box does.
  if (buttons & kCancel)
    box.setEscapeButton(QMessageBox::Cancel);
  else if (buttons & kNo)
    box.setEscapeButton(QMessageBox::No);
  else if (buttons & kOk)
    box.setEscapeButton(QMessageBox::Ok);
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return kOk;
    case QMessageBox::Cancel:
      return kCancel;
    case QMessageBox::Yes:
      return kYes;
    case QMessageBox::No:
      return kNo;
    default:
      break;
  }
  return (buttons & kCancel) ? kCancel : (buttons & kNo) ? kNo : kOk;
}

void OknoKonwersji::showWaiting(const std::string& opis) {
  if (opis.empty()) {
    oczekiwanie_.reset();
    return;
  }
  if (!oczekiwanie_) {
    oczekiwanie_ = std::make_unique<QLabel>(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    oczekiwanie_->setObjectName(QStringLiteral("lblOczekiwanie"));
    oczekiwanie_->setFrameStyle(QFrame::Box | QFrame::Plain);
    oczekiwanie_->setMargin(16);
    oczekiwanie_->setWindowTitle(QString::fromUtf8(kApplicationTitle));
  }
  oczekiwanie_->setText(tekst(opis));
  oczekiwanie_->adjustSize();
  oczekiwanie_->show();
  oczekiwanie_->raise();
  // Painted now: what follows waits for the server without pumping events.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void OknoKonwersji::processMessages() {
  if (zegar_.isValid() && zegar_.elapsed() < kOdstepPompowania) return;
  pokazPaski();
  QCoreApplication::processEvents();
  zegar_.start();
}

void OknoKonwersji::pokazPaski() {
  for (const StanPaska& p : paski_) {
    if (p.bar->minimum() != p.min || p.bar->maximum() != p.max) p.bar->setRange(p.min, p.max);
    p.bar->setValue(p.pos);
  }
  if (postepTabeli_) postepTabeli_->setText(tekst(opisPostepuTabeli()));
}

OknoKonwersji::StanPaska* OknoKonwersji::pasek(const std::string& name) {
  for (std::size_t i = 0; i < paski_.size(); ++i)
    if (projekt::kPaski[i] == name) return &paski_[i];
  return nullptr;
}

const OknoKonwersji::StanPaska* OknoKonwersji::pasek(const std::string& name) const {
  return const_cast<OknoKonwersji*>(this)->pasek(name);
}

void OknoKonwersji::setBar(Pasek which, int position, int max) {
  zanotujPasek(which, position, max);
  StanPaska& p = paski_[static_cast<std::size_t>(which)];
  p.min = 0;
  p.max = max;
  p.pos = position;
  // A new table: shown at once, with its label.
  zegar_.invalidate();
}

void OknoKonwersji::stepBar(Pasek which) {
  zanotujKrok(which);
  StanPaska& p = paski_[static_cast<std::size_t>(which)];
  // A step past the end starts again from the beginning.
  p.pos = p.pos + 1 > p.max ? p.min : p.pos + 1;
}

void OknoKonwersji::showRunEnded() {
  pokazPaski();
  OknoWgNazw::showRunEnded();
}

void OknoKonwersji::setBusyCursor(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++kursory_;
  } else if (kursory_ > 0) {
    QApplication::restoreOverrideCursor();
    --kursory_;
  }
}

void OknoKonwersji::setCaption(const std::string& control, const std::string& text) {
  QWidget* w = kontrolka(control);
  if (!w) return;
  if (w == this) {
    setWindowTitle(q(text));
  } else if (QTabWidget* tabs = zakladkiStrony(w)) {
    tabs->setTabText(tabs->indexOf(w), q(text));
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(q(text));
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(q(text));
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(q(text));
  }
}

std::string OknoKonwersji::caption(const std::string& control) const {
  QWidget* w = kontrolka(control);
  if (!w) return {};
  if (w == this) return windowTitle().toStdString();
  if (QTabWidget* tabs = zakladkiStrony(w)) return tabs->tabText(tabs->indexOf(w)).toStdString();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title().toStdString();
  return {};
}

void OknoKonwersji::setVisible(const std::string& control, bool visible) {
  QWidget* w = kontrolka(control);
  // Pages come and go with their tabs; the window itself is shown by the program's entry.
  if (!w || w == this || zakladkiStrony(w)) return;
  w->setVisible(visible);
}

bool OknoKonwersji::visible(const std::string& control) const {
  QWidget* w = kontrolka(control);
  if (!w) return false;
  if (w == this) return isVisible();
  if (QTabWidget* tabs = zakladkiStrony(w)) return tabs->isTabVisible(tabs->indexOf(w));
  // The control's own setting, whatever page happens to be in front.
  return !w->isHidden();
}

void OknoKonwersji::setEnabled(const std::string& control, bool enabled) {
  QWidget* w = kontrolka(control);
  if (!w) return;
  if (bezwladne_) {
    for (auto& [k, stan] : wstrzymane_)
      if (k == w) {
        stan = enabled;  // given back when the switch goes off
        return;
      }
    // A control the switch found already off is kept off too.
    if (enabled && w != this && !zywy(w) && !tylkoPokazuje(w) && !pojemnik(w) && !zawieraZywy(w)) {
      wstrzymane_.emplace_back(w, true);
      return;
    }
  }
  w->setEnabled(enabled);
}

bool OknoKonwersji::enabled(const std::string& control) const {
  QWidget* w = kontrolka(control);
  return w && !w->testAttribute(Qt::WA_ForceDisabled);
}

void OknoKonwersji::setFocus(const std::string& control) {
  if (QWidget* w = kontrolka(control)) w->setFocus();
}

void OknoKonwersji::setChecked(const std::string& control, bool checked) {
  auto* b = qobject_cast<QAbstractButton*>(kontrolka(control));
  if (!b) return;
  if (checked) {
    b->setChecked(true);  // an exclusive button clears its neighbours itself
    return;
  }
  // An exclusive button cannot be unchecked directly; the logic may leave both editions unchecked.
  const bool exclusive = b->autoExclusive();
  b->setAutoExclusive(false);
  b->setChecked(false);
  b->setAutoExclusive(exclusive);
}

bool OknoKonwersji::checked(const std::string& control) const {
  auto* b = qobject_cast<QAbstractButton*>(kontrolka(control));
  return b && b->isChecked();
}

void OknoKonwersji::setTabVisible(const std::string& page, bool visible) {
  QWidget* w = kontrolka(page);
  if (QTabWidget* tabs = zakladkiStrony(w)) tabs->setTabVisible(tabs->indexOf(w), visible);
}

bool OknoKonwersji::tabVisible(const std::string& page) const {
  QWidget* w = kontrolka(page);
  QTabWidget* tabs = zakladkiStrony(w);
  return tabs && tabs->isTabVisible(tabs->indexOf(w));
}

void OknoKonwersji::setActivePage(const std::string& page) {
  QWidget* w = kontrolka(page);
  if (QTabWidget* tabs = zakladkiStrony(w)) tabs->setCurrentWidget(w);
}

std::string OknoKonwersji::activePage() const {
  QWidget* w = pageControl_ ? pageControl_->currentWidget() : nullptr;
  return w ? w->objectName().toStdString() : std::string();
}

void OknoKonwersji::appendMemo(const std::string& memo, const std::string& text) {
  if (auto* m = qobject_cast<QPlainTextEdit*>(kontrolka(memo))) m->appendPlainText(tekst(text));
}

void OknoKonwersji::setProgressRange(const std::string& bar, int min, int max) {
  if (StanPaska* p = pasek(bar)) {
    p->min = min;
    p->max = max;
    p->pos = std::clamp(p->pos, min, std::max(min, max));
    pokazPaski();
  }
}

void OknoKonwersji::setProgressPosition(const std::string& bar, int position) {
  if (StanPaska* p = pasek(bar)) {
    p->pos = std::clamp(position, p->min, std::max(p->min, p->max));
    pokazPaski();
  }
}

int OknoKonwersji::progressPosition(const std::string& bar) const {
  const StanPaska* p = pasek(bar);
  return p ? p->pos : 0;
}

void OknoKonwersji::stepProgress(const std::string& bar) {
  if (StanPaska* p = pasek(bar)) {
    p->pos = p->pos + 1 > p->max ? p->min : p->pos + 1;
    pokazPaski();
  }
}

void OknoKonwersji::refreshGrid(const std::string& grid) {
  if (grid == "ExRxDBGrid1") wypelnijSiatke();
}

void OknoKonwersji::setListRows(const std::string& list, const std::vector<std::vector<std::string>>& rows,
                                const std::vector<bool>& oznaczone) {
  auto* t = qobject_cast<QTableWidget*>(kontrolka(list));
  if (!t) return;
  t->setRowCount(0);
  t->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const bool oznaczony = r < oznaczone.size() && oznaczone[r];
    for (std::size_t c = 0; c < rows[r].size() && static_cast<int>(c) < t->columnCount(); ++c) {
      auto* item = new QTableWidgetItem(q(rows[r][c]));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      item->setToolTip(item->text());  // a cell too narrow for its text
      if (oznaczony) {
        // A problem table stands out: bold on a light red ground.
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
        item->setBackground(QColor(255, 214, 214));
        item->setForeground(QColor(128, 0, 0));
      }
      t->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  if (!rows.empty()) t->setCurrentCell(0, 1);
}

void OknoKonwersji::setMemoText(const std::string& memo, const std::string& text) {
  if (auto* m = qobject_cast<QPlainTextEdit*>(kontrolka(memo))) m->setPlainText(tekst(text));
}

void OknoKonwersji::beep() {
  QApplication::beep();
}

void OknoKonwersji::restoreWindow() {
  if (isMinimized()) showNormal();
}

StanOkien OknoKonwersji::stanOkien() const {
  StanOkien s;
  s.forms.push_back(objectName().toStdString());
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->objectName().startsWith(QLatin1String("frm")))
      s.forms.push_back(w->objectName().toStdString());
  if (dm()) s.modules.emplace_back("dmKonw");

  QWidget* focus = QApplication::focusWidget();
  // Inner parts of a control (a tab bar, an editor's viewport) carry no name: report the named control.
  while (focus && focus->objectName().isEmpty()) focus = focus->parentWidget();
  if (focus && focus != focus->window()) {
    QWidget* form = focus->window();
    s.activeControlLine = "Active control: " + focus->objectName().toStdString() +
                          " (owner/parent: " + form->objectName().toStdString() + ")";
  } else if (QWidget* active = QApplication::activeWindow()) {
    s.activeControlLine = "Active form: " + active->objectName().toStdString();
  }
  return s;
}

}  // namespace konw
