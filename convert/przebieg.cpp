#include "convert/przebieg.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "compare/porownanie.h"
#include "control/konwersja_dm.h"
#include "db/engine.h"
#include "platform/operator.h"
#include "platform/text.h"

namespace konw {

namespace {

constexpr const char* kMiejsceWalku = "TfrmConvert.PrzepiszParadoxToInterbase";
const std::string kKreski(30, '-');
const std::string kRowne(30, '=');
constexpr const char* kUwagaKasowanie =
    "UWAGA! Operacja spowoduje skasowanie dotychczasowych danych w docelowej bazie formatu Firebird. Czy "
    "chcesz kontynuować?";

// Whether the kind converts the current row of ListaTabel. The buffer's kind never reaches the walk.
bool WybranyWiersz(db::Table& lista, TRodzajKonwersji kind) {
  switch (kind) {
    case TRodzajKonwersji::Wszystko:
      return true;
    case TRodzajKonwersji::BezSlownikow:
      return !lista.fieldByName("SLOWNIK").asBoolean();
    case TRodzajKonwersji::Slowniki:
      return lista.fieldByName("SLOWNIK").asBoolean();
    case TRodzajKonwersji::WybraneTabele:
      return lista.fieldByName("KONWERTOWANA").asBoolean();
    case TRodzajKonwersji::SlownikiBufor:
      break;
  }
  return false;
}

// The date and the time as the header of a run shows them (the Polish system's short date and long time).
std::string DataICzas() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char data[16], czas[16];
  std::strftime(data, sizeof data, "%Y-%m-%d", &local);
  std::strftime(czas, sizeof czas, "%H:%M:%S", &local);
  return std::string(data) + ", " + czas;
}

// While the walk waits for the Firebird server the window goes on (its events are pumped) and a break
// asked for during that wait cancels the call; the hook is removed when the walk ends, however it ends.
class HakOczekiwania {
 public:
  HakOczekiwania(db::Database& baza, std::function<bool()> hak) : baza_(baza) {
    baza_.setWaitHook(std::move(hak));
  }
  ~HakOczekiwania() { baza_.setWaitHook({}); }
  HakOczekiwania(const HakOczekiwania&) = delete;
  HakOczekiwania& operator=(const HakOczekiwania&) = delete;

 private:
  db::Database& baza_;
};

// Whether the exception in flight is a call that a break cancelled while it waited for the server.
bool PrzerwanoWOczekiwaniu() {
  try {
    throw;
  } catch (const db::EngineError& e) {
    return db::isWaitInterrupted(e);
  } catch (...) {
    return false;
  }
}

}  // namespace

std::string TrescPotwierdzenia(TRodzajKonwersji kind, const std::string& SciezkaInterbase) {
  static constexpr const char* kZdania[] = {
      "Program dokona konwersji bazy danych w formacie Paradox do bazy w formacie Firebird.",
      "Program dokona konwersji bazy danych Paradox do bazy Firebird bez tabel słownikowych.",
      "Program dokona konwersji słowników z bazy danych Paradox do bazy Firebird.",
      "Program dokona przepisania słowników do bufora: ",
      "Program dokona konwersji wybranych tabel bazy danych Paradox do bazy Firebird."};
  if (kind == TRodzajKonwersji::SlownikiBufor)
    return kZdania[3] + SciezkaInterbase + "\n\r\n\rCzy chcesz kontynuować?";
  return kZdania[static_cast<int>(kind)] + std::string("\n\r\n\r") + kUwagaKasowanie;
}

void TPrzebieg::Rozpocznij() {
  flagi_ = {};
  trwa_ = true;
  tabele_.clear();
  doSprawdzenia_.clear();
  log_.WyczyscSekcje();
}

Werdykt TPrzebieg::werdykt() const {
  if (flagi_.Przerwano) return Werdykt::Przerwany;
  if (flagi_.BladKonwersji) return Werdykt::Blad;
  if (flagi_.NiezgodnoscKrytyczna) return Werdykt::NiezgodnoscKrytyczna;
  if (flagi_.Niezgodnosc) return Werdykt::Niezgodnosc;
  return Werdykt::Zakonczony;
}

Werdykt TPrzebieg::Zakoncz() {
  const Werdykt w = werdykt();
  flagi_ = {};
  trwa_ = false;
  return w;
}

TdmKonw& TPrzebieg::dane() const {
  if (!dm_) throw std::logic_error("przebieg konwersji bez modułu danych");
  return *dm_;
}

std::string TPrzebieg::EtykietaTabeli() {
  std::string tabela, tabelaIb;
  try {
    if (dm_ && dm_->tblLista.active()) {
      tabela = dm_->tblLista.fieldByName("TABELA").asString();
      tabelaIb = dm_->tblLista.fieldByName("TABELA_IB").asString();
    }
  } catch (const db::EngineError&) {
    // A label is only ever written into the log; an unreadable row leaves what was read.
  }
  if (equalsIgnoreCase(tabela, tabelaIb)) return tabela;
  return tabela + "/" + tabelaIb;
}

