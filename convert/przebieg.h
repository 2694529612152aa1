// The conversion run: the walk of ListaTabel by the conversion kind (structure comparison, dictionary
// comparison and copy of every selected table), the list of Paradox tables that no control table
// names, and the verdict that the run's flags select. The run owns its flags and its log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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
  std::int64_t odczytane = 0, zapisane = 0;  // Paradox rows, Firebird rows after the copy
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

class TPrzebieg {
 public:
  // `SciezkaParadoxa`: where the Paradox tables are, as the owner keeps it.
  TPrzebieg(Operator& ui, TAppException& wyjatki, const std::string& SciezkaParadoxa)
      : log(ui, wyjatki, flagi, [this] { return EtykietaTabeli(); }),
        SciezkaParadoxa(SciezkaParadoxa),
        ui_(ui) {}

  FlagiPrzebiegu flagi;
  TLogKonwersji log;
  TdmKonw* dm = nullptr;         // the program's data module, once it exists
  std::optional<Edycja> edycja;  // the edition whose databases the run converts (none checked: neither)
  const std::string& SciezkaParadoxa;
  bool trwa = false;                // between Rozpocznij and Zakoncz
  std::vector<WynikTabeli> tabele;  // the tables of the last run, in the walk's order
  // Whether copies are read back and compared (off only to measure the copy alone), and the seconds that
  // took so far.
  bool weryfikacja = true;
  double sekundyWeryfikacji = 0;
  // Tables copied and read back in this run, for the check after its last commit.
  std::vector<StanZapisanej> doSprawdzenia;
  // The journal of the triggers the run's copies switch off.
  ZapisWylaczen wylaczenia;

  // A new run: every flag down.
  void Rozpocznij();
  // The verdict of the run's flags; the run ends and its flags go down.
  Werdykt Zakoncz();
  Werdykt werdykt() const;

  // The header block (`naglowek`: the locations, data version and unit lines) and the walk of ListaTabel
  // for a conversion kind; errors are logged, then passed on.
  void PrzepiszParadoxToInterbase(TRodzajKonwersji kind, const std::vector<std::string>& naglowek);
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
  // Whether the Paradox file of the named table exists in the Paradox data directory.
  bool IstniejeTabelaParadoxa(const std::string& name) const;
  // Rows of the named Firebird table as decimal text ("USER" is counted as "USER_").
  std::string LiczbaRekordow(const std::string& name);
  // The current table's label (TABELA, or TABELA/TABELA_IB when they differ ignoring case).
  std::string EtykietaTabeli();

  Operator& ui() { return ui_; }

 private:
  Operator& ui_;
  // A copy failed: the next one starts by reconnecting both databases.
  bool polaczeniaPoBledzie_ = false;
  // Compares a table that changed after its copy with its Paradox table again, naming the values.
  std::optional<StanZapisanej> PorownajPonownie(const StanZapisanej& tabela);
};

}  // namespace konw
