// The layout of the main window and the handlers of its controls.
#include "app/qt/okno_konwersji.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>

#include "app/konwersja.h"
#include "app/qt/podtabela.h"
#include "app/qt/strona_porownanie.h"
#include "app/widok/projekt_okna.h"
#include "control/konwersja_dm.h"

namespace konw {

namespace {

QString q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString podpis(std::string_view control) {
  for (const auto& p : projekt::kPodpisy)
    if (p.control == control) return q(p.caption);
  return {};
}

template <typename W>
W* utworz(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* widget = new W(parent);
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(x, y, w, h);
  return widget;
}

QLabel* etykieta(QWidget* parent, const char* name, int x, int y, int w, bool pogrubiona = false) {
  auto* l = utworz<QLabel>(parent, name, x, y, w, 17);
  l->setText(podpis(name));
  l->setTextFormat(Qt::PlainText);
  if (pogrubiona) {
    QFont f(QStringLiteral("Verdana"));
    f.setBold(true);
    f.setPointSize(8);
    l->setFont(f);
  }
  return l;
}

QPushButton* przycisk(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* b = utworz<QPushButton>(parent, name, x, y, w, h);
  b->setText(podpis(name));
  return b;
}

QWidget* strona(QTabWidget* tabs, const char* name) {
  auto* page = new QWidget(tabs);
  page->setObjectName(QString::fromLatin1(name));
  tabs->addTab(page, podpis(name));
  return page;
}

}  // namespace

OknoKonwersji::OknoKonwersji(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmConvert"));
  setWindowTitle(q(projekt::kTytulOkna));
  setFixedSize(632, 438);

  pageControl_ = utworz<QTabWidget>(this, "PageControl", 0, 0, 632, 438);
  zbudujStroneKonwersja(strona(pageControl_, "TabKonwersja"));
  zbudujStroneWyniki(strona(pageControl_, "TabSheetLogi"));
  zbudujStronePorownanie(strona(pageControl_, "tsPorownanie"), [this] { return logika_; });
  zbudujStroneOpcje(strona(pageControl_, "TabOpcje"));
  zbudujStroneListaTabel(
      strona(pageControl_, "tsListaTabel"), [this] { return dm(); }, [this] { wypelnijSiatke(); });

  akcjaZmienKonfig = [this] { logika_->ActionZmienKonfig(); };

  for (auto name : projekt::kUkryteKontrolki)
    if (QWidget* w = kontrolka(std::string(name))) w->setVisible(false);
  for (auto name : projekt::kUkryteZakladki) setTabVisible(std::string(name), false);
  pageControl_->setCurrentIndex(0);
}

OknoKonwersji::~OknoKonwersji() {
  while (kursory_ > 0) {
    QApplication::restoreOverrideCursor();
    --kursory_;
  }
}

void OknoKonwersji::zbudujStroneKonwersja(QWidget* page) {
  auto* konfig = utworz<QGroupBox>(page, "GroupBoxKonfiguracja", 6, 4, 612, 128);
  konfig->setTitle(podpis("GroupBoxKonfiguracja"));
  etykieta(konfig, "lblInterbase", 12, 20, 400);
  etykieta(konfig, "lblSciezkaInterbase", 12, 38, 500, true);
  etykieta(konfig, "lblParadox", 12, 60, 400);
  etykieta(konfig, "lblSciezkaParadoxa", 12, 78, 500, true);
  etykieta(konfig, "lblEtykieta", 12, 102, 260);
  // Up to the edition buttons: room for what stands there instead of a version number.
  etykieta(konfig, "lblWersjaPdx", 272, 102, 260, true);
  for (auto [name, y] : {std::pair{"JST", 18}, std::pair{"JB", 40}}) {
    auto* rb = utworz<QRadioButton>(konfig, name, 540, y, 60, 20);
    rb->setText(podpis(name));
    // Only the operator's click runs the handler, and only when the button becomes checked; the logic
    // sets the buttons without it.
    connect(rb, &QRadioButton::clicked, this, [this, n = std::string(name)] {
      if (logika_) logika_->ZaznaczRadio(n);
    });
  }

  auto* jednostka = utworz<QGroupBox>(page, "GroupBoxJednostka", 6, 136, 612, 112);
  jednostka->setTitle(podpis("GroupBoxJednostka"));
  etykieta(jednostka, "lblZwiazek", 12, 20, 110);
  etykieta(jednostka, "lblWoj", 12, 20, 110);
  etykieta(jednostka, "txtZwiazek", 124, 20, 470, true);
  etykieta(jednostka, "txtWoj", 124, 20, 470, true);
  etykieta(jednostka, "lblPow", 12, 42, 110);
  etykieta(jednostka, "txtPow", 124, 42, 470, true);
  etykieta(jednostka, "lblGm", 12, 64, 110);
  etykieta(jednostka, "txtGm", 124, 64, 470, true);
  etykieta(jednostka, "Label19", 12, 88, 110);
  etykieta(jednostka, "txtWk", 124, 88, 22, true);
  etykieta(jednostka, "txtPk", 146, 88, 22, true);
  etykieta(jednostka, "txtGk", 168, 88, 22, true);
  etykieta(jednostka, "txtGt", 190, 88, 16, true);
  QLabel* typ = etykieta(jednostka, "txtTypgminy", 300, 88, 296, true);
  typ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* paski = utworz<QWidget>(page, "PanelPaski", 6, 252, 612, 104);
  QLabel* czekaj = etykieta(paski, "lblCzekaj", 0, 2, 612);
  czekaj->setGeometry(0, 2, 612, 26);
  QFont duza = czekaj->font();
  duza.setPointSize(14);
  duza.setBold(true);
  czekaj->setFont(duza);
  czekaj->setAlignment(Qt::AlignCenter);
  etykieta(paski, "lblTabela", 8, 34, 50);
  etykieta(paski, "lblNazwaTabeli", 60, 34, 540, true);
  for (std::size_t i = 0; i < paski_.size(); ++i) {
    auto* bar =
        utworz<QProgressBar>(paski, projekt::kPaski[i].data(), 8, 56 + 24 * static_cast<int>(i), 400, 18);
    bar->setRange(0, 100);
    bar->setValue(0);
    paski_[i].bar = bar;
  }
  // Beside the bars: the table's rows, the rate and the time left, on two lines.
  postepTabeli_ = etykieta(paski, "lblPostepTabeli", 416, 54, 192);
  postepTabeli_->setGeometry(416, 54, 192, 46);
  postepTabeli_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto* przyciski = utworz<QWidget>(page, "PanelKonwersja", 6, 362, 612, 40);
  auto* konfigBtn = przycisk(przyciski, "btnKonfig", 0, 6, 240, 28);
  auto* konwert = przycisk(przyciski, "btnKonwert", 248, 6, 260, 28);
  auto* przerwij = przycisk(przyciski, "btnBreak", 248, 6, 260, 28);
  // Enter presses it as the space bar does (a button outside a dialog takes Enter only so).
  przerwij->setAutoDefault(true);
  auto* zamknij = przycisk(przyciski, "btnClose", 516, 6, 96, 28);
  connect(konwert, &QPushButton::clicked, this, [this] {
    if (logika_ && akcjaKonwertuj) akcjaKonwertuj();
  });
  connect(przerwij, &QPushButton::clicked, this, [this] {
    if (logika_) logika_->PotwierdzPrzerwanie();
  });
  connect(konfigBtn, &QPushButton::clicked, this, [this] {
    if (logika_ && akcjaZmienKonfig) akcjaZmienKonfig();
  });
  connect(zamknij, &QPushButton::clicked, this, &QWidget::close);
}

void OknoKonwersji::zbudujStroneWyniki(QWidget* page) {
  auto* logi = utworz<QTabWidget>(page, "PageControlLogi", 4, 4, 618, 364);
  zbudujPodsumowanie(strona(logi, "TabSheetPodsumowanie"));
  const char* strony[] = {"TabSheetOgolny", "TabSheetDodatInfo", "TabSheetBledy", "TabSheetBledyKryt"};
  for (std::size_t i = 0; i < 4; ++i) {
    QWidget* s = strona(logi, strony[i]);
    auto* memo = utworz<QPlainTextEdit>(s, projekt::kMemoStrony[i].data(), 2, 2, 608, 330);
    memo->setReadOnly(i == 0);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  }
  auto* zamknij = przycisk(page, "btnZamknijWyniki", 526, 374, 96, 28);
  connect(zamknij, &QPushButton::clicked, this, &QWidget::close);
}

void OknoKonwersji::zbudujPodsumowanie(QWidget* page) {
  auto* lista = utworz<QTableWidget>(page, "sgPodsumowanie", 2, 2, 608, 184);
  lista->setColumnCount(static_cast<int>(projekt::kKolumnyPodsumowania.size()));
  QStringList naglowki;
  for (auto k : projekt::kKolumnyPodsumowania) naglowki << q(k);
  lista->setHorizontalHeaderLabels(naglowki);
  lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lista->setSelectionBehavior(QAbstractItemView::SelectRows);
  lista->setSelectionMode(QAbstractItemView::SingleSelection);
  lista->verticalHeader()->setVisible(false);
  lista->verticalHeader()->setDefaultSectionSize(20);
  int kolumna = 0;
  for (int szerokosc : {16, 122, 226, 64, 104}) lista->setColumnWidth(kolumna++, szerokosc);
  lista->horizontalHeader()->setStretchLastSection(true);
  connect(lista, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int, int) { WybierzTabelePodsumowania(row); });

