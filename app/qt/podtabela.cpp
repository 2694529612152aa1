// The control-table grids and the window TfrmPodTbl.
#include "app/qt/podtabela.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "control/konwersja_dm.h"
#include "db/engine.h"
#include "platform/operator.h"

namespace konw {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

// Rows in light grey and teal, the selected one in navy with white text.
void pomaluj(QTableView* v) {
  QPalette p = v->palette();
  p.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
  p.setColor(QPalette::AlternateBase, QColor(0x00, 0x80, 0x80));
  p.setColor(QPalette::Highlight, QColor(0x00, 0x00, 0x80));
  p.setColor(QPalette::HighlightedText, Qt::white);
  v->setPalette(p);
  v->setAlternatingRowColors(true);
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  v->setSelectionMode(QAbstractItemView::SingleSelection);
  v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  v->verticalHeader()->setDefaultSectionSize(20);
}

QToolButton* przyciskNawigatora(QWidget* parent, QHBoxLayout* uklad, const char* name, const char* text,
                                const char* podpowiedz) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(QString::fromUtf8(text));
  b->setToolTip(QString::fromUtf8(podpowiedz));
  uklad->addWidget(b);
  return b;
}

bool potwierdzUsuniecie(QWidget* parent) {
  return QMessageBox::question(parent, QString::fromUtf8("Potwierdzenie"),
                               QString::fromUtf8("Usunąć rekord?"), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

// The page "Lista tabel": built once the control tables are open (the first time the page shows).
class PanelListyTabel : public QWidget {
 public:
  PanelListyTabel(QWidget* page, std::function<TdmKonw*()> dm, std::function<void()> poZmianieListy)
      : QWidget(page), dm_(std::move(dm)), poZmianieListy_(std::move(poZmianieListy)) {
    setObjectName(QStringLiteral("PanelListyTabel"));
    auto* uklad = new QVBoxLayout(this);
    uklad->setContentsMargins(4, 4, 4, 4);
    siatka_ = new SiatkaWidok(this);
    siatka_->setObjectName(QStringLiteral("dbgListaTabel"));
    uklad->addWidget(siatka_);

    auto* dol = new QHBoxLayout();
    auto* nawigator = new QWidget(this);
    nawigator->setObjectName(QStringLiteral("DBNavigatorLista"));
    auto* n = new QHBoxLayout(nawigator);
    n->setContentsMargins(0, 0, 0, 0);
    n->setSpacing(0);
    connect(przyciskNawigatora(nawigator, n, "nbInsert", "+", "Wstaw"), &QToolButton::clicked, this, [this] {
      if (!model_) return;
      siatka_->zakonczEdycje(true);
      siatka_->wybierz(model_->dodaj());
    });
    connect(przyciskNawigatora(nawigator, n, "nbDelete", "-", "Usuń"), &QToolButton::clicked, this, [this] {
      const int w = siatka_->currentIndex().row();
      if (!model_ || w < 0 || !potwierdzUsuniecie(this)) return;
      siatka_->zakonczEdycje(false);
      model_->usun(w);
      siatka_->wybierz(std::min(w, model_->rowCount() - 1));
      if (poZmianieListy_) poZmianieListy_();
    });
    connect(przyciskNawigatora(nawigator, n, "nbPost", "\u2713", "Zapisz"), &QToolButton::clicked, this,
            [this] {
              siatka_->zakonczEdycje(true);
              siatka_->zatwierdzWstawiany();
            });
    connect(przyciskNawigatora(nawigator, n, "nbCancel", "\u2717", "Anuluj"), &QToolButton::clicked, this,
            [this] {
              siatka_->zakonczEdycje(false);
              siatka_->anulujWstawiany();
            });
    dol->addWidget(nawigator);
    dol->addStretch();
    for (const PrzyciskPodtabeli& p : kPrzyciskiPodtabel) {
      auto* b = new QPushButton(QString::fromUtf8(p.tekst), this);
      b->setObjectName(QString::fromLatin1(p.przycisk));
      dol->addWidget(b);
      connect(b, &QPushButton::clicked, this, [this, p] {
        TdmKonw* dm = dm_();
        if (!dm) return;
        siatka_->zakonczEdycje(true);
        PokazPodtabele(window(), *dm, &(dm->*p.tabela), p.podpis, p.szczegolowa);
      });
    }
    uklad->addLayout(dol);
  }

 protected:
  void showEvent(QShowEvent* event) override {
    QWidget::showEvent(event);
    odswiez();
  }

 private:
  // The list as it is now: the comparison and the conversion move its current row.
  void odswiez() {
    TdmKonw* dm = dm_();
    if (!dm || !dm->tblLista.active()) return;
    if (!model_) {
      model_ = new ModelTabeli(dm->tblLista, kKolumnyListyTabel, 0, this);
      siatka_->setModel(model_);
      // The conversion kind's grid shows TABELA and TABELA_IB too: it follows every stored change.
      connect(model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& od) {
        if (od.row() != model_->siatka().nowy() && poZmianieListy_) poZmianieListy_();
      });
      connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        if (poZmianieListy_) poZmianieListy_();
      });
      polaczSiatke(siatka_, model_);
    } else {
      model_->wczytaj();
    }
    siatka_->wybierz(model_->siatka().biezacy());
  }

  std::function<TdmKonw*()> dm_;
  std::function<void()> poZmianieListy_;
  SiatkaWidok* siatka_ = nullptr;
  ModelTabeli* model_ = nullptr;
};

}  // namespace

