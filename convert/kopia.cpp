// The table copy: empties the Firebird table and inserts every Paradox row through one prepared
// INSERT, with the Firebird auto-numbering (trigger and generator) kept out of the way meanwhile. The
// emptying and the copy are one transaction: a failure or a break anywhere in it leaves the Firebird
// table with the rows it had before.
#include "convert/kopia.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "control/identyfikatory.h"
#include "control/konwersja_dm.h"
#include "convert/przebieg.h"
#include "convert/triggery.h"
#include "convert/weryfikacja.h"
#include "convert/wiersze_kopii.h"
#include "convert/wylaczony_trigger.h"
#include "convert/zatwierdzenie.h"
#include "convert/zrodlo_kopii.h"
#include "db/engine.h"
#include "platform/hostpath.h"
#include "platform/operator.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace konw {

namespace {

constexpr const char* kMiejsce = "TfrmConvert.Convert";

// A break during the rows: the copy's transaction is given up.
struct KopiaPrzerwana {};

// The copy of the current ListaTabel row's table, step by step: the source opened, the table reserved,
// emptied and filled in one transaction, the commit found out, the auto-numbering put back.
class KopiaTabeli {
 public:
  KopiaTabeli(TPrzebieg& przebieg, ZrodloKopii& zrodlo);
  void wykonaj();

 private:
  bool odrzucona();
  void otworzZrodlo();
  void zarezerwujTabele();
  // The emptying, the rows and their read-back, in the copy's transaction.
  void kopiujWTransakcji();
  void kopiujWiersze();
  // A failure or a break inside the transaction: the table is given its rows back. The break ends the
  // copy here (true); a failure goes on to the caller.
  bool wycofaj();
  void wycofajProbe();
  // True when the commit reported an error although the table holds the rows it committed.
  bool zatwierdz();
  void poZatwierdzeniu(bool poBledzie);
  // A table left with the rows it had before: the generator stays past their numbers, so that the
  // product's next insert through the trigger does not collide.
  void generatorPoWycofaniu();

