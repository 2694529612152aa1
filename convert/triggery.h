// The triggers a copy switches off, kept track of so that none stays off: the journal of the control
// directory records a trigger before it goes off and forgets it once it is on again; every start of the
// program switches back on what the journal names and every ListaTabel trigger found inactive.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace db {
class Database;
}

namespace konw {

class TdmKonw;
class TLogKonwersji;

// A trigger switched off by a copy, as the journal keeps it (one line, tab-separated).
struct WpisTriggera {
  std::string baza;       // the Firebird location as the program attached it (SERVER NAME)
  std::string tabela;     // TABELA_IB
  std::string trigger;    // TRIGGER_IB
  std::string generator;  // GENERATOR_IB; empty when the table has none
  std::string kolumna;    // the Firebird column the generator numbers; empty when none
  bool operator==(const WpisTriggera&) const = default;
};

// The journal file "WylaczoneTriggery.txt" of a control directory. Every change replaces the file whole
// (written, flushed to the disk, renamed over the old one), so that a process killed at any moment leaves
// either the old or the new contents. Lines it cannot read are kept as they are.
class DziennikTriggerow {
 public:
  static constexpr const char* kNazwaPliku = "WylaczoneTriggery.txt";

  // The journal of the control directory `SciezkaKonwersji` (a location as the program keeps it).
  static DziennikTriggerow WKatalogu(const std::string& SciezkaKonwersji);
  explicit DziennikTriggerow(std::filesystem::path plik) : plik_(std::move(plik)) {}

  const std::filesystem::path& plik() const { return plik_; }
  // The records; the lines that are no record go into `nieczytelne` when given. Nothing when there is no
  // file; std::system_error when it cannot be read.
  std::vector<WpisTriggera> Wczytaj(std::vector<std::string>* nieczytelne = nullptr) const;
  // Adds a record; std::system_error when the file cannot be written.
  void Dopisz(const WpisTriggera& wpis) const;
  // Removes the record (every line equal to it); the file goes when nothing is left in it.
  // std::system_error when it cannot be written.
  void Usun(const WpisTriggera& wpis) const;

 private:
  std::filesystem::path plik_;
};

// What a run does with the journal. A run that cannot keep a record still copies: it says once, in its
// log and in the error log, that an interrupted copy would go unrecorded. While a trigger is off the run
// holds a shared lock on the control directory, so that the start of another process on this computer
// leaves that trigger alone.
class ZapisWylaczen {
 public:
  ZapisWylaczen() = default;
  ~ZapisWylaczen() { Zwolnij(); }
  ZapisWylaczen(const ZapisWylaczen&) = delete;
  ZapisWylaczen& operator=(const ZapisWylaczen&) = delete;

  // A new run: a journal that cannot be written is said again.
  void NowyPrzebieg() { zgloszono_ = false; }
  // Takes the lock and records the trigger before it goes off; false when the journal could not take it
  // (said).
  bool Zapisz(TdmKonw& dm, TLogKonwersji& log, const WpisTriggera& wpis);
  // Forgets the trigger, which is on again; a failure is said, the record stays for the next start.
  void Wykresl(TdmKonw& dm, TLogKonwersji& log, const WpisTriggera& wpis);
  // The copy is over, whatever became of its trigger: the lock goes.
  void Zwolnij() noexcept;

 private:
  void zglos(TLogKonwersji& log, const std::string& plik, const std::string& blad);
  bool zgloszono_ = false;
  int blokada_ = -1;  // the control directory, locked shared
};

// Moves the generator of `wpis` past the largest number of its column in its table (nothing when it has
// no generator or column, or already is past); the sentence that says so, empty when nothing changed.
std::string GeneratorZaNajwiekszym(db::Database& baza, const WpisTriggera& wpis);

// Whether the trigger `trigger` is off in `baza`; nullopt when the database has no such trigger.
std::optional<bool> TriggerWylaczony(db::Database& baza, const std::string& trigger);

// The record of a trigger the copy of the current ListaTabel row switches off, in the database DBi is on.
WpisTriggera WpisBiezacejTabeli(TdmKonw& dm);

// One trigger found off at start-up, or a problem of the journal itself (`trigger` empty).
struct PrzywrocenieTriggera {
  std::string trigger, tabela, baza;
  bool zDziennika = false;   // the journal named it (else it was found inactive in the database)
  bool przywrocony = false;  // it was off and is on now
  bool porazka = false;      // something could not be done (a trigger stays off, the journal is unreadable)
  std::string komunikat;     // the sentence for the operator
};

// Switches on every trigger that the journal names and every TRIGGER_IB of ListaTabel that is inactive in
// the database DBi is on (when connected), moves each one's generator past the largest number of its
// table, and clears the journal's records of the triggers that are on. `SciezkaInterbase` is the location
// the program is pointed at; a record of another location is repaired there, through a connection of its
// own. Never throws: every failure is one of the entries. While another process of this computer copies a
// table (it holds the control directory's lock) nothing is changed, and the one entry says so.
std::vector<PrzywrocenieTriggera> PrzywrocWylaczoneTriggery(TdmKonw& dm, const std::string& SciezkaInterbase);

}  // namespace konw
