#include "app/qt/aplikacja.h"

#include <unistd.h>

#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <cstdio>
#include <string>

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

StrazSygnalow::StrazSygnalow(OknoKonwersji& okno, TfrmConvert& logika) : okno_(okno), logika_(logika) {
  connect(&zegar_, &QTimer::timeout, this, &StrazSygnalow::sprawdz);
  zegar_.start(100);
}

void StrazSygnalow::sprawdz() {
  if (przerwal_ || !sygnaly::breakRequested()) return;
  const bool wPracy = logika_.WTrakcieKonwersji();
  if (wPracy) {
    przerwal_ = true;
    sygnaly::setExitCode(kKodPrzerwanegoPrzebiegu);
    logika_.PrzerwijKonwersje();
    // Nobody is there to answer: the boxes still to come answer themselves.
    okno_.odpowiadajBezPytania = true;
  }
  // A box or dialog open now is closed as its Escape key would close it (the break question answers No,
  // but the break is already asked for).
  for (int i = 0; i < 8; ++i)
    if (QWidget* modalny = QApplication::activeModalWidget()) modalny->close();
  if (!wPracy) okno_.close();
}

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

namespace {

// What `konwersja --help` prints (and the manual page is made of).
constexpr const char* kPomoc =
    "Użycie: konwersja [EDYCJA] [ADVANCED]\n"
    "Przeniesienie bazy danych budżetowych z tabel Paradoxa do bazy Firebird (okno konwersji).\n"
    "\n"
    "Okno odnajduje instalację przez WIN.INI i plik INI produktu, pokazuje, czyje to dane, porównuje\n"
    "strukturę każdej tabeli Paradoxa z bazą Firebird, opróżnia tabele Firebirda i kopiuje do nich wiersze\n"
    "z Paradoxa, z paskami postępu, czterema stronami dziennika i werdyktem.\n"
    "\n"
    "Argumenty:\n"
    "  EDYCJA          edycja produktu: JST albo JB\n"
    "  ADVANCED        widok zaawansowany: rodzaje konwersji, edytory tabel kontrolnych i raport\n"
    "                  porównania struktury całej bazy\n"
    "  -h, --help      ten opis\n"
    "  --version       wersja programu\n"
    "\n"
    "Środowisko (lokalizacje zapisane jako ścieżki Windows odwzorowuje się na system plików):\n"
    "  WINEPREFIX                 prefiks Wine (domyślnie ~/.wine); z niego pochodzi WIN.INI\n"
    "                             (drive_c/windows/win.ini) i litery dysków (dosdevices/x:)\n"
    "  KONWERSJA_WININI           plik używany jako WIN.INI\n"
    "  KONWERSJA_DRIVE_X          katalog, który odpowiada literze dysku X:\n"
    "  KONWERSJA_UNC_SERWER_UDZIAL katalog, który odpowiada udziałowi \\\\SERWER\\UDZIAL\n"
    "                             (bez niej: dosdevices/unc/serwer/udzial prefiksu Wine)\n"
    "\n"
    "Dziennik błędów programu leży obok programu (konwersja.log), a gdy tam nie można pisać, w\n"
    "$XDG_STATE_HOME/konwersja (domyślnie ~/.local/state/konwersja).\n"
    "Bez okna: konwersja-cli(1).\n";

}  // namespace

int uruchomProgram(int argc, char** argv) {
  // Answered before any window exists, so that it works without a display (the manual page is made so).
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kPomoc, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("konwersja %s\n", KONWERSJA_VERSION);
      return 0;
    }
  }
  // Ctrl+C, SIGTERM or SIGHUP (a logout) during start-up ends the program at once as a start that failed
  // (also while start-up waits on an unreachable server); the Firebird client is kept from shutting the
  // connections down instead.
  sygnaly::install(sygnaly::Mode::Immediate, true);
  sygnaly::setExitCode(1);
  Aplikacja app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  zaladujTlumaczeniePolskie(app);
  db::registerBuiltinDrivers();

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]).toStdString());

  OknoKonwersji okno;
  TfrmConvert logika(okno, std::move(arguments), QCoreApplication::applicationFilePath().toStdString());
  okno.ustawLogike(&logika);
  logika.wyjatki.stanOkien = [&okno] { return okno.stanOkien(); };
  app.obslugaWyjatku = [&logika](const std::exception_ptr& e, bool dataControl) {
    logika.wyjatki.HandleException(e, dataControl);
  };

  if (!logika.FormCreate()) return 1;

  // From here the first signal is the operator's: during a run it is the break answered Yes (the current
  // row ends, the run's end is logged, the program ends with the broken run's code), before a run it
  // closes the window. A second one ends the program at once.
  sygnaly::setExitCode(0);
  sygnaly::setBreakMessage("konwersja: sygnał zakończenia - przerywanie konwersji po bieżącym wierszu.");
  sygnaly::clearBreak();
  sygnaly::setMode(sygnaly::Mode::Break);
  StrazSygnalow straz(okno, logika);
  okno.akcjaKonwertuj = [&logika, &straz] {
    logika.Konwertuj();
    if (straz.przerwalPrzebieg()) QCoreApplication::exit(kKodPrzerwanegoPrzebiegu);
  };

  okno.wypelnijSiatke();
  okno.show();
  okno.przygotujDoPokazania();
  const int kod = app.exec();
  // A signal ended the session: the log files are closed, and the embedded engine, which saw the signal
  // too, would not let the connections go; the process ends here.
  if (sygnaly::breakRequested()) {
    std::fflush(nullptr);
    ::_exit(kod);
  }
  return kod;
}

}  // namespace konw