// ---------------------------------------------------------------- model

ModelTabeli::ModelTabeli(db::Table& tabela, std::vector<std::string> kolumny, int pominiete, QObject* parent)
    : QAbstractTableModel(parent), siatka_(tabela, std::move(kolumny), pominiete) {}

void ModelTabeli::wczytaj() {
  beginResetModel();
  siatka_.wczytaj();
  endResetModel();
}

int ModelTabeli::dodaj() {
  if (siatka_.nowy() >= 0) return siatka_.nowy();
  beginInsertRows({}, siatka_.wiersze(), siatka_.wiersze());
  const int w = siatka_.dodaj();
  endInsertRows();
  return w;
}

int ModelTabeli::zatwierdz() {
  if (siatka_.nowy() < 0) return -1;
  // Refused before anything changes: the rows stay as the view shows them.
  beginResetModel();
  int w = -1;
  try {
    w = siatka_.zatwierdz();
  } catch (...) {
    endResetModel();
    throw;
  }
  endResetModel();
  return w;
}

void ModelTabeli::anuluj() {
  const int w = siatka_.nowy();
  if (w < 0) return;
  beginRemoveRows({}, w, w);
  siatka_.anuluj();
  endRemoveRows();
}

void ModelTabeli::usun(int wiersz) {
  beginResetModel();
  try {
    siatka_.usun(wiersz);
  } catch (...) {
    endResetModel();
    throw;
  }
  endResetModel();
}

int ModelTabeli::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : siatka_.wiersze();
}

int ModelTabeli::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : siatka_.kolumny();
}

QVariant ModelTabeli::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (siatka_.logiczna(index.column())) {
    if (role == Qt::CheckStateRole) {
      const auto* b = std::get_if<bool>(&siatka_.wartosc(index.row(), index.column()));
      return (b && *b) ? Qt::Checked : Qt::Unchecked;
    }
    return {};
  }
  if (role == Qt::DisplayRole || role == Qt::EditRole) return q(siatka_.tekst(index.row(), index.column()));
  return {};
}

QVariant ModelTabeli::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return q(siatka_.naglowek(section));
  return {};
}

Qt::ItemFlags ModelTabeli::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  return f | (siatka_.logiczna(index.column()) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
}

bool ModelTabeli::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid()) return false;
  if (role == Qt::CheckStateRole && siatka_.logiczna(index.column()))
    siatka_.ustawLogiczna(index.row(), index.column(), value.toInt() == Qt::Checked);
  else if (role == Qt::EditRole && !siatka_.logiczna(index.column()))
    siatka_.ustaw(index.row(), index.column(), value.toString().toStdString());
  else
    return false;
  // Every row was read back after the post (the same rows, in the order the table keeps).
  emit dataChanged(this->index(0, 0), this->index(rowCount() - 1, columnCount() - 1));
  return true;
}

