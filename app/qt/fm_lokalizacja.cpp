// The layout of frmLokalizacja; what its controls mean is config/lokalizacja.cpp.
#include "app/qt/fm_lokalizacja.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "app/qt/okno_konwersji.h"
#include "config/lokalizacja.h"

namespace konw {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

QLabel* etykieta(QWidget* parent, const char* text, int x, int y) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setGeometry(x, y, 300, 16);
  l->setFont(QFont(QStringLiteral("Tahoma"), 8));
  return l;
}

QLineEdit* pole(QWidget* parent, const char* name, int x, int y, int w) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setGeometry(x, y, w, 22);
  e->setFont(QFont(QStringLiteral("Verdana"), 9));
  return e;
}

}  // namespace

FmLokalizacja::FmLokalizacja(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmLokalizacja"));
  setWindowTitle(QString::fromUtf8(TfrmLokalizacja::kTytul));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(568, 224);

  etykieta(this, "Położenie danych w formacie Paradox:", 12, 8);
  paradox_ = pole(this, "DEParadox", 12, 26, 520);
  auto* katalog = new QToolButton(this);
  katalog->setObjectName(QStringLiteral("DEParadoxPrzycisk"));
  katalog->setText(QStringLiteral("..."));
  katalog->setGeometry(534, 26, 22, 22);
  connect(katalog, &QToolButton::clicked, this, &FmLokalizacja::przegladajKatalog);

  auto* linia = new QFrame(this);
  linia->setFrameShape(QFrame::HLine);
  linia->setFrameShadow(QFrame::Sunken);
  linia->setGeometry(12, 58, 544, 4);

  etykieta(this, "Adres serwera Firebird: ", 12, 68);
  serwer_ = pole(this, "EdServer", 12, 86, 300);
  lokalnie_ = new QRadioButton(QStringLiteral("Lokalnie"), this);
  lokalnie_->setObjectName(QStringLiteral("rbLocal"));
  lokalnie_->setGeometry(330, 88, 100, 20);
  serwerRb_ = new QRadioButton(QStringLiteral("Serwer"), this);
  serwerRb_->setObjectName(QStringLiteral("rbServer"));
  serwerRb_->setGeometry(440, 88, 100, 20);
  auto* grupa = new QButtonGroup(this);
  grupa->addButton(lokalnie_);
  grupa->addButton(serwerRb_);

  etykieta(this, "Położenie danych w formacie Firebird:", 12, 118);
  plik_ = pole(this, "FEInterBase", 12, 136, 522);
  przyciskPliku_ = new QToolButton(this);
  przyciskPliku_->setObjectName(QStringLiteral("FEInterBasePrzycisk"));
  przyciskPliku_->setText(QStringLiteral("..."));
  connect(przyciskPliku_, &QToolButton::clicked, this, &FmLokalizacja::przegladajPlik);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setGeometry(384, 184, 80, 28);
  ok->setDefault(true);
  auto* anuluj = new QPushButton(QStringLiteral("Anuluj"), this);
  anuluj->setObjectName(QStringLiteral("btnCancel"));
  anuluj->setGeometry(476, 184, 80, 28);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(anuluj, &QPushButton::clicked, this, &QDialog::reject);

  connect(lokalnie_, &QRadioButton::toggled, this, [this](bool on) {
    if (on && stan_ && !odswiezanie_) {
      stan_->ZaznaczLokalnie();
      odswiez();
    }
  });
  connect(serwerRb_, &QRadioButton::toggled, this, [this](bool on) {
    if (on && stan_ && !odswiezanie_) {
      stan_->ZaznaczSerwer();
      odswiez();
    }
  });
  connect(paradox_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (stan_) stan_->DEParadox = t.toStdString();
  });
  connect(serwer_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (stan_) stan_->EdServer = t.toStdString();
  });
  connect(plik_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (stan_) stan_->setFEInterBaseText(t.toStdString());
  });

  setTabOrder(paradox_, serwer_);
  setTabOrder(serwer_, lokalnie_);
  setTabOrder(lokalnie_, serwerRb_);
  setTabOrder(serwerRb_, plik_);
  setTabOrder(plik_, ok);
  setTabOrder(ok, anuluj);
}

void FmLokalizacja::odswiez() {
  if (!stan_) return;
  odswiezanie_ = true;
  paradox_->setText(q(stan_->DEParadox));
  serwer_->setText(q(stan_->EdServer));
  serwer_->setEnabled(stan_->EdServerEnabled);
  plik_->setText(q(stan_->FEInterBaseText()));
  if (stan_->rbLocalChecked()) lokalnie_->setChecked(true);
  if (stan_->rbServerChecked()) serwerRb_->setChecked(true);
  const int szerokosc = stan_->FEInterBaseButtonWidth;
  przyciskPliku_->setVisible(szerokosc > 0);
  plik_->setGeometry(12, 136, 544 - szerokosc, 22);
  przyciskPliku_->setGeometry(556 - szerokosc, 136, szerokosc, 22);
  odswiezanie_ = false;
}

bool FmLokalizacja::pokaz(TfrmLokalizacja& stan) {
  stan_ = &stan;
  odswiez();
  paradox_->setFocus();
  const bool ok = exec() == QDialog::Accepted;
  stan_ = nullptr;
  return ok;
}

void FmLokalizacja::przegladajKatalog() {
  if (!stan_) return;
  const QString katalog = QFileDialog::getExistingDirectory(this, QString(), paradox_->text());
  if (katalog.isEmpty()) return;
  stan_->DEParadox = katalog.toStdString();
  paradox_->setText(katalog);
}

void FmLokalizacja::przegladajPlik() {
  if (!stan_ || !stan_->FEInterBaseBeforeDialog()) return;
  const QString plik = QFileDialog::getOpenFileName(
      this, QString::fromUtf8(TfrmLokalizacja::kTytulWyboruPliku), q(stan_->FileName()));
  if (plik.isEmpty()) return;
  stan_->setFileName(plik.toStdString());
  plik_->setText(q(stan_->FEInterBaseText()));
}

bool OknoKonwersji::showLocationDialog(TfrmLokalizacja& dialog) {
  if (!frmLokalizacja_) frmLokalizacja_ = new FmLokalizacja(this);
  return static_cast<FmLokalizacja*>(frmLokalizacja_)->pokaz(dialog);
}

}  // namespace konw
