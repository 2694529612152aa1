// The only way the program's logic talks to the operator: questions (message boxes, the save-file question),
// the processing of pending messages, and intents — what the operator should see, not which control shows
// it. The window maps the intents onto its controls (app/widok); tests and the headless commands implement
// them too. The intents that name the configuration's values, and the location dialog, are the program's
// (config/operator_programu.h): this interface names only its own types.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace konw {

// The caption of the program's message boxes.
inline constexpr const char* kApplicationTitle = "Kalmiro - konwersja danych";

enum class MsgKind { Error, Warning, Information, Question };

// Buttons of a message box; a set is a bitwise or.
enum Button : unsigned { kNone = 0, kOk = 1, kCancel = 2, kYes = 4, kNo = 8 };

// The two progress bars of a run: the current table's rows, and the tables of the whole run.
enum class Pasek { Tabela, Calosc };

// Pages that hold text: the four log categories (in the log's category order) and the structure report.
enum class Strona { Ogolny, DodatkoweInfo, Bledy, BledyKrytyczne, Porownanie };

// One table of a run's summary as the results list it: the texts of its row, whether it is one of the
// problem tables (listed first, marked), and the lines each of the four log pages holds about it (in
// the order of Strona).
struct TabelaPodsumowania {
  std::string tabela, wynik, wiersze, zweryfikowana, sekundy;
  bool problem = false;
  std::array<std::vector<std::string>, 4> logi;
};

class Operator {
 public:
  virtual ~Operator() = default;

  // ---- questions
  // Shows a modal message box and returns the button pressed.
  virtual Button messageBox(MsgKind kind, const std::string& caption, const std::string& text,
                            unsigned buttons, Button defaultButton) = 0;
  // The save-file question: proposes `proposedName`, adds `defaultExtension` to a name without one,
  // offers the filter ("description|pattern|..."), asks before overwriting and requires an existing
  // directory. Returns the chosen file, empty when the operator cancels.
  virtual std::string saveFileName(const std::string& proposedName, const std::string& defaultExtension,
                                   const std::string& filter) = 0;

  // ---- the operator's input
  // Lets the window repaint and handle the operator's input (the break button, closing). Called often (per
  // row during a copy): an implementation may do the work only now and then.
  virtual void processMessages() = 0;
  // Hourglass on (true) or back to the previous cursor (false).
  virtual void setBusyCursor(bool busy) = 0;

  // ---- intents
  // A run starts: the break button in place of "Konwertuj", the progress bars shown, the pages and
  // controls a run reads (the edition, the table lists, the comparisons) inert.
  virtual void showRunning() = 0;
  // The run is over (the bars hidden, the operator alerted); then, after its verdict's box, idle again:
  // `wybraneTabele` says whether the grid of selected tables takes ticks.
  virtual void showRunEnded() = 0;
  virtual void showIdle(bool wybraneTabele) = 0;
  // The run's results, opened on a log page.
  virtual void showResults(Strona strona) = 0;
  // The summary of the run's tables on the results, in the order given (problem tables first).
  virtual void showRunSummary(const std::vector<TabelaPodsumowania>& tabele) = 0;
  // The pages of the advanced mode.
  virtual void showAdvancedPages() = 0;
  virtual void showLocations(const std::string& firebird, const std::string& paradox) = 0;
  virtual void showDataVersion(const std::string& wersja) = 0;
  // What the program waits for ("Łączenie z bazą danych …"), shown until it is replaced or an empty text
  // takes it away; during start-up, before the window is shown, too.
  virtual void showWaiting(const std::string& /*tekst*/) {}
  // The table being converted, as its label reads.
  virtual void showTable(const std::string& opis) = 0;
  virtual void setBar(Pasek pasek, int position, int max) = 0;
  virtual void stepBar(Pasek pasek) = 0;
  // Whether the grid of selected tables takes ticks, and its refresh after ListaTabel changed.
  virtual void allowTableChoice(bool allowed) = 0;
  virtual void refreshTableList() = 0;
  // The comparison buttons, off while a comparison runs.
  virtual void allowComparison(bool allowed) = 0;
  // Appends a line (which may hold CR LF) to a page; the whole text of a page, lines separated by CR LF.
  virtual void appendLine(Strona strona, const std::string& text) = 0;
  virtual std::string pageText(Strona strona) const = 0;
};

}  // namespace konw
