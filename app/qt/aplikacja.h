// The application object: catches what the event handlers let escape and hands it to the
// exception logger.
#pragma once

#include <QApplication>
#include <QTimer>
#include <exception>
#include <functional>

namespace konw {

class Aplikacja : public QApplication {
 public:
  Aplikacja(int& argc, char** argv);

  // Receives every exception that escapes an event handler; `dataControl` tells that it arose in the
  // grid or an editor inside it.
  std::function<void(const std::exception_ptr&, bool dataControl)> obslugaWyjatku;

  bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's own Polish texts for the standard buttons ("Tak", "Nie", "Anuluj"); false when missing.
bool zaladujTlumaczeniePolskie(QCoreApplication& app);

// The exit code of a run broken by a signal (as konwersja-cli's broken run).
inline constexpr int kKodPrzerwanegoPrzebiegu = 6;

class OknoKonwersji;
class TfrmConvert;

// Watches for the signal that asks the program to end (platform/signals in Break mode): during a run it
// is the break answered Yes, with every box still to come answering itself; before a run it closes the
// window. Open boxes and dialogs are closed either way.
class StrazSygnalow : public QObject {
 public:
  StrazSygnalow(OknoKonwersji& okno, TfrmConvert& logika);
  // Whether a signal broke the run: the program then ends with kKodPrzerwanegoPrzebiegu.
  bool przerwalPrzebieg() const { return przerwal_; }
  void sprawdz();

 private:
  OknoKonwersji& okno_;
  TfrmConvert& logika_;
  QTimer zegar_;
  bool przerwal_ = false;
};

// The program: start-up, the window, the message loop. Exit code 1 when start-up fails (or a signal
// ends it), 6 when a signal broke a run, 0 when the window is closed.
int uruchomProgram(int argc, char** argv);

}  // namespace konw
