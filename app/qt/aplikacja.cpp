#include "app/qt/aplikacja.h"

#include <QLibraryInfo>
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
