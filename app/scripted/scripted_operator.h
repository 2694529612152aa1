// An Operator without a window: records every message box, answers from a script, and keeps the
// controls' state in maps so that tests and headless commands can read it back.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/widok/okno_wg_nazw.h"

namespace konw {

class ScriptedOperator : public OknoWgNazw {
 public:
  struct Box {
    MsgKind kind;
    std::string caption;
    std::string text;
    unsigned buttons;
    Button defaultButton;
  };

  // Starts from the window's design-time state (captions, hidden controls and tabs, page "Konwersja").
  ScriptedOperator();

  // Answers for the next boxes, in order; once used up every box gets its default button.
  void answer(Button b) { answers_.push_back(b); }
  const std::vector<Box>& boxes() const { return boxes_; }
  void clearBoxes() { boxes_.clear(); }
  // Runs on every processMessages: lets a test act as the operator in the middle of a run.
  std::function<void()> onProcessMessages;

  int processMessagesCalls = 0;
  int beeps = 0;
  bool busy = false;
  std::string focused;
  std::map<std::string, int> gridRefreshes;

  // Lines appended to a memo (each as given, CR LF kept).
  const std::vector<std::string>& memo(const std::string& name) const;
  int progressMin(const std::string& bar) const;
  int progressMax(const std::string& bar) const;

  Button messageBox(MsgKind kind, const std::string& caption, const std::string& text, unsigned buttons,
                    Button defaultButton) override;
  void processMessages() override;
  void setBusyCursor(bool on) override { busy = on; }
  void setCaption(const std::string& control, const std::string& text) override { captions_[control] = text; }
  std::string caption(const std::string& control) const override;
  void setVisible(const std::string& control, bool visible) override;
  bool visible(const std::string& control) const override { return !hidden_.count(control); }
  void setEnabled(const std::string& control, bool enabled) override;
  bool enabled(const std::string& control) const override { return !disabled_.count(control); }
  void setFocus(const std::string& control) override { focused = control; }
  void setChecked(const std::string& control, bool checked) override;
  bool checked(const std::string& control) const override { return checked_.count(control) != 0; }
  void setTabVisible(const std::string& page, bool visible) override;
  bool tabVisible(const std::string& page) const override { return !hiddenTabs_.count(page); }
  // Pages of PageControlLogi make themselves active there; any other page in PageControl.
  void setActivePage(const std::string& page) override;
  std::string activePage() const override { return activePage_; }
  const std::string& activeLogPage() const { return activeLogPage_; }
  void appendMemo(const std::string& memo, const std::string& text) override { memos_[memo].push_back(text); }
  void setProgressRange(const std::string& bar, int min, int max) override;
  void setProgressPosition(const std::string& bar, int position) override { progress_[bar].pos = position; }
  int progressPosition(const std::string& bar) const override;
  void stepProgress(const std::string& bar) override;
  void refreshGrid(const std::string& grid) override { ++gridRefreshes[grid]; }
  void setListRows(const std::string& list, const std::vector<std::vector<std::string>>& rows,
                   const std::vector<bool>& oznaczone) override {
    lists_[list] = {rows, oznaczone};
  }
  void setMemoText(const std::string& memo, const std::string& text) override { memos_[memo] = {text}; }
  // A list's rows as last filled, and which of them are marked.
  const std::vector<std::vector<std::string>>& listRows(const std::string& list) const;
  const std::vector<bool>& listMarked(const std::string& list) const;
  void beep() override { ++beeps; }

  // ---- report, location dialog, viewers
  // The file the next save questions answer, in order; once used up a save question is cancelled.
  void answerSaveFile(const std::string& file) { saveAnswers_.push_back(file); }
  struct SaveQuestion {
    std::string proposedName, defaultExtension, filter;
  };
  std::vector<SaveQuestion> saveQuestions;
  // Acts as the operator in the location dialog: edits its state and returns whether OK is pressed.
  // Without it the dialog is cancelled.
  std::function<bool(TfrmLokalizacja&)> onLocationDialog;
  int locationDialogs = 0;
  std::string memoText(const std::string& memo) const override;
  std::string saveFileName(const std::string& proposedName, const std::string& defaultExtension,
                           const std::string& filter) override;
  bool showLocationDialog(TfrmLokalizacja& dialog) override;

 private:
  struct Bar {
    int min = 0, max = 100, pos = 0;
  };
  std::deque<Button> answers_;
  std::deque<std::string> saveAnswers_;
  std::vector<Box> boxes_;
  std::map<std::string, std::string> captions_;
  std::set<std::string> hidden_, disabled_, checked_, hiddenTabs_;
  std::string activePage_ = "TabKonwersja";
  std::string activeLogPage_ = "TabSheetOgolny";
  std::map<std::string, std::vector<std::string>> memos_;
  std::map<std::string, Bar> progress_;
  struct Lista {
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> marked;
  };
  std::map<std::string, Lista> lists_;
};

}  // namespace konw
