// The application object: catches what the event handlers let escape and hands it to the
// exception logger.
#pragma once

#include <QApplication>
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

// The program: start-up, the window, the message loop. Exit code 1 when start-up fails.
int uruchomProgram(int argc, char** argv);

}  // namespace konw