  auto* sekcja = utworz<QPlainTextEdit>(page, "mSekcjaTabeli", 2, 190, 608, 142);
  sekcja->setReadOnly(true);
  sekcja->setLineWrapMode(QPlainTextEdit::NoWrap);
}

void OknoKonwersji::zbudujStroneOpcje(QWidget* page) {
  auto* grupa = utworz<QGroupBox>(page, "RadioGroup1", 6, 6, 236, 160);
  grupa->setTitle(podpis("RadioGroup1"));
  auto* przyciski = new QButtonGroup(grupa);
  for (std::size_t i = 0; i < projekt::kRodzajeKonwersji.size(); ++i) {
    auto* rb = new QRadioButton(q(projekt::kRodzajeKonwersji[i]), grupa);
    rb->setObjectName(QStringLiteral("RadioGroup1_%1").arg(i));
    rb->setGeometry(10, 22 + static_cast<int>(i) * 26, 220, 22);
    przyciski->addButton(rb, static_cast<int>(i));
  }
  przyciski->button(0)->setChecked(true);
  connect(przyciski, &QButtonGroup::idClicked, this, [this](int id) {
    if (logika_) logika_->RadioGroup1Click(id);
  });

  siatka_ = utworz<QTableWidget>(page, "ExRxDBGrid1", 248, 6, 374, 396);
  siatka_->setColumnCount(5);
  siatka_->setHorizontalHeaderLabels({QStringLiteral("KONWERTOWANA?"), QStringLiteral("TABELA"),
                                      QStringLiteral("TABELA IBASE"), QStringLiteral("SLOWNIK"),
                                      QStringLiteral("DIZEZ")});
  siatka_->setAlternatingRowColors(true);
  siatka_->setSelectionBehavior(QAbstractItemView::SelectRows);
  siatka_->setSelectionMode(QAbstractItemView::SingleSelection);
  siatka_->verticalHeader()->setDefaultSectionSize(20);
  siatka_->installEventFilter(this);
  connect(siatka_, &QTableWidget::cellChanged, this, &OknoKonwersji::zaznaczenieWSiatce);
  connect(siatka_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int, int) { wierszSiatki(row); });
}

