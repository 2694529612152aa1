// The trigger a table copy keeps off.
#include "convert/wylaczony_trigger.h"

#include "control/konwersja_dm.h"
#include "convert/przebieg.h"
#include "db/engine.h"
#include "platform/text.h"

namespace konw {

WylaczonyTrigger::WylaczonyTrigger(TPrzebieg& przebieg, db::Query& q)
    : przebieg_(przebieg), q_(q), wpis_(WpisBiezacejTabeli(przebieg.dane())) {
  zapisany_ = przebieg_.wylaczenia().Zapisz(przebieg_.dane(), przebieg_.log(), wpis_);
  try {
    WykonajSql(q_, "alter trigger " + wpis_.trigger + " inactive;");
  } catch (...) {
    // A refusal leaves the trigger as it was; a connection lost on the way may have left it off (the
    // server commits the change when it gets to it). So it is read, and one that is or may be off is
    // switched on again as after a copy; one that stays off is an error of the run, named, and the
    // journal keeps it for the next start.
    aktywny_ = true;
    if (mozeBycWylaczony()) {
      try {
        wlaczAlboZglos();
      } catch (...) {
        przebieg_.flagi().BladKonwersji = true;  // the switch-off's own error goes on
      }
    } else {
      odnotujWlaczenie();
    }
    przebieg_.wylaczenia().Zwolnij();
    throw;
  }
}

void WylaczonyTrigger::Wlacz() {
  aktywny_ = true;
  if (const std::string blad = wlacz(); !blad.empty()) throw db::EngineError(db::errc::kSqlError, blad);
}

void WylaczonyTrigger::WlaczZTransakcja() {
  WykonajSql(q_, wlaczenie());
}

void WylaczonyTrigger::Wlaczony() {
  aktywny_ = true;
  odnotujWlaczenie();
}

WylaczonyTrigger::~WylaczonyTrigger() {
  if (!aktywny_) {
    // The copy is failing with its own error; a trigger that stays off is an error of the run besides.
    try {
      wlaczAlboZglos();
    } catch (...) {
      przebieg_.flagi().BladKonwersji = true;
    }
  }
  przebieg_.wylaczenia().Zwolnij();
}

void WylaczonyTrigger::wlaczAlboZglos() {
  if (const std::string blad = wlacz(); !blad.empty()) {
    przebieg_.flagi().BladKonwersji = true;
    przebieg_.log().ZapiszKomunikat("*** " + blad + " ***", kOgolny | kBledy | kBledyKrytyczne,
                                    kNiezgodnoscKrytyczna | kNiezgodnosc);
  }
}

void WylaczonyTrigger::odnotujWlaczenie() {
  if (zapisany_) przebieg_.wylaczenia().Wykresl(przebieg_.dane(), przebieg_.log(), wpis_);
  zapisany_ = false;
}

bool WylaczonyTrigger::mozeBycWylaczony() noexcept {
  try {
    return TriggerWylaczony(przebieg_.dane().DBi, wpis_.trigger).value_or(false);
  } catch (...) {
  }
  try {
    db::Database baza("DBi_triggery", przebieg_.dane().session);
    polaczJakKopia(baza);
    return TriggerWylaczony(baza, wpis_.trigger).value_or(false);
  } catch (...) {
    return true;  // not known: taken as off
  }
}

void WylaczonyTrigger::polaczJakKopia(db::Database& baza) {
  TdmKonw& dm = przebieg_.dane();
  baza.setDriverName(dm.DBi.driverName());
  for (const std::string& linia : dm.DBi.params()) baza.addParam(linia);
  baza.connect();
}

std::string WylaczonyTrigger::wlacz() {
  try {
    WykonajSql(q_, wlaczenie());
    odnotujWlaczenie();
    return {};
  } catch (const db::EngineError&) {
  }
  try {
    TdmKonw& dm = przebieg_.dane();
    db::Database baza("DBi_triggery", dm.session);
    polaczJakKopia(baza);
    {
      db::Query q;
      q.setDatabase(&baza);
      WykonajSql(q, wlaczenie());
    }
    GeneratorZaNajwiekszym(baza, wpis_);
    baza.disconnect();
    odnotujWlaczenie();
    return {};
  } catch (const db::EngineError& e) {
    return "Nie udało się ponownie włączyć triggera " + wpis_.trigger + " tabeli " + wpis_.tabela + ": " +
           trim(e.what()) + "; zostanie włączony przy następnym uruchomieniu programu";
  }
}

}  // namespace konw