void TPrzebieg::PorownajStrukturyBiezacejTabeli() {
  dm_->TblI.close();
  dm_->TblP.close();
  dm_->TblP.setDatabase(&dm_->DBp);
  log_.ZapiszKomunikat("  porównanie struktur...", kOgolny);

  const WynikPorownania w =
      PorownajStrukturyTabel(*dm_, ui_, dm_->tblLista.fieldByName("TABELA_IB").asString(),
                             dm_->tblLista.fieldByName("TABELA").asString(), true);
  if (w.klasy & (kKlasaInformacja | kKlasaBlad | kKlasaKrytyczna)) log_.ZapiszKomunikat(w.opis, kOgolny);
  if (!tabele_.empty())
    for (const std::string* linie : {&w.krytyczne, &w.bledy})
      for (std::string& l : splitList(*linie, '\n'))
        if (!trim(l).empty()) tabele_.back().roznice.push_back(trim(l));
  if (w.klasy & kKlasaKrytyczna)
    log_.ZapiszKomunikat(w.krytyczne, kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  if (w.klasy & kKlasaBlad) log_.ZapiszKomunikat(w.bledy, kBledy, kNiezgodnosc);
  if (w.klasy & kKlasaInformacja) log_.ZapiszKomunikat(w.informacje, kDodatkoweInfo);
}

void TPrzebieg::PrzepiszParadoxToInterbase(TRodzajKonwersji kind, const std::vector<std::string>& naglowek) {
  if (flagi_.Przerwano) return;
  TdmKonw& dm = dane();
  db::Table& lista = dm.tblLista;
  std::optional<std::int64_t> zakladka;
  if (!lista.isEmpty()) zakladka = lista.bookmark();
  auto wrocNaZakladke = [&]() noexcept {
    if (!zakladka) return;
    try {
      lista.gotoBookmark(*zakladka);
    } catch (const db::EngineError&) {
      // The row was deleted meanwhile (through the list's editor): the list stays where it is.
    }
  };

  // Only a break asked for during the wait stops the call: one asked for earlier is handled between
  // rows, and what follows it (the rollback, the trigger switched back on) must not be cut short.
  HakOczekiwania hak(dm.DBi, [this] {
    const bool wczesniej = flagi_.Przerwano;
    ui_.processMessages();
    return !wczesniej && flagi_.Przerwano;
  });
  try {
    log_.NaglowekDoZapisu.fill(false);

    log_.ZapiszKomunikat(kRowne, kWszystkie);
    log_.ZapiszKomunikat("Przeniesienie danych Paradox-Firebird, " + DataICzas(), kWszystkie);
    for (const std::string& linia : naglowek) log_.ZapiszKomunikat(linia, kWszystkie);
    log_.ZapiszKomunikat(kRowne, kWszystkie);
    log_.ZapiszKomunikat(" ", kWszystkie);

    for (lista.first(); !lista.eof();) {
      if (WybranyWiersz(lista, kind) && !KonwertujBiezacyWiersz()) break;
      ui_.processMessages();
      if (flagi_.Przerwano) break;
      ui_.stepBar(Pasek::Calosc);
      lista.next();
    }

    log_.UstawSekcje(std::nullopt);
    // Every table copied is committed: each is checked as the run leaves it.
    SprawdzTabelePoZakonczeniu();
    RaportPominietychTabel();
  } catch (...) {
    log_.ZapiszBlad(kMiejsceWalku);
    log_.UstawSekcje(std::nullopt);
    SprawdzTabelePoZakonczeniu();
    wrocNaZakladke();
    throw;
  }
  wrocNaZakladke();
}

bool TPrzebieg::KonwertujBiezacyWiersz() {
  TdmKonw& dm = dane();
  db::Table& lista = dm.tblLista;
  const bool jst = edycja_ == Edycja::JST;
  const bool jb = edycja_ == Edycja::JB;
  const bool dizez = lista.fieldByName("DIZEZ").asBoolean();

  // What is written from here to the next row is this table's section of the logs.
  log_.UstawSekcje(tabele_.size());
  if (jst || dizez) {
    log_.ZapiszKomunikat(" ", kOgolny);
    log_.ZapiszKomunikat(kKreski, kOgolny);
  }
  log_.NaglowekDoZapisu.fill(true);

  const std::string idtf = lista.fieldByName("IDTF").asString();
  const std::string tabelaPdx = lista.fieldByName("TABELA").asString();
  const std::string tabelaIb = lista.fieldByName("TABELA_IB").asString();
  const Kategorie krytyczne = kOgolny | kBledy | kBledyKrytyczne;
  const Znaczniki obaZnaczniki = kNiezgodnoscKrytyczna | kNiezgodnosc;
  if (tabelaPdx.empty())
    log_.ZapiszKomunikat("*** Brak nazwy tabeli Paradox (ident. " + idtf + ") ***", krytyczne, obaZnaczniki);
  if (tabelaIb.empty())
    log_.ZapiszKomunikat("*** Brak nazwy tabeli Firebird (ident. " + idtf + ") ***", krytyczne, obaZnaczniki);
  WynikTabeli& wynik = PodejmijTabele(tabelaPdx, tabelaIb);
  if (tabelaPdx.empty() || tabelaIb.empty()) return true;

  if (!IstniejeTabelaParadoxa(tabelaPdx)) {
    wynik.stan = WynikTabeli::Stan::NieZnaleziona;
    if (!jb || dizez)
      log_.ZapiszKomunikat("*** Tabela: " + tabelaPdx + " nie istnieje ***", kOgolny | kBledy, kNiezgodnosc);
    return true;
  }
  if (jb && !dm.TabelaIstniejeWFirebird(tabelaIb)) {
    wynik.stan = WynikTabeli::Stan::NieZnaleziona;
    log_.ZapiszKomunikat("*** Tabela: \"" + tabelaPdx + "\" nie istnieje w bazie formatu Firebird ***",
                         krytyczne, obaZnaczniki);
    return true;
  }
  log_.NaglowekTabeli(Kategoria::Ogolny);
  ui_.showTable(EtykietaTabeli());
  const std::size_t indeks = tabele_.size() - 1;  // the entry stays, the vector may not
  const auto start = std::chrono::steady_clock::now();
  auto zakoncz = [&](WynikTabeli::Stan stan) {
    WynikTabeli& w = tabele_[indeks];
    // What the copy found out about the table stays: a failure, a damaged or a refused table.
    const bool ustalony = w.stan == WynikTabeli::Stan::Blad || w.stan == WynikTabeli::Stan::Uszkodzona ||
                          w.stan == WynikTabeli::Stan::Odrzucona;
    if (!ustalony) w.stan = flagi_.Przerwano ? WynikTabeli::Stan::Przerwana : stan;
    w.sekundy = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  try {
    PorownajStrukturyBiezacejTabeli();
    if (lista.fieldByName("SLOWNIK").asBoolean()) {
      log_.ZapiszKomunikat("  porównanie zawartości słowników...", kOgolny);
      PorownajZawartoscTabeliSlownikow();
      if (flagi_.Przerwano) {
        zakoncz(WynikTabeli::Stan::Pominieta);
        return false;
      }
    }
    Convert();
  } catch (...) {
    if (flagi_.Przerwano && PrzerwanoWOczekiwaniu()) {
      // As a break between rows: the walk ends, the run's verdict says so.
      log_.ZapiszKomunikat("*** Tabela " + EtykietaTabeli() +
                               ": przerwano na żądanie operatora w trakcie oczekiwania na odpowiedź serwera "
                               "bazy danych Firebird ***",
                           kOgolny | kBledy);
      zakoncz(WynikTabeli::Stan::Przerwana);
      return false;
    }
    tabele_[indeks].stan = WynikTabeli::Stan::Blad;
    zakoncz(WynikTabeli::Stan::Blad);
    throw;
  }
  zakoncz(WynikTabeli::Stan::Skopiowana);
  return !flagi_.Przerwano;
}

void TPrzebieg::RaportPominietychTabel() {
  TdmKonw& dm = dane();
  ui_.setBusyCursor(true);
  try {
    std::vector<std::string> nazwy = dm.session.tableNames(dm.DBp, "*.db");
    std::stable_sort(nazwy.begin(), nazwy.end(), [](const std::string& a, const std::string& b) {
      return upperAscii(a) < upperAscii(b);
    });
    bool pierwsza = true;
    for (const std::string& nazwa : nazwy) {
      ui_.processMessages();
      const std::string duze = upperAscii(nazwa);
      if (dm.tblLista.locate("TABELA", {duze}, false) || dm.tblPomijane.locate("TABELA", {duze}, false))
        continue;
      if (pierwsza) {
        log_.ZapiszKomunikat("\r\n" + kKreski, kOgolny | kDodatkoweInfo);
        log_.ZapiszKomunikat("Pominięte tabele formatu paradox:", kOgolny | kDodatkoweInfo);
        pierwsza = false;
      }
      log_.ZapiszKomunikat("  " + duze, kOgolny | kDodatkoweInfo);
    }
  } catch (...) {
    ui_.setBusyCursor(false);
    throw;
  }
  ui_.setBusyCursor(false);
}

}  // namespace konw
