// The program as the operator sees it: the main window's operations under their own names, the
// window's state (running or idle, the edition, the locations, the unit and the data version shown)
// and the parts that do the work, each owning its state:
//   config/   the locations, the budget unit and the data version, as values;
//   control/  the data module with every database object and the control tables;
//   compare/  the structure comparison and the whole-database report;
//   convert/  the conversion run with its flags, its log, the table copy and the dictionary comparison;
//   log/      the conversion log and the exception logger.
// The window (app/qt), the tests and the headless commands reach the operator through OperatorProgramu.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/blokada_przebiegu.h"
#include "config/discovery.h"
#include "config/operator_programu.h"
#include "config/unit.h"
#include "convert/przebieg.h"
#include "log/appex.h"

namespace konw {

class TdmKonw;
class TfrmLokalizacja;

// What a conversion run came to, as the window, the CLI and its summary read it.
struct WynikKonwersji {
  Werdykt werdykt = Werdykt::NieRozpoczety;
  std::vector<WynikTabeli> tabele;      // each table the run took up, in the walk's order
  std::vector<std::string> plikiLogow;  // the run's log files, by category
  // Empty when every log file was written whole; otherwise what the operator is told about them.
  std::string uwagaOLogach;
};

class TfrmConvert {
 public:
  TfrmConvert(OperatorProgramu& ui, std::vector<std::string> arguments, std::string programPath);
  ~TfrmConvert();
  TfrmConvert(const TfrmConvert&) = delete;
  TfrmConvert& operator=(const TfrmConvert&) = delete;

  OperatorProgramu& ui() { return ui_; }
  TdmKonw* dm() { return dm_.get(); }
  // The program file's full path (the control directory and the error log are found from it).
  const std::string& programPath() const { return programPath_; }

  // ---- start-up and window (app/start.cpp)
  // The start-up sequence; false when the process must end with exit code 1.
  bool FormCreate();
  bool UtworzModulDanych();
  // Switches back on the triggers an interrupted conversion left off (convert/triggery.h) and tells the
  // operator and the error log which and why; what it found stays in `przywroconeTriggery`.
  void PrzywrocTriggery();
  bool CzyTrybZaawansowany() const;
  std::string EdycjaZWierszaPolecen() const;
  // The operator chose a conversion kind (the items of RadioGroup1, 0..4).
  void RadioGroup1Click(int itemIndex);
  // Returns whether the key is swallowed.
  enum class Klawisz { Insert, Delete, Down, Other };
  bool ExRxDBGrid1KeyDown(Klawisz key, bool ctrlOnly);
  // Whether the window may close now.
  bool FormClose();
  // Asks the operator to confirm a break of the run; on Yes the run is asked to break.
  void PotwierdzPrzerwanie();
  // Running state (true) or idle state with the run's verdict (false); returns the verdict.
  Werdykt UstawStanPracy(bool Praca, bool BezKomunikatu = false);
  bool WTrakcieKonwersji() const { return przebieg.trwa(); }
  // The operator's break request during a run (a signal, the window's close after its question).
  void PrzerwijKonwersje() {
    if (WTrakcieKonwersji()) przebieg.Przerwij();
  }
  // The outcomes of the tables the current or last run has taken up so far.
  const std::vector<WynikTabeli>& TabelePrzebiegu() const { return przebieg.tabele(); }
  // The current or last run as it stands, given the verdict to report.
  WynikKonwersji StanKonwersji(Werdykt werdykt) const;
  // Whether the Paradox file of the named table exists where the Paradox database reads.
  bool IstniejeTabelaParadoxa(const std::string& name) const { return przebieg.IstniejeTabelaParadoxa(name); }

  // ---- locations, budget unit and data version (app/lokalizacje.cpp)
  // `zPrzycisku` tells that the call comes from an edition radio button.
  bool WczytajKonfiguracje(bool zPrzycisku);
  void JSTClick(const std::string& radio);
  void ZaznaczBezZdarzenia(const std::string& radio, bool checked);
  // Checks a radio button the way a click does: runs JSTClick when it was not checked.
  void ZaznaczRadio(const std::string& radio);
  bool UstawSciezkiDoBaz(const std::string& SciezkaP, const std::string& SciezkaI, bool JestWKonwersji,
                         bool PokazKomunikat);
  bool UstawInformacjeOJednostce();
  std::optional<std::string> OdczytajWersjeDanych();
  // True when the data is refused (too old, or no version number); the locations are applied on the way.
  bool SprawdzWersjeDanych(const std::string& SciezkaP, const std::string& SciezkaI, bool JestWKonwersji);
  // The cause of the last failure of UstawSciezkiDoBaz, for the boxes that refuse the locations.
  std::string PrzyczynaOdmowy;
  // An error box; during start-up a text already shown is not shown again.
  void PokazBlad(const std::string& tekst);
  // Empties the budget-unit value labels (the unit table was closed).
  void WyczyscDaneJednostki();
  // The data-location dialog: the operator's new locations applied and tested, the previous ones
  // restored when they do not work.
  void ActionZmienKonfig();
  // "server:path" split at the first colon; both outputs untouched when there is no colon.
  static void RozdzielSerwerISciezke(const std::string& Sciezka, std::string& Serwer,
                                     std::string& SciezkaPliku);
  // "server:path"; empty when the path is empty.
  static std::string PolaczSerwerISciezke(const std::string& Serwer, const std::string& SciezkaPliku);

