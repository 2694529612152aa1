// The conversion run: the walk of ListaTabel by the conversion kind (structure comparison, dictionary
// comparison and copy of every selected table), the list of Paradox tables that no control table
// names, and the verdict that the run's flags select. The run owns its flags and its log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/discovery.h"
#include "convert/triggery.h"
#include "convert/weryfikacja.h"
#include "log/conversion_log.h"

namespace konw {

class Operator;
class TdmKonw;

enum class TRodzajKonwersji {
  Wszystko = 0,
  BezSlownikow = 1,
  Slowniki = 2,
  SlownikiBufor = 3,
  WybraneTabele = 4
};

// How a run ended, from the worst: it never started (checks, confirmation), was broken by the operator,
// stopped by an error, met a critical structure mismatch, a structure mismatch, or finished.
enum class Werdykt { NieRozpoczety, Przerwany, Blad, NiezgodnoscKrytyczna, Niezgodnosc, Zakonczony };

// The confirmation's sentence and question for a conversion kind.
std::string TrescPotwierdzenia(TRodzajKonwersji kind, const std::string& SciezkaInterbase);

// What became of a table the run took up, for summaries (the logs say it in full).
struct WynikTabeli {
  // Uszkodzona: copied, but the Paradox table gave fewer rows than its header counts or values it could
  // not read; Odrzucona: a name of its ListaTabel row was refused, nothing was done.
  enum class Stan { Skopiowana, Pominieta, NieZnaleziona, Blad, Przerwana, Uszkodzona, Odrzucona };
  std::string paradox, firebird;
  Stan stan = Stan::Pominieta;
  std::int64_t odczytane = 0, zapisane = 0;  // Paradox rows, Firebird rows the copy wrote
  std::int64_t poZakonczeniu = -1;           // rows of a table changed after its copy, at the run's end
  std::int64_t oczekiwane = -1;              // rows the Paradox header counts, when more than were read
  double sekundy = 0;
  std::vector<std::string> roznice;  // the structure comparison's lines, critical first
  // The read-back after the copy: whether the table was compared and found, after the run's last commit,
  // as the read-back left it; the values that differed from those sent and their lines; whether the
  // table changed after its copy.
  bool zweryfikowana = false;
  std::int64_t roznicWartosci = 0;
  std::vector<std::string> roznicePoKopii;
  bool zmienionaPoKopii = false;
};

// A conversion run: its flags and its log, the walk of ListaTabel, the outcome of every table. The owner
// hands it the data module and the edition; the copy and its read-back (convert/) record into it through
// the narrow operations at the end.
class TPrzebieg {
 public:
  TPrzebieg(Operator& ui, TAppException& wyjatki)
      : ui_(ui), log_(ui, wyjatki, flagi_, [this] { return EtykietaTabeli(); }) {}

  // The program's data module, once it exists; the edition whose databases the run converts (none
  // checked: neither); whether copies are read back and compared (off only to measure the copy alone).
  void UstawDane(TdmKonw& dm) { dm_ = &dm; }
  void UstawEdycje(std::optional<Edycja> edycja) { edycja_ = edycja; }
  void UstawWeryfikacje(bool weryfikacja) { weryfikacja_ = weryfikacja; }
  // A trial (`konwersja-cli check --trial`): each copy runs as in a run, its trigger switched off and on
  // as a run does it, but its transaction is rolled back instead of committed, and nothing else is
  // changed afterwards (no generator moved past a table's rows).
  void UstawProbe(bool proba) { proba_ = proba; }
  bool proba() const { return proba_; }

  // A new run: every flag down.
  void Rozpocznij();
  // The verdict of the run's flags; the run ends and its flags go down.
  Werdykt Zakoncz();
  Werdykt werdykt() const;
  // Between Rozpocznij and Zakoncz.
  bool trwa() const { return trwa_; }
  // The operator's break request (the button, Ctrl+C, a signal): the run stops at its next check.
  void Przerwij() { flagi_.Przerwano = true; }

