// The main window's logic: the state of a run, the locations in use, the four log files and the
// operations that the window's buttons and start-up call. The Qt window (app/qt) shows it through
// the Operator interface; tests drive it with a ScriptedOperator.
//
// Methods are defined next to the subsystem they belong to:
//   app/start.cpp        start-up, command line, conversion kind, closing
//   config/discovery.cpp locations and connections
//   config/unit.cpp      budget unit and data version
//   log/conversion_log.cpp  the four log categories and files
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/operator.h"
#include "log/appex.h"

namespace konw {

class TdmKonw;
class TfrmLokalizacja;

// Program-wide: the operator confirmed a break of the running conversion.
extern bool Przerwano;

inline constexpr const char* kApplicationTitle = "Kalmiro - konwersja danych";

// Log categories in their fixed writing order.
enum class Kategoria { Ogolny = 0, DodatkoweInfo = 1, Bledy = 2, BledyKrytyczne = 3 };
using Kategorie = unsigned;  // set of 1 << Kategoria
constexpr Kategorie kat(Kategoria k) { return 1u << static_cast<unsigned>(k); }
constexpr Kategorie kOgolny = kat(Kategoria::Ogolny);
constexpr Kategorie kDodatkoweInfo = kat(Kategoria::DodatkoweInfo);
constexpr Kategorie kBledy = kat(Kategoria::Bledy);
constexpr Kategorie kBledyKrytyczne = kat(Kategoria::BledyKrytyczne);
constexpr Kategorie kWszystkie = kOgolny | kDodatkoweInfo | kBledy | kBledyKrytyczne;

// Run marks a write may carry.
using Znaczniki = unsigned;
constexpr Znaczniki kNiezgodnosc = 1;
constexpr Znaczniki kNiezgodnoscKrytyczna = 2;

// One log file of a category: open only during a run; every line is flushed.
struct PlikLogu {
  std::string sciezka;  // log file path as the program shows it (Windows form when configured so)
  std::FILE* plik = nullptr;
  bool otwarty() const { return plik != nullptr; }
  void zamknij() noexcept;
};

class TfrmConvert {
 public:
  TfrmConvert(Operator& ui, std::vector<std::string> arguments, std::string programPath);
  ~TfrmConvert();
  TfrmConvert(const TfrmConvert&) = delete;
  TfrmConvert& operator=(const TfrmConvert&) = delete;

  Operator& ui() { return ui_; }
  TdmKonw* dm() { return dm_; }
  // The program file's full path (the control directory and the error log are found from it).
  const std::string& programPath() const { return programPath_; }

  // ---- start-up and window (app/start.cpp)
  // The start-up sequence; false when the process must end with exit code 1.
  bool FormCreate();
  bool UtworzModulDanych();
  bool CzyTrybZaawansowany() const;
  std::string EdycjaZWierszaPolecen() const;
  void RadioGroup1Click(int itemIndex);
  // Returns whether the key is swallowed.
  enum class Klawisz { Insert, Delete, Down, Other };
  bool ExRxDBGrid1KeyDown(Klawisz key, bool ctrlOnly);
  // Whether the window may close now.
  bool FormClose();
  // Asks the operator to confirm a break of the run; sets Przerwano on Yes.
  void PotwierdzPrzerwanie();
  // Running state (true) or idle state with the run's verdict (false) (app/stan_pracy.cpp).
  void UstawStanPracy(bool Praca, bool BezKomunikatu = false);
  // Whether a run is in progress: told by the visibility of btnBreak.
  bool WTrakcieKonwersji() { return ui_.visible("btnBreak"); }

  // ---- locations (config/discovery.cpp)
  // `zPrzycisku` tells that the call comes from an edition radio button.
  bool WczytajKonfiguracje(bool zPrzycisku);
  void JSTClick(const std::string& radio);
  void ZaznaczBezZdarzenia(const std::string& radio, bool checked);
  // Checks a radio button the way a click does: runs JSTClick.
  void ZaznaczRadio(const std::string& radio);
  bool UstawSciezkiDoBaz(const std::string& SciezkaP, const std::string& SciezkaI, bool JestWKonwersji,
                         bool PokazKomunikat);

  // ---- budget unit and data version (config/unit.cpp)
  bool UstawInformacjeOJednostce();
  std::string OdczytajWersjeDanych();
  bool SprawdzWersjeDanych(const std::string& SciezkaP, const std::string& SciezkaI, bool JestWKonwersji);
  // Empties the budget-unit value labels (the unit table was closed).
  void WyczyscDaneJednostki();

  // ---- conversion log (log/conversion_log.cpp)
  void ZapiszLinie(const std::string& line, Kategorie categories);
  void ZapiszKomunikat(const std::string& line, Kategorie categories, Znaczniki marks = 0);
  void OtworzSekcjeTabeli(Kategoria category);
  void NaglowekTabeli(Kategoria category);
  void ZapiszBlad(const std::string& location);
  std::string TekstBleduBazy() const;
  void ZglosBlad(const std::string& procedure, const std::string& message, const std::string& comment);
  bool InitLogFile(PlikLogu& file, bool zapytaj);
  void ZamknijPlikiLogow() noexcept;
  // The current table's label (TABELA, or TABELA/TABELA_IB when they differ ignoring case).
  std::string EtykietaTabeli();