  // ---- the conversion run (app/konwertuj.cpp; the work is the run's, convert/)
  // The handler of "&Konwertuj": checks, confirmation, the run over ListaTabel and its verdict
  // (NieRozpoczety when it never started), with each table's outcome and the log files. Never throws.
  WynikKonwersji Konwertuj();
  // Names the programs that have the data open (other connections to the Firebird database, lock files
  // in the Paradox directory) and asks whether to go on; true when there are none or the operator
  // confirms (the product must be closed for a conversion).
  bool ZgodaMimoInnychProgramow();
  // The header lines of a run: the locations, the data version and the unit.
  std::vector<std::string> NaglowekPrzebiegu() const;

  // ---- the log of the run (log/), under the operation names the window uses
  void ZapiszKomunikat(const std::string& line, Kategorie categories, Znaczniki marks = 0) {
    przebieg.log().ZapiszKomunikat(line, categories, marks);
  }
  void ZapiszBlad(const std::string& location) { przebieg.log().ZapiszBlad(location); }
  void ZglosBlad(const std::string& procedure, const std::string& message, const std::string& comment) {
    przebieg.log().ZglosBlad(procedure, message, comment);
  }
  void ZamknijPlikiLogow() noexcept { przebieg.log().ZamknijPlikiLogow(); }

  // ---- structure comparison and report (app/porownanie.cpp; the work is compare/'s)
  // Compares the Firebird table TabelaIB with the Paradox table TabelaPDX through dm()->TblI and TblP,
  // which stay on them (closed, their definitions read); fills the four texts and returns the classes
  // (kKlasa* of compare/porownanie.h).
  unsigned char PorownajStrukturyTabel(const std::string& TabelaIB, const std::string& TabelaPDX,
                                       bool ZTabelamiKonf, std::string& Opis, std::string& Informacje,
                                       std::string& Krytyczne, std::string& Bledy);
  // The whole-database structure comparison appended to the memo mPorownanie; ignored while a
  // comparison or a conversion runs. Returns the classes of the differences found.
  unsigned char PorownajBazy(bool ZTabelamiKonf);
  // The text of every comparison report made since the start, as the page mPorownanie shows it.
  std::string TekstPorownania() const;
  // Writes that text (Windows-1250, CR LF) to the file the operator chooses; ignored while a comparison
  // runs; throws std::runtime_error when the file cannot be written.
  void ZapiszPorownanie();
  bool PorownanieTrwa = false;

  // ---- state
  std::string SciezkaParadoxa;
  std::string SciezkaInterbase;
  std::string SciezkaGlowna;
  TRodzajKonwersji RodzajKonwersji = TRodzajKonwersji::Wszystko;
  std::optional<Edycja> edycja;  // the checked edition button, none before the configuration named one
  std::string WersjaDanych;      // the data version shown (OpisWersjiDanych of what was read)
  std::optional<std::string> WersjaOdczytana;  // ParStr of Conf's WerPl row; none without that row
  DaneJednostki jednostka;                     // the budget unit shown
  bool JestWOnCreate = false;
  TAppException wyjatki;
  TPrzebieg przebieg;
  // Held by a run from its start to its end: one conversion per installation.
  BlokadaPrzebiegu blokada;
  // The triggers the last start-up found off, restored or not.
  std::vector<PrzywrocenieTriggera> przywroconeTriggery;
  // The dialog's state, created on first use and kept.
  std::shared_ptr<TfrmLokalizacja> frmLokalizacja;
  // The workstation identifier used to name the INI section; tests may replace it.
  std::string (*identyfikatorStanowiska)() = nullptr;

 private:
  // The run behind Konwertuj: its verdict.
  Werdykt PrzeprowadzKonwersje();
  // The lines of the comparison reports made so far (the page's text).
  std::vector<std::string> raportPorownania_;
  OperatorProgramu& ui_;
  std::vector<std::string> arguments_;
  std::string programPath_;
  std::unique_ptr<TdmKonw> dm_;
  // Why UstawSciezkiDoBaz last failed when the Firebird file is no database the engine can open (the
  // engine's explanation, for the access-error boxes); empty otherwise.
  std::string przyczynaBleduDostepu_;
  // The access-error box's text followed by przyczynaBleduDostepu_ when there is one, else by the cause of
  // the refusal (PrzyczynaOdmowy).
  std::string zPrzyczyna(const std::string& komunikat) const;
  std::vector<std::string> bledyStartu_;  // the error boxes shown during this start-up
};

}  // namespace konw