  // The header block (`naglowek`: the locations, data version and unit lines) and the walk of ListaTabel
  // for a conversion kind; errors are logged, then passed on.
  void PrzepiszParadoxToInterbase(TRodzajKonwersji kind, const std::vector<std::string>& naglowek);
  // A table the walk takes up: its outcome, recorded from here on (the current table).
  WynikTabeli& PodejmijTabele(const std::string& paradox, const std::string& firebird) {
    WynikTabeli& w = tabele_.emplace_back();
    w.paradox = paradox;
    w.firebird = firebird;
    return w;
  }
  // Handles the current ListaTabel row of the walk; false when a break request ends the walk.
  bool KonwertujBiezacyWiersz();
  // Lists the Paradox tables that neither ListaTabel nor ListaTabelSkip names.
  void RaportPominietychTabel();
  // The comparison of the current ListaTabel row (TABELA_IB with TABELA in DBp), logged.
  void PorownajStrukturyBiezacejTabeli();
  // Compares the current row's dictionary in Paradox with the one in Firebird and logs what the copy
  // will replace; writes to neither database. Errors are logged, then passed on.
  void PorownajZawartoscTabeliSlownikow();
  // Copies the current row's table from Paradox into Firebird; errors are logged and passed on.
  void Convert();
  // The check after the run's last commit of every table copied (see SprawdzPoZakonczeniu); a table that
  // changed is compared again with its Paradox table, value by value. Never throws.
  void SprawdzTabelePoZakonczeniu() noexcept;
  // Whether the Paradox file of the named table exists in the directory the Paradox database reads.
  bool IstniejeTabelaParadoxa(const std::string& name) const;
  // Rows of the named Firebird table as decimal text ("USER" is counted as "USER_").
  std::string LiczbaRekordow(const std::string& name);
  // The current table's label (TABELA, or TABELA/TABELA_IB when they differ ignoring case).
  std::string EtykietaTabeli();

  // The run's flags (the log raises the mismatch flags as it writes) and its log.
  FlagiPrzebiegu& flagi() { return flagi_; }
  const FlagiPrzebiegu& flagi() const { return flagi_; }
  TLogKonwersji& log() { return log_; }
  const TLogKonwersji& log() const { return log_; }
  // The tables of the last run, in the walk's order.
  const std::vector<WynikTabeli>& tabele() const { return tabele_; }
  // The seconds the read-back took so far.
  double sekundyWeryfikacji() const { return sekundyWeryfikacji_; }

  // ---- for the copy and its read-back
  Operator& ui() { return ui_; }
  TdmKonw& dane() const;
  bool weryfikacja() const { return weryfikacja_; }
  // The outcome of table `i` of the walk (nullptr when there is none), and the index of the current one
  // (SIZE_MAX before the first).
  WynikTabeli* wynikTabeli(std::size_t i) { return i < tabele_.size() ? &tabele_[i] : nullptr; }
  std::size_t biezacaTabela() const { return tabele_.empty() ? SIZE_MAX : tabele_.size() - 1; }
  // A table copied and read back, for the check after the last commit; the tables recorded so far,
  // given up.
  void DoSprawdzenia(StanZapisanej stan) { doSprawdzenia_.push_back(std::move(stan)); }
  std::vector<StanZapisanej> ZabierzDoSprawdzenia() { return std::exchange(doSprawdzenia_, {}); }
  void DodajCzasWeryfikacji(double sekundy) { sekundyWeryfikacji_ += sekundy; }
  // The journal of the triggers the run's copies switch off.
  ZapisWylaczen& wylaczenia() { return wylaczenia_; }

 private:
  Operator& ui_;
  FlagiPrzebiegu flagi_;
  TLogKonwersji log_;
  TdmKonw* dm_ = nullptr;
  std::optional<Edycja> edycja_;
  bool trwa_ = false;
  std::vector<WynikTabeli> tabele_;
  bool weryfikacja_ = true;
  bool proba_ = false;
  double sekundyWeryfikacji_ = 0;
  std::vector<StanZapisanej> doSprawdzenia_;
  ZapisWylaczen wylaczenia_;
  // A copy failed: the next one starts by reconnecting both databases.
  bool polaczeniaPoBledzie_ = false;
  // Compares a table that changed after its copy with its Paradox table again, naming the values.
  std::optional<StanZapisanej> PorownajPonownie(const StanZapisanej& tabela);
};

}  // namespace konw
