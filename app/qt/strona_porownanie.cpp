// The comparison page and the parts of the window's Operator that the report needs.
#include "app/qt/strona_porownanie.h"

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "app/widok/projekt_okna.h"

namespace konw {

namespace {

QPushButton* przycisk(QWidget* page, const char* name, const char* text, int x, int w) {
  auto* b = new QPushButton(QString::fromUtf8(text), page);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(x, 374, w, 28);
  return b;
}

}  // namespace

void zbudujStronePorownanie(QWidget* page, std::function<TfrmConvert*()> logika) {
  auto* memo = new QPlainTextEdit(page);
  memo->setObjectName(
      QString::fromUtf8(projekt::kMemoStrony[static_cast<std::size_t>(Strona::Porownanie)].data()));
  memo->setGeometry(4, 4, 618, 364);
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto* porownaj = przycisk(page, "btnPorownaj", "Porównaj", 4, 120);
  auto* zWyjatkami = przycisk(page, "btnErrAllowPorow", "Porównaj zezwalając na wyjątki", 130, 240);
  auto* zapisz = przycisk(page, "btnZapiszPorownanie", "Zapisz wynik", 502, 120);
  QObject::connect(porownaj, &QPushButton::clicked, page, [logika] {
    if (TfrmConvert* l = logika()) l->PorownajBazy(false);
  });
  QObject::connect(zWyjatkami, &QPushButton::clicked, page, [logika] {
    if (TfrmConvert* l = logika()) l->PorownajBazy(true);
  });
  QObject::connect(zapisz, &QPushButton::clicked, page, [logika] {
    if (TfrmConvert* l = logika()) l->ZapiszPorownanie();
  });
}

QString filtrDialogu(const std::string& filter) {
  const QStringList czesci = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filtry;
  for (qsizetype i = 0; i + 1 < czesci.size(); i += 2)
    filtry << czesci[i] + QStringLiteral(" (") +
                  QString(czesci[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
  return filtry.join(QStringLiteral(";;"));
}

std::string OknoKonwersji::memoText(const std::string& memo) const {
  auto* m = qobject_cast<QPlainTextEdit*>(kontrolka(memo));
  if (!m) return {};
  return m->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
}

std::string OknoKonwersji::saveFileName(const std::string& proposedName, const std::string& defaultExtension,
                                        const std::string& filter) {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("sdSaveLog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filtrDialogu(filter));
  dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
  dialog.selectFile(QString::fromStdString(proposedName));
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace konw
