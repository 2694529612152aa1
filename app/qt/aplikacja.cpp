#include "app/qt/aplikacja.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

#include <pthread.h>
#include <unistd.h>

#include <csignal>

#include "app/konwersja.h"
#include "app/qt/okno_konwersji.h"
#include "db/drivers.h"

namespace konw {

namespace {

bool wSiatce(QObject* receiver) {
  for (QObject* o = receiver; o; o = o->parent())
    if (o->objectName() == QLatin1String("ExRxDBGrid1")) return true;
  return false;
}

constexpr int kSygnalyKonca[] = {SIGTERM, SIGINT, SIGHUP};

sigset_t zbiorSygnalowKonca() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kSygnalyKonca) sigaddset(&set, sig);
  return set;
}

// Called before any thread exists, so that the threads Qt and the Firebird client start inherit the block.
void zablokujSygnalyKonca() {
  sigset_t set = zbiorSygnalowKonca();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// The embedded Firebird engine takes SIGTERM and SIGINT over for a shutdown of its own that leaves the
// program running with its window gone, and a detach after such a signal never returns. A terminating
// signal therefore gets its ordinary meaning back: the process ends at once. The database stays
// consistent (the engine undoes what was not committed on the next attach), as after a power cut.
void przywrocSygnalyKonca() {
  for (int sig : kSygnalyKonca) std::signal(sig, SIG_DFL);
  sigset_t set = zbiorSygnalowKonca();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
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
  zablokujSygnalyKonca();
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
  przywrocSygnalyKonca();
  okno.wypelnijSiatke();
  okno.show();
  okno.przygotujDoPokazania();
  app.exec();
  return 0;
}

}  // namespace konw
