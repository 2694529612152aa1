// The main window frmConvert: the controls named as the logic names them, and the Operator through
// which the logic (TfrmConvert) reaches them.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/widok/okno_wg_nazw.h"
#include "log/appex.h"

class QLabel;
class QProgressBar;
class QTabWidget;
class QTableWidget;
class QPlainTextEdit;

namespace konw {

class TdmKonw;
class TfrmConvert;

class OknoKonwersji : public QWidget, public OknoWgNazw {
  Q_OBJECT

 public:
  explicit OknoKonwersji(QWidget* parent = nullptr);
  ~OknoKonwersji() override;

  // The logic the window's controls call; set once, before start-up.
  void ustawLogike(TfrmConvert* logika) { logika_ = logika; }
  // The program's data module, once start-up created it.
  TdmKonw* dm() const;
  // Centres the window on its screen and gives btnKonfig the focus.
  void przygotujDoPokazania();
  // What the exception logger writes about the open windows and the focused control.
  StanOkien stanOkien() const;
  // The actions whose operations live elsewhere: the conversion run and the data-location dialog.
  // A button whose action is not set does nothing.
  std::function<void()> akcjaKonwertuj;
  std::function<void()> akcjaZmienKonfig;
  // Set when nobody is there to answer (a signal ended the session): every box answers itself, Yes
  // where it offers Yes, else its default.
  bool odpowiadajBezPytania = false;
  // Fills the grid ExRxDBGrid1 from ListaTabel (keeping the list's current row).
  void wypelnijSiatke();

  // Operator
  Button messageBox(MsgKind kind, const std::string& caption, const std::string& text, unsigned buttons,
                    Button defaultButton) override;
  // Pending events are processed at most every kOdstepPompowania ms (the logic calls it per row), and
  // the bars drawn then: a break still answers within a fraction of a second.
  void processMessages() override;
  static constexpr int kOdstepPompowania = 50;
  void setBar(Pasek pasek, int position, int max) override;
  void stepBar(Pasek pasek) override;
  void showRunEnded() override;
  // A small frameless box of its own with the text (the window itself may not be shown yet).
  void showWaiting(const std::string& tekst) override;
  void setBusyCursor(bool busy) override;
  void setCaption(const std::string& control, const std::string& text) override;
  std::string caption(const std::string& control) const override;
  void setVisible(const std::string& control, bool visible) override;
  bool visible(const std::string& control) const override;
  void setEnabled(const std::string& control, bool enabled) override;
  bool enabled(const std::string& control) const override;
  void setFocus(const std::string& control) override;
  void setChecked(const std::string& control, bool checked) override;
  bool checked(const std::string& control) const override;
  void setTabVisible(const std::string& page, bool visible) override;
  bool tabVisible(const std::string& page) const override;
  void setActivePage(const std::string& page) override;
  std::string activePage() const override;
  void appendMemo(const std::string& memo, const std::string& text) override;
  void setProgressRange(const std::string& bar, int min, int max) override;
  void setProgressPosition(const std::string& bar, int position) override;
  int progressPosition(const std::string& bar) const override;
  void stepProgress(const std::string& bar) override;
  void refreshGrid(const std::string& grid) override;
  void setListRows(const std::string& list, const std::vector<std::vector<std::string>>& rows,
                   const std::vector<bool>& oznaczone) override;
  void setMemoText(const std::string& memo, const std::string& text) override;
  void beep() override;
  void restoreWindow() override;
  // One switch for the whole window: on, every control is disabled except the live ones (kZyweWPracy,
  // the page tabs); labels, bars and containers are left as they are. Whatever the logic enables
  // meanwhile stays off until the switch goes off, which gives every control back the state it had or
  // was last given.
  void setInert(bool inert) override;
  bool inert() const { return bezwladne_; }
  // Whether the control stays live while the window is inert.
  static bool zywyWPracy(const QWidget* w);
  // ---- report, location dialog, viewers
  std::string memoText(const std::string& memo) const override;
  std::string saveFileName(const std::string& proposedName, const std::string& defaultExtension,
                           const std::string& filter) override;
  bool showLocationDialog(TfrmLokalizacja& dialog) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* kontrolka(const std::string& name) const;
  // The bars' state, kept here during a run and shown by the pump.
  struct StanPaska {
    QProgressBar* bar = nullptr;
    int min = 0, max = 100, pos = 0;
  };
  StanPaska* pasek(const std::string& name);
  const StanPaska* pasek(const std::string& name) const;
  void pokazPaski();
  QTabWidget* zakladkiStrony(QWidget* page) const;
  void zbudujStroneKonwersja(QWidget* page);
  void zbudujStroneWyniki(QWidget* page);
  // The summary page of the results: the run's tables (sgPodsumowanie) over the chosen one's log lines.
  void zbudujPodsumowanie(QWidget* page);
  void zbudujStroneOpcje(QWidget* page);
  void zaznaczenieWSiatce(int row, int column);
  void wierszSiatki(int row);
  // A run or a comparison walks ListaTabel: the grid neither moves nor ticks it meanwhile.
  bool listaWUzyciu() const;

  TfrmConvert* logika_ = nullptr;
  std::unique_ptr<QLabel> oczekiwanie_;
  QTabWidget* pageControl_ = nullptr;
  QTableWidget* siatka_ = nullptr;
  std::vector<long long> zakladkiWierszy_;  // ListaTabel bookmarks of the grid's rows
  bool wypelnianie_ = false;
  int kursory_ = 0;
  std::array<StanPaska, 2> paski_;  // in the order of konw::Pasek
  QLabel* postepTabeli_ = nullptr;  // the table's rows, rate and time left beside the bars
  QElapsedTimer zegar_;
  QWidget* frmLokalizacja_ = nullptr;  // the location dialog, created on first use and kept
  bool bezwladne_ = false;
  // The controls the switch holds off, with the state each gets back.
  std::vector<std::pair<QPointer<QWidget>, bool>> wstrzymane_;
};

}  // namespace konw
