// The conversion log: four categories written to the pages of the window and, during a run, to files
// in the Paradox data directory (Windows-1250, CR LF, every line flushed); the marks a write may carry
// raise the run's flags.
#pragma once

#include <array>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "log/appex.h"

namespace konw {

class Operator;

// Log categories in their fixed writing order.
enum class Kategoria { Ogolny = 0, DodatkoweInfo = 1, Bledy = 2, BledyKrytyczne = 3 };
using Kategorie = unsigned;  // set of 1 << Kategoria
constexpr Kategorie kat(Kategoria k) {
  return 1u << static_cast<unsigned>(k);
}
constexpr Kategorie kOgolny = kat(Kategoria::Ogolny);
constexpr Kategorie kDodatkoweInfo = kat(Kategoria::DodatkoweInfo);
constexpr Kategorie kBledy = kat(Kategoria::Bledy);
constexpr Kategorie kBledyKrytyczne = kat(Kategoria::BledyKrytyczne);
constexpr Kategorie kWszystkie = kOgolny | kDodatkoweInfo | kBledy | kBledyKrytyczne;

// Run marks a write may carry.
using Znaczniki = unsigned;
constexpr Znaczniki kNiezgodnosc = 1;
constexpr Znaczniki kNiezgodnoscKrytyczna = 2;

// The log base names and the captions of their pages, in
// category order; the caption of the page that holds the four.
inline constexpr std::array<const char*, 4> kNazwyLogow = {"Konwersja.log", "KonwersjaInf.log",
                                                           "KonwersjaBl.log", "KonwersjaBlKr.log"};
inline constexpr std::array<const char*, 4> kPodpisyStronLogow = {"Ogólny", "Dodatkowe informacje", "Błędy",
                                                                  "Błędy krytyczne"};
inline constexpr const char* kPodpisStronyWynikow = "Wyniki";

// The flags of a run: raised by the operator's break, by the first error and by marked log writes.
struct FlagiPrzebiegu {
  bool Przerwano = false;
  bool BladKonwersji = false;
  bool NiezgodnoscKrytyczna = false;
  bool Niezgodnosc = false;
};

// One log file of a category: open only during a run; every line is flushed.
struct PlikLogu {
  std::string sciezka;  // log file path as the program shows it (Windows form when configured so)
  std::FILE* plik = nullptr;
  bool niekompletny = false;  // a line could not be written to it since it was opened
  bool utworzony = false;     // created by the current run (every run clears it at its start)
  bool otwarty() const { return plik != nullptr; }
  void zamknij() noexcept;
};

// The lines written while one table of a run was current, by category: the table's section of the logs.
using SekcjaLogow = std::array<std::vector<std::string>, 4>;

class TLogKonwersji {
 public:
  // `etykietaTabeli` names the table being converted: its label opens the table's section in a category.
  TLogKonwersji(Operator& ui, TAppException& wyjatki, FlagiPrzebiegu& flagi,
                std::function<std::string()> etykietaTabeli)
      : ui_(ui), wyjatki_(wyjatki), flagi_(flagi), etykietaTabeli_(std::move(etykietaTabeli)) {}
  ~TLogKonwersji() { ZamknijPlikiLogow(); }
  TLogKonwersji(const TLogKonwersji&) = delete;
  TLogKonwersji& operator=(const TLogKonwersji&) = delete;

  std::array<PlikLogu, 4> logi;            // by Kategoria
  std::array<bool, 4> NaglowekDoZapisu{};  // pending section openings (index 0 unused)
  // A line could not be written to its file: the run's logs are incomplete.
  bool BladZapisu = false;
  // What the operator is told about the files once a line could not be written (empty when every line
  // was): which files are incomplete and where the whole record of the run is still to be seen.
  std::string UwagaONiekompletnychLogach() const;

  // The log files of a run go into this directory (a trailing separator included).
  void UstawKatalog(const std::string& katalog);
  void ZapiszLinie(const std::string& line, Kategorie categories);
  void ZapiszKomunikat(const std::string& line, Kategorie categories, Znaczniki marks = 0);
  void OtworzSekcjeTabeli(Kategoria category);
  void NaglowekTabeli(Kategoria category);
  // The run's error block: the first error of a run with the failing operation, then the flag.
  void ZapiszBlad(const std::string& location);
  // The message of the exception being handled (with the engine's code), empty outside a handler.
  static std::string TekstBleduBazy();
  void ZglosBlad(const std::string& procedure, const std::string& message, const std::string& comment);
  bool InitLogFile(PlikLogu& file, bool zapytaj);
  void ZamknijPlikiLogow() noexcept;

  // From here on the lines written belong to table `tabela` of the run (in the walk's order), until
  // another table or none is named; a new run starts with no sections.
  void UstawSekcje(std::optional<std::size_t> tabela) { sekcja_ = tabela; }
  void WyczyscSekcje() {
    sekcje_.clear();
    sekcja_.reset();
  }
  // Each table's section, by its place in the walk (a table nothing was written about has none).
  const std::vector<SekcjaLogow>& sekcje() const { return sekcje_; }

 private:
  Operator& ui_;
  TAppException& wyjatki_;
  FlagiPrzebiegu& flagi_;
  std::function<std::string()> etykietaTabeli_;
  std::optional<std::size_t> sekcja_;
  std::vector<SekcjaLogow> sekcje_;
};

// Prepends `fill` to `text` until it is at least `width` long (an empty fill changes nothing).
std::string UzupelnijDoDlugosci(std::string text, const std::string& fill, std::size_t width);

// "C:\DANE\Konwersja.log" → "C:\DANE\Konwersja_20070305090407.log" for the given local time.
std::string NazwaPlikuZDataICzasem(const std::string& name, const std::tm& when);
// The same for the current local time.
std::string NazwaPlikuZDataICzasem(const std::string& name);

// The first of name-without-".log" + 1, 2, ... + ".log" that names no existing file. Numbering goes
// on past 100 when the first hundred are taken, so an existing log is never overwritten.
std::string NazwaPlikuZNumerem(const std::string& name);

// Whether the file holds anything other than spaces, tabs and line ends (false when it cannot be read).
bool PlikZawieraDane(const std::string& location);

// The local time now.
std::tm CzasLokalny();

// "true" or "false", for diagnostic texts.
inline std::string LogicznaNaTekst(bool b) {
  return b ? "true" : "false";
}

}  // namespace konw
