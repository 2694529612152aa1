// The only way the program's logic talks to the operator (the platform's user interface): message boxes, the
// window's controls by name, progress bars, the cursor and the processing of pending messages. The Qt window
// implements it; tests and the headless commands use ScriptedOperator.
#pragma once

#include <string>

namespace konw {

class TfrmLokalizacja;

// The caption of the program's message boxes.
inline constexpr const char* kApplicationTitle = "Kalmiro - konwersja danych";

enum class MsgKind { Error, Warning, Information, Question };

// Buttons of a message box; a set is a bitwise or.
enum Button : unsigned { kNone = 0, kOk = 1, kCancel = 2, kYes = 4, kNo = 8 };

class Operator {
 public:
  virtual ~Operator() = default;

  // Shows a modal message box and returns the button pressed.
  virtual Button messageBox(MsgKind kind, const std::string& caption, const std::string& text,
                            unsigned buttons, Button defaultButton) = 0;
  // Lets the window repaint and handle the operator's input (the break button, closing).
  virtual void processMessages() = 0;
  // Hourglass on (true) or back to the previous cursor (false).
  virtual void setBusyCursor(bool busy) = 0;

  // Controls are named as in the window (label, button, page, radio button, memo, grid).
  virtual void setCaption(const std::string& control, const std::string& text) = 0;
  virtual std::string caption(const std::string& control) const = 0;
  virtual void setVisible(const std::string& control, bool visible) = 0;
  virtual bool visible(const std::string& control) const = 0;
  virtual void setEnabled(const std::string& control, bool enabled) = 0;
  virtual bool enabled(const std::string& control) const = 0;
  virtual void setFocus(const std::string& control) = 0;
  // Radio buttons: sets the checked state only (no click handler runs).
  virtual void setChecked(const std::string& control, bool checked) = 0;
  virtual bool checked(const std::string& control) const = 0;
  // Pages: whether the tab is shown; which page of the main page control is active.
  virtual void setTabVisible(const std::string& page, bool visible) = 0;
  virtual bool tabVisible(const std::string& page) const = 0;
  virtual void setActivePage(const std::string& page) = 0;
  virtual std::string activePage() const = 0;
  // Appends a line (which may hold CR LF) to a memo.
  virtual void appendMemo(const std::string& memo, const std::string& text) = 0;
  // Progress bars.
  virtual void setProgressRange(const std::string& bar, int min, int max) = 0;
  virtual void setProgressPosition(const std::string& bar, int position) = 0;
  virtual int progressPosition(const std::string& bar) const = 0;
  virtual void stepProgress(const std::string& bar) = 0;
  // Refreshes a grid showing a dataset after the dataset changed.
  virtual void refreshGrid(const std::string& grid) = 0;
  // The system's standard beep.
  virtual void beep() {}
  // Brings the main window back when it is minimised.
  virtual void restoreWindow() {}

  // ---- report, location dialog, viewers
  // The whole text of a memo, its lines separated by CR LF.
  virtual std::string memoText(const std::string& memo) const = 0;
  // The save-file question: proposes `proposedName`, adds `defaultExtension` to a name without one,
  // offers the filter ("description|pattern|..."), asks before overwriting and requires an existing
  // directory. Returns the chosen file, empty when the operator cancels.
  virtual std::string saveFileName(const std::string& proposedName, const std::string& defaultExtension,
                                   const std::string& filter) = 0;
  // Shows the data-location dialog modally over its state; true when it closes with OK.
  virtual bool showLocationDialog(TfrmLokalizacja& dialog) = 0;
};

}  // namespace konw
