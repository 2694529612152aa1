// What the headless commands share: finding the installation, the operator played on a terminal, and
// the start-up of the program's logic.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "tools/cli/postep.h"

namespace CLI {
class App;
}

namespace konw::cli {

// Where the installation is: a demo directory (its Wine prefix is DIR/wine) or a WIN.INI.
struct Instalacja {
  std::string katalog, winini, edycja;
};

// Declares DIR, --winini (exactly one of them) and --edition on a command.
void dodajInstalacje(CLI::App& sub, Instalacja& instalacja, const std::string& opisEdycji);

// A message box's kind as the output names it.
const char* nazwaRodzaju(MsgKind kind);

// Line ends inside a text as a terminal shows them.
std::string bezCr(const std::string& text);

// Prints every box as it comes on standard output; the confirmation of a run is answered Yes only when
// asked to. Ctrl+C (or SIGTERM) during a run is the break button with its question answered Yes. The
// progress of a run goes to `postep`.
class OperatorKonsoli : public ScriptedOperator {
 public:
  OperatorKonsoli(bool tak, Postep& postep) : tak_(tak), postep_(postep) {}
  TfrmConvert* frm = nullptr;
  // Called during a run whenever another table joined the run's outcomes or the last one's outcome was
  // settled (and once at its start).
  std::function<void()> poTabeli;

  void processMessages() override;
  Button messageBox(MsgKind kind, const std::string& caption, const std::string& text, unsigned buttons,
                    Button defaultButton) override;
  void showTable(const std::string& opis) override;
  // On standard error, as the progress is.
  void showWaiting(const std::string& tekst) override;
  void setBar(Pasek pasek, int position, int max) override;
  void stepBar(Pasek pasek) override;

 private:
  bool tak_;
  Postep& postep_;
  // The run's outcomes when poTabeli was last called: how many tables, the last one's state and time (its
  // time is set when its work ends).
  std::tuple<std::size_t, int, double> przygotowane_{static_cast<std::size_t>(-1), 0, 0.0};
};

// Points the program at the installation, installs the signal handling and the engine's drivers, and
// runs the window's start-up with the edition (and the advanced mode when asked). None when start-up
// failed (its boxes were printed). The triggers the start-up switched back on are also said on standard
// error, one line each.
std::unique_ptr<TfrmConvert> uruchom(const Instalacja& inst, OperatorProgramu& ui, bool zaawansowany);

}  // namespace konw::cli
