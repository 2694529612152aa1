// The operator's intents carried out on the window's controls by their names, as the window is designed
// (projekt_okna.h). The Qt window and ScriptedOperator supply the controls; tests read them back by name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/operator_programu.h"
#include "platform/postep_tabeli.h"

namespace konw {

class OknoWgNazw : public OperatorProgramu {
 public:
  void showRunning() override;
  void showRunEnded() override;
  void showIdle(bool wybraneTabele) override;
  void showResults(Strona strona) override;
  // Lists the tables in sgPodsumowanie (problem tables marked) and shows the first one's log section.
  void showRunSummary(const std::vector<TabelaPodsumowania>& tabele) override;
  void showAdvancedPages() override;
  void showLocations(const std::string& firebird, const std::string& paradox) override;
  void showDataVersion(const std::string& wersja) override;
  void showUnit(const DaneJednostki* jednostka) override;
  void showEdition(std::optional<Edycja> edycja) override;
  void showTable(const std::string& opis) override;
  void setBar(Pasek pasek, int position, int max) override;
  void stepBar(Pasek pasek) override;
  void allowTableChoice(bool allowed) override;
  void refreshTableList() override;
  void allowComparison(bool allowed) override;
  void appendLine(Strona strona, const std::string& text) override;
  std::string pageText(Strona strona) const override;

  // ---- the results' summary and the table's progress
  // The operator chose row `wiersz` of sgPodsumowanie: its table's lines of the four log pages go into
  // mSekcjaTabeli (a row out of range empties it).
  void WybierzTabelePodsumowania(int wiersz);
  // The tables of the last summary shown, in its order.
  const std::vector<TabelaPodsumowania>& podsumowanie() const { return podsumowanie_; }
  // The table's rows, their rate and the time left, as lblPostepTabeli shows them now.
  std::string opisPostepuTabeli() const { return OpisPostepuTabeli(postepTabeli_, teraz()); }
  // The clock of the rate, replaceable for tests.
  std::function<PostepTabeli::Zegar::time_point()> teraz = [] { return PostepTabeli::Zegar::now(); };

  // ---- the controls, named as in the window (label, button, page, radio button, memo, grid)
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
  // Appends a line (which may hold CR LF) to a memo; the whole text of a memo, lines separated by CR LF.
  virtual void appendMemo(const std::string& memo, const std::string& text) = 0;
  virtual std::string memoText(const std::string& memo) const = 0;
  virtual void setProgressRange(const std::string& bar, int min, int max) = 0;
  virtual void setProgressPosition(const std::string& bar, int position) = 0;
  virtual int progressPosition(const std::string& bar) const = 0;
  virtual void stepProgress(const std::string& bar) = 0;
  // Refreshes a grid showing a dataset after the dataset changed.
  virtual void refreshGrid(const std::string& grid) = 0;
  // Fills a list with rows of cells' texts; a row whose `oznaczone` entry is true is marked as one that
  // needs the operator's attention.
  virtual void setListRows(const std::string& list, const std::vector<std::vector<std::string>>& rows,
                           const std::vector<bool>& oznaczone) = 0;
  // Replaces the whole text of a memo (lines separated by CR LF).
  virtual void setMemoText(const std::string& memo, const std::string& text) = 0;
  // The system's standard beep.
  virtual void beep() {}
  // Brings the main window back when it is minimised.
  virtual void restoreWindow() {}
  // While a run or a comparison is in progress (true) nothing the operator reaches may change what it
  // reads or does: a window makes every control inert but the few it keeps live (the break button, the
  // page tabs, the text pages). Called after the named controls were set for the run, and before they
  // are set for idle.
  virtual void setInert(bool inert) { (void)inert; }

 protected:
  // The table bar's progress, noted by setBar and stepBar (and by a window that keeps its bars itself).
  void zanotujPasek(Pasek pasek, int position, int max) {
    if (pasek == Pasek::Tabela) postepTabeli_.ustaw(position, max, teraz());
  }
  void zanotujKrok(Pasek pasek) {
    if (pasek == Pasek::Tabela) postepTabeli_.krok();
  }

 private:
  std::vector<TabelaPodsumowania> podsumowanie_;
  PostepTabeli postepTabeli_;
};

// The lines of a summary's table on the four log pages, each page's under its caption; a page without
// lines is left out.
std::string TekstSekcjiTabeli(const TabelaPodsumowania& tabela);

}  // namespace konw