  TPrzebieg& przebieg_;
  TdmKonw& dm_;
  TLogKonwersji& log_;
  ZrodloKopii& zrodlo_;
  std::string trigger_, generator_, autoIdPdx_, tabelaPdx_, tabelaIb_;
  WynikTabeli* wynik_ = nullptr;
  bool obslugaTriggera_ = false;
  std::optional<WylaczonyTrigger> wylaczony_;
  std::vector<PlikTabeli> plikiPrzed_;
  bool bladDostepu_ = false;
  std::int32_t liczbaZrodlowych_ = 0;
  const db::Field* autoinc_ = nullptr;
  std::int64_t najwiekszyIndeks_ = 0;
  // What the commit makes true, said once it is: the rows the table holds and the state the check
  // after the run's last commit compares with.
  std::optional<std::string> skopiowane_;
  std::optional<StanZapisanej> stan_;
};

KopiaTabeli::KopiaTabeli(TPrzebieg& przebieg, ZrodloKopii& zrodlo)
    : przebieg_(przebieg), dm_(przebieg.dane()), log_(przebieg.log()), zrodlo_(zrodlo) {
  db::Table& lista = dm_.tblLista;
  trigger_ = lista.fieldByName("TRIGGER_IB").asString();
  generator_ = lista.fieldByName("GENERATOR_IB").asString();
  autoIdPdx_ = lista.fieldByName("AUTOINC_PDX").asString();
  tabelaPdx_ = lista.fieldByName("TABELA").asString();
  tabelaIb_ = lista.fieldByName("TABELA_IB").asString();
  zrodlo_.plik = tabelaPdx_ + ".DB";
  wynik_ = przebieg_.wynikTabeli(przebieg_.biezacaTabela());
}

void KopiaTabeli::wykonaj() {
  if (odrzucona()) return;
  obslugaTriggera_ = !trigger_.empty() && !generator_.empty() && !autoIdPdx_.empty();
  if (!obslugaTriggera_) log_.ZapiszKomunikat("  (trigger, generator lub auto-id puste)", kOgolny);
  if (obslugaTriggera_) wylaczony_.emplace(przebieg_, dm_.qryInterbase);
  otworzZrodlo();
  zarezerwujTabele();
  try {
    kopiujWTransakcji();
  } catch (...) {
    if (!wycofaj()) throw;
    return;
  }
  if (przebieg_.proba()) {
    wycofajProbe();
    return;
  }
  poZatwierdzeniu(zatwierdz());
}

// A trial's copy went through: the rows go back and the trigger on, as after a break.
void KopiaTabeli::wycofajProbe() {
  dm_.DBi.rollback();
  if (skopiowane_ && wynik_) wynik_->zapisane = std::stoll(*skopiowane_);
  log_.ZapiszKomunikat("  próba: skopiowano " + skopiowane_.value_or("0") +
                           " rekordów; zmiany wycofane, tabela zawiera te same wiersze co przed próbą",
                       kOgolny);
  if (obslugaTriggera_) wylaczony_->Wlacz();
  zrodlo_.zapisz(log_, dm_.qryParadox);
}

bool KopiaTabeli::odrzucona() {
  const std::string odmowa = BlednyIdentyfikatorListy(dm_.tblLista);
  if (odmowa.empty()) return false;
  if (wynik_) wynik_->stan = WynikTabeli::Stan::Odrzucona;
  log_.ZapiszKomunikat(odmowa, kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  return true;
}

// The table is opened (and decrypted) once: its row count, its rows and the largest number of its
// auto-increment field all come from this one opening. Read only: the product's Paradox data is never
// changed by a conversion.
void KopiaTabeli::otworzZrodlo() {
  plikiPrzed_ = PlikiTabeli(dm_.KatalogParadoxa(), tabelaPdx_);
  db::Table& tabela = zrodlo_.tabela.emplace();
  tabela.setDatabase(&dm_.DBp);
  tabela.setTableName(zrodlo_.plik);
  tabela.setReadOnly(true);
  tabela.open();
  try {
    liczbaZrodlowych_ = static_cast<std::int32_t>(tabela.recordCount());
  } catch (const db::EngineError&) {
    bladDostepu_ = true;
  }
  if (obslugaTriggera_) {
    autoinc_ = tabela.findField(autoIdPdx_);
    if (!autoinc_)
      throw db::EngineError(db::errc::kNotFound,
                            "Nie znaleziono pola \"" + autoIdPdx_ + "\" w tabeli " + tabelaPdx_);
  }
}

// The table is reserved for the copy alone: no other connection adds rows to it until the commit, and
// one that has written into it and not ended stops the copy before anything is deleted.
void KopiaTabeli::zarezerwujTabele() {
  try {
    dm_.DBi.startTransaction({upperAscii(tabelaIb_)});
  } catch (const db::EngineError& e) {
    std::vector<db::EngineError::Entry> wpisy = e.entries();
    wpisy.push_back(
        {e.code(), "Tabela " + tabelaIb_ +
                       " jest zapisywana przez inne połączenie z bazą danych Firebird (czy program "
                       "Kalmiro jest otwarty na innym stanowisku?); tabeli nie skopiowano"});
    db::EngineError opisany(std::move(wpisy));
    opisany.withNative(e.nativeCode());
    throw opisany;
  }
}

void KopiaTabeli::kopiujWTransakcji() {
  WykonajSql(dm_.qryInterbase, "Delete From " + tabelaIb_);
  if (bladDostepu_) {
    if (wynik_) wynik_->stan = WynikTabeli::Stan::Blad;
    log_.ZapiszKomunikat("*** Błąd w trakcie dostępu do danych! (" + tabelaPdx_ + ") ***",
                         kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  } else {
    if (wynik_) wynik_->odczytane = liczbaZrodlowych_;
    if (liczbaZrodlowych_ == 0) {
      log_.ZapiszKomunikat("  brak danych w tabeli", kOgolny);
      // Left empty: the check after the last commit counts its rows (a later table's trigger may add
      // some).
      if (przebieg_.weryfikacja() && !przebieg_.flagi().Przerwano) {
        stan_.emplace();
        stan_->etykieta = przebieg_.EtykietaTabeli();
        stan_->tabelaIb = tabelaIb_;
        stan_->sql = "SELECT 1 FROM " + tabelaIb_;
        stan_->wynik = przebieg_.biezacaTabela();
      }
    } else {
      kopiujWiersze();
    }
  }
  if (zrodlo_.tabela) zrodlo_.zbierz(*zrodlo_.tabela);
  if (!bladDostepu_) SprawdzPlikiTabeli(plikiPrzed_, dm_.KatalogParadoxa(), tabelaPdx_);
  // The numbering goes back with the rows: set and switched on in this transaction, it takes effect at
  // the same commit, and a rollback leaves the trigger off for the guard to switch on.
  if (obslugaTriggera_) {
    WykonajSql(dm_.qryInterbase,
               "set generator " + generator_ + " to " + std::to_string(najwiekszyIndeks_ + 1) + " ;");
    wylaczony_->WlaczZTransakcja();
  }
}

void KopiaTabeli::kopiujWiersze() {
  db::Table& zrodlo = *zrodlo_.tabela;
  Operator& ui = przebieg_.ui();
  log_.ZapiszKomunikat("  rekordów: " + std::to_string(liczbaZrodlowych_), kOgolny);
  log_.ZapiszKomunikat("  pól: " + std::to_string(zrodlo.fieldCount()), kOgolny);
  ui.setBar(Pasek::Tabela, 0, liczbaZrodlowych_);

  const std::vector<Wiazanie> wiazania = PrzygotujInsert(dm_, zrodlo, tabelaPdx_, tabelaIb_);
  const db::Field* typspr = tabelaIb_ == "BILTOBESTIAMAP" ? zrodlo.findField("TYPSPR") : nullptr;
  std::optional<SumaWierszy> suma = PrzygotujSume(przebieg_, dm_.qryTemp, tabelaIb_);
  KopiujWiersze(
      zrodlo, dm_.qryTemp, wiazania, liczbaZrodlowych_, typspr, autoinc_, najwiekszyIndeks_,
      suma ? &*suma : nullptr,
      [&] {
        ui.processMessages();
        if (przebieg_.flagi().Przerwano) return false;
        ui.stepBar(Pasek::Tabela);
        return true;
      },
      [&](std::uint64_t wiersz) { return OpisRekordu(zrodlo, tabelaPdx_, wiersz); });
  // A break leaves the table as it was: nothing of this copy is committed.
  if (przebieg_.flagi().Przerwano) throw KopiaPrzerwana{};
  // Every value one its column holds: the check after the last commit reads the table once and compares
  // it with what was sent. Otherwise it is read back now, within the copy's transaction, which sees its
  // rows, and every value that differs is named.
  if (suma && suma->pewna() && przebieg_.weryfikacja())
    stan_ = StanWyslanych(przebieg_, *suma, dm_.qryTemp, tabelaIb_);
  else
    stan_ = WeryfikujKopie(
        przebieg_, zrodlo, dm_.qryTemp, tabelaIb_,
        [&] {
          for (const Wiazanie& w : wiazania)
            UstawParametr(dm_.qryTemp.param(w.parametr), w, zrodlo.field(w.pole).value());
        },
        [&] { return typspr && typspr->asString().empty(); });

  zrodlo_.zbierz(zrodlo);
  zrodlo_.tabela.reset();
  // Counted in the table the rows went into (for USER_ that is also what "USER" counts): by the read-back
  // when it read the whole table in this same transaction, else by the server.
  skopiowane_ = stan_ ? std::to_string(stan_->wierszy) : przebieg_.LiczbaRekordow(tabelaIb_);
}

bool KopiaTabeli::wycofaj() {
  dm_.DBi.rollback();
  const bool przerwana = [] {
    try {
      throw;
    } catch (const KopiaPrzerwana&) {
      return true;
    } catch (...) {
      return false;
    }
  }();
  log_.ZapiszKomunikat(
      "*** Tabela " + tabelaIb_ +
          (przerwana ? ": przerwano; tabela zawiera te same wiersze co przed konwersją ***"
                     : ": zmiany wycofane, tabela zawiera te same wiersze co przed konwersją ***"),
      kOgolny | kBledy);
  generatorPoWycofaniu();
  if (!przerwana) return false;
  if (obslugaTriggera_) wylaczony_->Wlacz();
  zrodlo_.zapisz(log_, dm_.qryParadox);
  return true;
}

void KopiaTabeli::generatorPoWycofaniu() {
  // A trial changes nothing: its rollback leaves the generator as it found it.
  if (!obslugaTriggera_ || przebieg_.proba()) return;
  try {
    GeneratorZaNajwiekszym(dm_.DBi, WpisBiezacejTabeli(dm_));
  } catch (const db::EngineError&) {
    // The copy's own error says more; the connection is likely gone (the trigger's guard retries).
  }
}

// A commit whose outcome is unknown (the connection lost on its way) is found out from what the table
// holds, never guessed.
bool KopiaTabeli::zatwierdz() {
  const WynikZatwierdzenia zatwierdzenie = ZatwierdzKopie(dm_, tabelaIb_, stan_, skopiowane_);
  switch (zatwierdzenie.stan) {
    case Zatwierdzenie::Zatwierdzone:
      if (zatwierdzenie.blad)
        log_.ZapiszKomunikat("*** Tabela " + tabelaIb_ +
                                 ": zatwierdzenie zgłosiło błąd, lecz tabela zawiera skopiowane wiersze: "
                                 "zmiany zatwierdzone ***",
                             kOgolny | kBledy);
      return static_cast<bool>(zatwierdzenie.blad);
    case Zatwierdzenie::Wycofane:
      log_.ZapiszKomunikat("*** Tabela " + tabelaIb_ +
                               ": zmiany wycofane, tabela zawiera te same wiersze co przed konwersją ***",
                           kOgolny | kBledy);
      generatorPoWycofaniu();
      break;
    case Zatwierdzenie::Nieznane:
      log_.ZapiszKomunikat("*** Tabela " + tabelaIb_ +
                               ": nie udało się ustalić, czy zmiany zostały zatwierdzone (połączenie z "
                               "bazą Firebird zerwane w trakcie zatwierdzania); stan tabeli nieznany ***",
                           kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
      break;
  }
  std::rethrow_exception(zatwierdzenie.blad);
}

void KopiaTabeli::poZatwierdzeniu(bool poBledzie) {
  if (skopiowane_) {
    if (wynik_) wynik_->zapisane = std::stoll(*skopiowane_);
    log_.ZapiszKomunikat("  ilość skopiowanych rekordów: " + *skopiowane_, kOgolny);
  }
  if (zrodlo_.uszkodzona()) {
    // The rows that could be read are in; the operator must know that the table held more.
    const long oczekiwane = zrodlo_.oczekiwane();
    const std::string odczytano = oczekiwane > liczbaZrodlowych_
                                      ? "odczytano " + std::to_string(liczbaZrodlowych_) + " z " +
                                            std::to_string(oczekiwane) + " rekordów"
                                      : "odczytano " + std::to_string(liczbaZrodlowych_) +
                                            " rekordów, części wartości nie udało się odczytać";
    log_.ZapiszKomunikat("  " + odczytano + " (tabela Paradox uszkodzona)", kOgolny);
    log_.ZapiszKomunikat("*** Tabela " + zrodlo_.plik + ": tabela Paradox uszkodzona, " + odczytano + " ***",
                         kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
    if (wynik_) {
      wynik_->stan = WynikTabeli::Stan::Uszkodzona;
      wynik_->oczekiwane = oczekiwane;
    }
  }
  if (stan_) {
    if (!dm_.tblLista.isEmpty()) stan_->zakladka = dm_.tblLista.bookmark();
    przebieg_.DoSprawdzenia(std::move(*stan_));
  }
  if (obslugaTriggera_) {
    log_.ZapiszKomunikat("  największa wartość indeksu: " + std::to_string(najwiekszyIndeks_), kOgolny);
    // After a commit found out on a new connection the switch is made sure of there.
    if (poBledzie)
      wylaczony_->Wlacz();
    else
      wylaczony_->Wlaczony();
  }
  zrodlo_.zapisz(log_, dm_.qryParadox);
}

}  // namespace

bool TPrzebieg::IstniejeTabelaParadoxa(const std::string& name) const {
  std::error_code ec;
  return std::filesystem::is_regular_file(
      hostPath(UsunKoncowyUkosnik(dane().KatalogParadoxa()) + "\\" + name + ".db"), ec);
}

std::string TPrzebieg::LiczbaRekordow(const std::string& name) {
  db::Query& q = dm_->qryTemp;
  OtworzSql(q, "SELECT COUNT(*) FROM " + (name == "USER" ? std::string("USER_") : name));
  const std::int64_t count = q.fieldByName("COUNT").asInteger();
  q.close();
  return std::to_string(count);
}

void TPrzebieg::Convert() {
  if (flagi_.Przerwano) return;
  TdmKonw& dm = dane();
  ZrodloKopii zrodlo;
  try {
    // Both databases are reconnected only after a copy that failed, which may have left anything open
    // on them; otherwise the statements the copy uses are closed, which is all a reconnection did here.
    if (polaczeniaPoBledzie_ || !dm.DBp.connected() || !dm.DBi.connected()) {
      dm.DBi.disconnect();
      dm.DBp.disconnect();
      dm.DBp.connect();
      dm.DBi.connect();
      polaczeniaPoBledzie_ = false;
    } else {
      dm.qryInterbase.close();
      dm.qryParadox.close();
      dm.qryTemp.close();
    }
    KopiaTabeli(*this, zrodlo).wykonaj();
  } catch (...) {
    polaczeniaPoBledzie_ = true;
    zrodlo.zapisz(log_, dm.qryParadox);
    // A call cancelled by a break while it waited for the server is the break, not an error of the copy.
    bool przerwano = false;
    try {
      throw;
    } catch (const db::EngineError& e) {
      przerwano = flagi_.Przerwano && db::isWaitInterrupted(e);
    } catch (...) {
    }
    if (!przerwano) log_.ZapiszBlad(kMiejsce);
    throw;
  }
}

std::optional<StanZapisanej> TPrzebieg::PorownajPonownie(const StanZapisanej& tabela) {
  if (!tabela.zakladka) return std::nullopt;
  TdmKonw& dm = dane();
  try {
    dm.tblLista.gotoBookmark(*tabela.zakladka);
    dm.qryInterbase.close();
    dm.qryParadox.close();
    dm.qryTemp.close();
    const std::string tabelaPdx = dm.tblLista.fieldByName("TABELA").asString();
    const std::string tabelaIb = dm.tblLista.fieldByName("TABELA_IB").asString();
    db::Table zrodlo;
    zrodlo.setDatabase(&dm.DBp);
    zrodlo.setTableName(tabelaPdx + ".DB");
    zrodlo.setReadOnly(true);
    zrodlo.open();
    const std::vector<Wiazanie> wiazania = PrzygotujInsert(dm, zrodlo, tabelaPdx, tabelaIb);
    const db::Field* typspr = tabelaIb == "BILTOBESTIAMAP" ? zrodlo.findField("TYPSPR") : nullptr;
    std::optional<StanZapisanej> porownanie = WeryfikujKopie(
        *this, zrodlo, dm.qryTemp, tabelaIb,
        [&] {
          for (const Wiazanie& w : wiazania)
            UstawParametr(dm.qryTemp.param(w.parametr), w, zrodlo.field(w.pole).value());
        },
        [&] { return typspr && typspr->asString().empty(); }, true);
    // What the reader doubted in the table was said when it was copied.
    zrodlo.takeWarnings();
    return porownanie;
  } catch (const db::EngineError& e) {
    log_.ZapiszKomunikat("*** Tabela " + tabela.etykieta +
                             ": nie udało się porównać jej ponownie z tabelą Paradox: " + e.what() + " ***",
                         kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  }
  return std::nullopt;
}

void TPrzebieg::SprawdzTabelePoZakonczeniu() noexcept {
  if (doSprawdzenia_.empty()) return;
  try {
    SprawdzPoZakonczeniu(*this, [this](const StanZapisanej& tabela) { return PorownajPonownie(tabela); });
  } catch (const std::exception& e) {
    doSprawdzenia_.clear();
    log_.UstawSekcje(std::nullopt);  // the failure belongs to no one table
    try {
      log_.ZapiszKomunikat(
          std::string("*** Nie udało się sprawdzić skopiowanych tabel po zakończeniu: ") + e.what() + " ***",
          kOgolny | kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
    } catch (...) {
      flagi_.NiezgodnoscKrytyczna = flagi_.Niezgodnosc = true;
    }
  }
}

}  // namespace konw