// ---------------------------------------------------------------- views

SiatkaWidok::SiatkaWidok(QWidget* parent) : QTableView(parent) {
  pomaluj(this);
}

void SiatkaWidok::zakonczEdycje(bool zatwierdz) {
  QWidget* edytor = QApplication::focusWidget();
  if (!edytor || state() != QAbstractItemView::EditingState || !viewport()->isAncestorOf(edytor)) return;
  if (zatwierdz) commitData(edytor);
  closeEditor(edytor, QAbstractItemDelegate::NoHint);
}

void SiatkaWidok::wybierz(int wiersz) {
  if (!model() || wiersz < 0 || wiersz >= model()->rowCount()) return;
  const int kolumna = currentIndex().isValid() ? currentIndex().column() : 0;
  setCurrentIndex(model()->index(wiersz, kolumna));
}

ModelTabeli* SiatkaWidok::modelTabeli() const {
  return qobject_cast<ModelTabeli*>(model());
}

bool SiatkaWidok::zatwierdzWstawiany() {
  ModelTabeli* m = modelTabeli();
  if (!m || m->siatka().nowy() < 0) return true;
  try {
    wybierz(m->zatwierdz());
    return true;
  } catch (const BrakKlucza& e) {
    wybierz(m->siatka().nowy());
    QMessageBox::warning(window(), QString::fromUtf8(kApplicationTitle), q(e.what()));
    return false;
  }
}

void SiatkaWidok::anulujWstawiany() {
  ModelTabeli* m = modelTabeli();
  if (!m || m->siatka().nowy() < 0) return;
  m->anuluj();
  wybierz(m->siatka().biezacy());
}

