#include "app/qt/aplikacja.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "db/drivers.h"
#include "platform/signals.h"

namespace konw {

namespace {

bool wSiatce(QObject* receiver) {
  for (QObject* o = receiver; o; o = o->parent())
    if (o->objectName() == QLatin1String("ExRxDBGrid1")) return true;
  return false;
}

}  // namespace

Aplikacja::Aplikacja(int& argc, char** argv) : QApplication(argc, argv) {}

bool Aplikacja::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    if (obslugaWyjatku) obslugaWyjatku(std::current_exception(), wSiatce(receiver));
    return false;
  }
}

bool zaladujTlumaczeniePolskie(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator))
    return true;
  delete translator;
  return false;
}

int uruchomProgram(int argc, char** argv) {
  // Ctrl+C or SIGTERM ends the program at once, from its first moment on (also while start-up waits on an
  // unreachable server); the Firebird client is kept from shutting the connections down instead.
  sygnaly::install(sygnaly::Mode::Immediate);
  Aplikacja app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  zaladujTlumaczeniePolskie(app);
  db::registerBuiltinDrivers();

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]).toStdString());

  OknoKonwersji okno;
  TfrmConvert logika(okno, std::move(arguments), QCoreApplication::applicationFilePath().toStdString());
  okno.ustawLogike(&logika);
  okno.akcjaKonwertuj = [&logika] { logika.Konwertuj(); };
  logika.wyjatki.stanOkien = [&okno] { return okno.stanOkien(); };
  app.obslugaWyjatku = [&logika](const std::exception_ptr& e, bool dataControl) {
    logika.wyjatki.HandleException(e, dataControl);
  };

  if (!logika.FormCreate()) return 1;
  okno.wypelnijSiatke();
  okno.show();
  okno.przygotujDoPokazania();
  app.exec();
  return 0;
}

}  // namespace konw