  // ---- structure comparison (compare/porownanie.cpp)
  // Compares the Firebird table TabelaIB with the Paradox table TabelaPDX through dm()->TblI and TblP,
  // which stay on them; with ZTabelamiKonf the control tables map names and accept differences. Fills
  // the four texts (cleared first) and returns the classes (kKlasa* of compare/porownanie.h).
  unsigned char PorownajStrukturyTabel(const std::string& TabelaIB, const std::string& TabelaPDX, bool ZTabelamiKonf,
                                       std::string& Opis, std::string& Informacje, std::string& Krytyczne,
                                       std::string& Bledy);
  // The run's comparison of the current ListaTabel row (TABELA_IB with TABELA in DBp), logged.
  void PorownajStrukturyBiezacejTabeli();

  // ---- table copy (convert/kopia.cpp)
  // Copies the current ListaTabel row's table from Paradox into Firebird; errors are logged and passed on.
  void Convert();
  // Whether the Paradox file of the named table exists in the Paradox data directory.
  bool IstniejeTabelaParadoxa(const std::string& name);
  // Rows of the named Firebird table as decimal text ("USER" is counted as "USER_").
  std::string LiczbaRekordow(const std::string& name);

  // ---- conversion run and dictionaries (convert/)
  // The handler of "&Konwertuj": checks, confirmation, the run over ListaTabel and its verdict. Never throws.
  void Konwertuj();
  // The header block and the walk of ListaTabel for a conversion kind (0..4); errors are logged, then passed on.
  void PrzepiszParadoxToInterbase(unsigned kind);
  // Handles the current ListaTabel row of the walk; false when a break request ends the walk.
  bool KonwertujBiezacyWiersz();
  // Lists the Paradox tables that neither ListaTabel nor ListaTabelSkip names.
  void RaportPominietychTabel();
  // Compares the current ListaTabel row's dictionary in Paradox with the one in Firebird and logs what the
  // copy will replace; writes to neither database. Errors are logged, then passed on.
  void PorownajZawartoscTabeliSlownikow();

  // ---- report, location dialog, viewers
  // The whole-database structure comparison appended to the memo mPorownanie (compare/raport.cpp);
  // with ZTabelamiKonf the control tables map names, accept differences and leave skipped tables out.
  // Ignored while a comparison or a conversion runs. Engine errors outside a table's opening pass on.
  void PorownajBazy(bool ZTabelamiKonf);
  // Writes mPorownanie's text (Windows-1250, CR LF) to the file the operator chooses; ignored while a
  // comparison runs; throws std::runtime_error when the file cannot be written.
  void ZapiszPorownanie();
  bool PorownanieTrwa = false;
  // The data-location dialog (config/lokalizacja.cpp): the operator's new locations applied and tested,
  // the previous ones restored when they do not work.
  void ActionZmienKonfig();
  // "server:path" split at the first colon; both outputs untouched when there is no colon.
  static void RozdzielSerwerISciezke(const std::string& Sciezka, std::string& Serwer, std::string& SciezkaPliku);
  // "server:path"; empty when the path is empty.
  static std::string PolaczSerwerISciezke(const std::string& Serwer, const std::string& SciezkaPliku);
  // The dialog's state, created on first use and kept.
  std::shared_ptr<TfrmLokalizacja> frmLokalizacja;

  // ---- state
  std::string SciezkaParadoxa;
  std::string SciezkaInterbase;
  std::string SciezkaGlowna;
  unsigned RodzajKonwersji = 0;
  bool JestWOnCreate = false;
  bool BladKonwersji = false;
  bool NiezgodnoscKrytyczna = false;
  bool Niezgodnosc = false;
  std::array<PlikLogu, 4> logi;                 // by Kategoria
  std::array<bool, 4> NaglowekDoZapisu{};       // pending section openings (index 0 unused)
  TAppException wyjatki;

  // The workstation identifier used to name the INI section; tests may replace it.
  std::string (*identyfikatorStanowiska)() = nullptr;

 private:
  Operator& ui_;
  std::vector<std::string> arguments_;
  std::string programPath_;
  TdmKonw* dm_ = nullptr;
};

// "true" or "false", for diagnostic texts.
inline std::string LogicznaNaTekst(bool b) { return b ? "true" : "false"; }

// The log base names, in category order.
inline constexpr std::array<const char*, 4> kNazwyLogow = {"Konwersja.log", "KonwersjaInf.log", "KonwersjaBl.log",
                                                          "KonwersjaBlKr.log"};
// Memos of the categories, in category order.
inline constexpr std::array<const char*, 4> kMemoLogow = {"mKomunikaty", "mKomInf", "mKomBl", "mKomBlKr"};

}  // namespace konw