void OknoKonwersji::przygotujDoPokazania() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = screen->availableGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  if (QWidget* b = kontrolka("btnKonfig")) b->setFocus();
}

void OknoKonwersji::closeEvent(QCloseEvent* event) {
  if (logika_ && !logika_->FormClose()) {
    event->ignore();
    return;
  }
  event->accept();
}

bool OknoKonwersji::eventFilter(QObject* watched, QEvent* event) {
  if (watched == siatka_ && event->type() == QEvent::KeyPress && logika_) {
    auto* key = static_cast<QKeyEvent*>(event);
    TfrmConvert::Klawisz k = TfrmConvert::Klawisz::Other;
    if (key->key() == Qt::Key_Insert) k = TfrmConvert::Klawisz::Insert;
    if (key->key() == Qt::Key_Delete) k = TfrmConvert::Klawisz::Delete;
    if (key->key() == Qt::Key_Down) k = TfrmConvert::Klawisz::Down;
    const bool ctrlOnly = (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
    if (k != TfrmConvert::Klawisz::Other && logika_->ExRxDBGrid1KeyDown(k, ctrlOnly)) return true;
  }
  return QWidget::eventFilter(watched, event);
}

TdmKonw* OknoKonwersji::dm() const {
  return logika_ ? logika_->dm() : nullptr;
}

void OknoKonwersji::wypelnijSiatke() {
  if (!siatka_ || listaWUzyciu()) return;
  wypelnianie_ = true;
  siatka_->setRowCount(0);
  zakladkiWierszy_.clear();
  try {
    if (TdmKonw* dm = this->dm(); dm && dm->tblLista.active()) {
      db::Table& t = dm->tblLista;
      const auto powrot = t.isEmpty() ? -1 : t.bookmark();
      int biezacy = 0;
      for (t.first(); !t.eof(); t.next()) {
        const int row = siatka_->rowCount();
        siatka_->insertRow(row);
        zakladkiWierszy_.push_back(t.bookmark());
        if (t.bookmark() == powrot) biezacy = row;
        auto* konw = new QTableWidgetItem();
        konw->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        konw->setCheckState(t.fieldByName("KONWERTOWANA").asBoolean() ? Qt::Checked : Qt::Unchecked);
        siatka_->setItem(row, 0, konw);
        int col = 1;
        for (const char* pole : {"TABELA", "TABELA_IB", "SLOWNIK", "DIZEZ"}) {
          db::Field* f = t.findField(pole);
          auto* item = new QTableWidgetItem(f ? QString::fromStdString(f->asString()) : QString());
          item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
          siatka_->setItem(row, col++, item);
        }
      }
      if (powrot >= 0) t.gotoBookmark(powrot);
      if (siatka_->rowCount() > 0)
        siatka_->setCurrentCell(biezacy, siatka_->currentColumn() < 0 ? 0 : siatka_->currentColumn());
    }
  } catch (...) {
    wypelnianie_ = false;
    throw;
  }
  wypelnianie_ = false;
}

bool OknoKonwersji::listaWUzyciu() const {
  return logika_ && (logika_->WTrakcieKonwersji() || logika_->PorownanieTrwa);
}

void OknoKonwersji::wierszSiatki(int row) {
  // ListaTabel's current row is the run's own walk.
  if (wypelnianie_ || listaWUzyciu() || !dm() || row < 0 || row >= static_cast<int>(zakladkiWierszy_.size()))
    return;
  if (dm()->tblLista.active()) dm()->tblLista.gotoBookmark(zakladkiWierszy_[static_cast<std::size_t>(row)]);
}

void OknoKonwersji::zaznaczenieWSiatce(int row, int column) {
  if (wypelnianie_ || listaWUzyciu() || column != 0 || !dm() || row < 0 ||
      row >= static_cast<int>(zakladkiWierszy_.size()))
    return;
  db::Table& t = dm()->tblLista;
  if (!t.active()) return;
  t.gotoBookmark(zakladkiWierszy_[static_cast<std::size_t>(row)]);
  t.edit();
  t.fieldByName("KONWERTOWANA").setAsBoolean(siatka_->item(row, 0)->checkState() == Qt::Checked);
  t.post();
}

}  // namespace konw