void SiatkaWidok::keyPressEvent(QKeyEvent* event) {
  ModelTabeli* m = modelTabeli();
  if (event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState && m &&
      m->siatka().nowy() >= 0) {
    anulujWstawiany();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void polaczSiatke(SiatkaWidok* widok, ModelTabeli* model) {
  QObject::connect(
      widok->selectionModel(), &QItemSelectionModel::currentRowChanged, widok,
      [widok, model](const QModelIndex& i, const QModelIndex& poprzedni) {
        if (i.isValid()) model->siatka().przejdz(i.row());
        // Leaving the row being inserted stores it, once the selection has settled.
        if (poprzedni.isValid() && poprzedni.row() == model->siatka().nowy() && i.row() != poprzedni.row())
          QMetaObject::invokeMethod(
              widok, [widok] { widok->zatwierdzWstawiany(); }, Qt::QueuedConnection);
      });
}

TfrmPodTbl::TfrmPodTbl(const WidokPodtabeli& widok, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmPodTbl"));
  setWindowTitle(q(widok.podpis));
  resize(518, 384);

  auto* uklad = new QVBoxLayout(this);
  dbg_ = new SiatkaWidok(this);
  dbg_->setObjectName(QStringLiteral("dbg"));
  uklad->addWidget(dbg_);
  if (widok.tabela) {
    model_ = std::make_unique<ModelTabeli>(*widok.tabela, std::vector<std::string>{}, widok.ukryteKolumny);
    dbg_->setModel(model_.get());
    polaczSiatke(dbg_, model_.get());
    dbg_->wybierz(0);
  }

  auto* panel = new QHBoxLayout();
  auto* nawigator = new QWidget(this);
  nawigator->setObjectName(QStringLiteral("DBNavigator1"));
  auto* n = new QHBoxLayout(nawigator);
  n->setContentsMargins(0, 0, 0, 0);
  n->setSpacing(0);
  auto przesun = [this](auto cel) {
    return [this, cel] {
      if (!model_ || model_->rowCount() == 0) return;
      dbg_->zakonczEdycje(true);
      dbg_->wybierz(std::clamp(cel(dbg_->currentIndex().row()), 0, model_->rowCount() - 1));
    };
  };
  connect(przyciskNawigatora(nawigator, n, "nbFirst", "|<", "Pierwszy"), &QToolButton::clicked, this,
          przesun([](int) { return 0; }));
  connect(przyciskNawigatora(nawigator, n, "nbPrior", "<", "Poprzedni"), &QToolButton::clicked, this,
          przesun([](int w) { return w - 1; }));
  connect(przyciskNawigatora(nawigator, n, "nbNext", ">", "Następny"), &QToolButton::clicked, this,
          przesun([](int w) { return w + 1; }));
  connect(przyciskNawigatora(nawigator, n, "nbLast", ">|", "Ostatni"), &QToolButton::clicked, this,
          przesun([](int) { return 1 << 30; }));
  connect(przyciskNawigatora(nawigator, n, "nbInsert", "+", "Wstaw"), &QToolButton::clicked, this, [this] {
    if (!model_) return;
    dbg_->zakonczEdycje(true);
    dbg_->wybierz(model_->dodaj());
  });
  connect(przyciskNawigatora(nawigator, n, "nbDelete", "-", "Usuń"), &QToolButton::clicked, this, [this] {
    const int w = dbg_->currentIndex().row();
    if (!model_ || w < 0 || !potwierdzUsuniecie(this)) return;
    dbg_->zakonczEdycje(false);
    model_->usun(w);
    dbg_->wybierz(std::min(w, model_->rowCount() - 1));
  });
  connect(przyciskNawigatora(nawigator, n, "nbEdit", "\u25B2", "Edytuj"), &QToolButton::clicked, this,
          [this] {
            if (model_ && dbg_->currentIndex().isValid()) dbg_->edit(dbg_->currentIndex());
          });
  connect(przyciskNawigatora(nawigator, n, "nbPost", "\u2713", "Zapisz"), &QToolButton::clicked, this,
          [this] {
            dbg_->zakonczEdycje(true);
            dbg_->zatwierdzWstawiany();
          });
  connect(przyciskNawigatora(nawigator, n, "nbCancel", "\u2717", "Anuluj"), &QToolButton::clicked, this,
          [this] {
            dbg_->zakonczEdycje(false);
            dbg_->anulujWstawiany();
          });
  connect(przyciskNawigatora(nawigator, n, "nbRefresh", "\u21BB", "Odśwież"), &QToolButton::clicked, this,
          [this] {
            if (!model_) return;
            dbg_->zakonczEdycje(true);
            const int w = dbg_->currentIndex().row();
            model_->wczytaj();
            dbg_->wybierz(std::min(w, model_->rowCount() - 1));
          });
  panel->addWidget(nawigator);
  panel->addStretch();
  auto* zamknij = new QPushButton(QStringLiteral("Zamknij"), this);
  zamknij->setObjectName(QStringLiteral("btnClose"));
  connect(zamknij, &QPushButton::clicked, this, &QDialog::accept);
  panel->addWidget(zamknij);
  uklad->addLayout(panel);
}

void TfrmPodTbl::done(int result) {
  dbg_->zakonczEdycje(true);
  if (!dbg_->zatwierdzWstawiany()) return;
  QDialog::done(result);
}

void PokazPodtabele(QWidget* parent, TdmKonw& dm, db::Table* tabela, const std::string& podpis,
                    bool szczegolowa) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::unique_ptr<TfrmPodTbl> okno;
  try {
    okno = std::make_unique<TfrmPodTbl>(PrzygotujPodtabele(dm, tabela, podpis, szczegolowa), parent);
  } catch (...) {
    QApplication::restoreOverrideCursor();
    throw;
  }
  QApplication::restoreOverrideCursor();
  if (parent) {
    const QRect ekran = parent->screen() ? parent->screen()->availableGeometry() : QRect();
    if (ekran.isValid()) okno->move(ekran.center() - QPoint(okno->width() / 2, okno->height() / 2));
  }
  okno->exec();
}

void zbudujStroneListaTabel(QWidget* page, std::function<TdmKonw*()> dm,
                            std::function<void()> poZmianieListy) {
  auto* uklad = new QVBoxLayout(page);
  uklad->setContentsMargins(0, 0, 0, 0);
  uklad->addWidget(new PanelListyTabel(page, std::move(dm), std::move(poZmianieListy)));
}

}  // namespace konw
