// The locations in use: discovery through the configuration, the edition buttons, the (re)connection of
// the databases, the budget unit and the data version shown, and the data-location dialog.
#include <algorithm>

#include "app/konwersja.h"
#include "app/przyczyny.h"
#include "config/lokalizacja.h"
#include "control/konwersja_dm.h"
#include "platform/hostpath.h"
#include "platform/mac.h"
#include "platform/paths.h"

namespace konw {

void TfrmConvert::PokazBlad(const std::string& tekst) {
  if (JestWOnCreate) {
    if (std::find(bledyStartu_.begin(), bledyStartu_.end(), tekst) != bledyStartu_.end()) return;
    bledyStartu_.push_back(tekst);
  }
  ui_.messageBox(MsgKind::Error, kApplicationTitle, tekst, kOk, kOk);
}

void TfrmConvert::ZaznaczBezZdarzenia(const std::string& radio, bool checked) {
  // The operator interface never runs a click handler when it sets a radio button.
  const Edycja e = radio == "JST" ? Edycja::JST : Edycja::JB;
  if (checked)
    edycja = e;
  else if (edycja == e)
    edycja.reset();
  ui_.showEdition(edycja);
}

void TfrmConvert::ZaznaczRadio(const std::string& radio) {
  const Edycja e = radio == "JST" ? Edycja::JST : Edycja::JB;
  // A run or a comparison reads the edition's databases: the click is undone.
  if (WTrakcieKonwersji() || PorownanieTrwa) {
    if (edycja) ZaznaczBezZdarzenia(*edycja == Edycja::JST ? "JST" : "JB", true);
    return;
  }
  // Like a click: the handler runs only when the button becomes checked.
  if (edycja == e) return;
  ZaznaczBezZdarzenia(radio, true);
  JSTClick(radio);
}

void TfrmConvert::JSTClick(const std::string& radio) {
  ZaznaczBezZdarzenia(radio, true);
  WczytajKonfiguracje(true);
  ui_.showLocations(SciezkaInterbase, SciezkaParadoxa);
  SprawdzWersjeDanych(SciezkaParadoxa, SciezkaInterbase, false);
}

bool TfrmConvert::WczytajKonfiguracje(bool zPrzycisku) {
  TdmKonw& dm = *dm_;
  SciezkaParadoxa.clear();
  SciezkaInterbase.clear();
  WersjaDanych.clear();
  WersjaOdczytana.reset();
  ui_.showDataVersion("");
  for (db::Database* d : {&dm.DBp, &dm.DBi, &dm.DBpb, &dm.DBpbjo}) d->disconnect();
  WyczyscDaneJednostki();

  std::string stanowisko;
  if (identyfikatorStanowiska) {
    stanowisko = identyfikatorStanowiska();
  } else {
    // The operator learns which card names the workstation's section, or why none does.
    const WyborKartySieciowej karta = wybierzKarteSieciowa();
    stanowisko = karta.adres;
    ZapiszKomunikat(opisKartySieciowej(karta), kDodatkoweInfo);
  }
  const WynikKonfiguracji wynik = ZnajdzLokalizacje(
      dm.Ini, zPrzycisku ? std::optional(edycja.value_or(Edycja::JB)) : std::nullopt, stanowisko);
  if (!zPrzycisku && wynik.edycja) ZaznaczBezZdarzenia(*wynik.edycja == Edycja::JST ? "JST" : "JB", true);
  SciezkaGlowna = wynik.lokalizacje.SciezkaGlowna;
  SciezkaParadoxa = wynik.lokalizacje.SciezkaParadoxa;
  SciezkaInterbase = wynik.lokalizacje.SciezkaInterbase;
  if (!wynik.ok()) {
    // The box says where the configuration was looked for: WIN.INI, or the product's INI it names.
    std::string przyczyna = PrzyczynaBrakuWinIni();
    if (przyczyna.empty() && wynik.lokalizacje.SciezkaParadoxa.empty()) {
      if (const std::string plik = dm.Ini.FileName; !upperAscii(plik).ends_with("WIN.INI")) {
        przyczyna = PrzyczynaBrakuLokalizacji(plik);
        przyczyna =
            przyczyna.empty() ? "(plik konfiguracji: " + plik + ")" : "Plik konfiguracji: " + przyczyna + ".";
      }
    }
    PokazBlad(wynik.blad + (przyczyna.empty() ? "" : "\r\n\r\n" + przyczyna));
    return false;
  }

  dm.UstawParametryBaz(SciezkaParadoxa, SciezkaInterbase);
  dm.DBp.connect();
  dm.DBpb.connect();
  dm.DBpbjo.connect();
  return true;
}

bool TfrmConvert::UstawSciezkiDoBaz(const std::string& SciezkaP, const std::string& SciezkaI,
                                    bool JestWKonwersji, bool PokazKomunikat) {
  TdmKonw& dm = *dm_;
  bool wynik = false;
  przyczynaBleduDostepu_.clear();
  bool bazaZajeta = false;
  PrzyczynaOdmowy.clear();
  if (!SciezkaP.empty() && !SciezkaI.empty()) {
    try {
      const std::string katalog = UsunKoncowyUkosnik(SciezkaParadoxa);
      dm.DBp.disconnect();
      WyczyscDaneJednostki();
      dm.DBp.setParam(0, "PATH=" + SciezkaP);
      dm.DBp.connect();
      dm.DBpb.disconnect();
      dm.DBpb.setParam(0, "PATH=" + katalog + "\\BUFOR\\");
      dm.DBpb.connect();
      dm.DBpbjo.disconnect();
      dm.DBpbjo.setParam(0, "PATH=" + katalog + "\\BUFOR\\JO\\");
      dm.DBpbjo.connect();

      wynik = UstawInformacjeOJednostce();
      WersjaOdczytana = OdczytajWersjeDanych();
      WersjaDanych = OpisWersjiDanych(WersjaOdczytana);
      ui_.showDataVersion(WersjaDanych);

      if (wynik) {
        dm.DBi.disconnect();
        dm.DBi.setParam(0, "SERVER NAME=" + SciezkaI);
        // New locations or another edition chosen by the operator: every server is tried afresh, a silence
        // found before (see db::SilentServers) was another work's. Start-up (whose data module is new)
        // tries a server once, and a run forgets it once, at its start.
        if (!JestWKonwersji && !JestWOnCreate) dm.session.silentServers()->forget();
        struct Oczekiwanie {
          Operator& ui;
          ~Oczekiwanie() { ui.showWaiting(""); }
        } oczekiwanie{ui_};
        ui_.showWaiting("Łączenie z bazą danych …");
        dm.DBi.connect();
        przebieg.log().UstawKatalog(DodajKoncowyUkosnik(SciezkaP));
      }
    } catch (...) {
      // Any failure means the locations do not work: reported, and the answer is false.
      wynik = false;
      try {
        throw;
      } catch (const db::EngineError& e) {
        // An old or foreign database file: the operator is told what was found and what to do.
        if (e.code() == db::errc::kDatabaseFormat) przyczynaBleduDostepu_ = e.what();
      } catch (...) {
      }
      bazaZajeta = przyczynaBleduDostepu_.empty() && BazaZajetaPrzezInnyProgram();
      PrzyczynaOdmowy = bazaZajeta ? std::string() : PrzyczynaBrakuLokalizacji(SciezkaP);
      if (PrzyczynaOdmowy.empty()) PrzyczynaOdmowy = PrzyczynaBledu(SciezkaI);
      if (JestWKonwersji) ZapiszBlad("TfrmConvert.UstawSciezkiDoBaz");
      ZglosBlad("TfrmConvert.UstawSciezkiDoBaz", "",
                "(JestWKonwersji=" + LogicznaNaTekst(JestWKonwersji) +
                    "; JestWOnCreate=" + LogicznaNaTekst(JestWOnCreate) + ")");
    }
  }

  if (!wynik && PrzyczynaOdmowy.empty()) PrzyczynaOdmowy = PrzyczynaBrakuLokalizacji(SciezkaP);
  if (!JestWOnCreate && !wynik && PokazKomunikat) {
    if (bazaZajeta)
      PokazBlad("Nie można teraz otworzyć bazy danych: " + PrzyczynaOdmowy + ".");
    else
      PokazBlad(
          zPrzyczyna("Błąd dostępu do danych według podanej konfiguracji położenia danych!\r\n"
                     "Proszę przed konwersją ustawić poprawną konfigurację położenia danych."));
  }
  return wynik;
}

std::string TfrmConvert::zPrzyczyna(const std::string& komunikat) const {
  // A database the engine cannot open is explained in full; any other refusal names its cause.
  if (przyczynaBleduDostepu_.empty())
    return komunikat +
           (PrzyczynaOdmowy.empty() ? std::string() : "\r\n\r\nPrzyczyna: " + PrzyczynaOdmowy + ".");
  std::string text = komunikat + "\r\n\r\n";
  for (char c : przyczynaBleduDostepu_) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return text;
}

void TfrmConvert::WyczyscDaneJednostki() {
  jednostka = {};
  ui_.showUnit(nullptr);
}

bool TfrmConvert::UstawInformacjeOJednostce() {
  try {
    jednostka = CzytajDaneJednostki(dm_->PARAMS);
    ui_.showUnit(&jednostka);
    return true;
  } catch (...) {
    // Whatever the unit's table gave, the unit is unknown: shown with its cause, logged and reported.
    std::string przyczyna = PrzyczynaBrakuLokalizacji(SciezkaParadoxa);
    if (przyczyna.empty()) przyczyna = PrzyczynaBledu(SciezkaInterbase);
    PokazBlad("Błąd w trakcie dostępu do informacji o jednostce budżetowej." +
              (przyczyna.empty() ? std::string() : "\r\nPrzyczyna: " + przyczyna + "."));
    ZapiszBlad("TfrmConvert.UstawInformacjeOJednostce");
    ZglosBlad("TfrmConvert.UstawInformacjeOJednostce", "", "");
    return false;
  }
}

std::optional<std::string> TfrmConvert::OdczytajWersjeDanych() {
  return konw::OdczytajWersjeDanych(dm_->qryParadox);
}

bool TfrmConvert::SprawdzWersjeDanych(const std::string& SciezkaP, const std::string& SciezkaI,
                                      bool JestWKonwersji) {
  if (SciezkaP.empty()) return true;
  dm_->qryParadox.close();
  if (!UstawSciezkiDoBaz(SciezkaP, SciezkaI, JestWKonwersji, true)) return true;
  const OcenaWersji ocena = OcenWersjeDanych(WersjaOdczytana);
  if (ocena == OcenaWersji::Wystarczajaca) return false;
  // A text that is no version number is refused as old data is, saying what was found.
  const std::string wymaganie =
      "Aby dokonać konwersji danych wymagana jest wersja bazy danych nie mniejsza niż 3.65. Proszę "
      "zaktualizować dane.";
  ui_.messageBox(
      MsgKind::Error, kApplicationTitle,
      ocena == OcenaWersji::ZaStara
          ? wymaganie
          : "Nieprawidłowy numer wersji danych: " + CoZamiastWersji(WersjaOdczytana) + ".\r\n" + wymaganie,
      kOk, kOk);
  return true;
}

void TfrmConvert::RozdzielSerwerISciezke(const std::string& Sciezka, std::string& Serwer,
                                         std::string& SciezkaPliku) {
  const std::size_t dwukropek = Sciezka.find(':');
  if (Sciezka.empty() || dwukropek == std::string::npos) return;
  Serwer = Sciezka.substr(0, dwukropek);
  SciezkaPliku = Sciezka.substr(dwukropek + 1);
}

std::string TfrmConvert::PolaczSerwerISciezke(const std::string& Serwer, const std::string& SciezkaPliku) {
  if (SciezkaPliku.empty()) return {};
  // No server: the file on this computer, opened by the embedded engine (":path" would name no server).
  if (Serwer.empty()) return SciezkaPliku;
  return Serwer + ":" + SciezkaPliku;
}

void TfrmConvert::ActionZmienKonfig() {
  // The dialog reconnects the databases: not while a conversion or a comparison reads them.
  if (WTrakcieKonwersji() || PorownanieTrwa) return;
  const std::string staraInterbase = SciezkaInterbase;
  const std::string staraParadoxa = SciezkaParadoxa;
  // Whatever way the dialog ends, an error passing through included, the labels show what is in use.
  struct Etykiety {
    TfrmConvert& frm;
    ~Etykiety() { frm.ui().showLocations(frm.SciezkaInterbase, frm.SciezkaParadoxa); }
  } etykiety{*this};

  if (!frmLokalizacja) frmLokalizacja = std::make_shared<TfrmLokalizacja>();
  TfrmLokalizacja& dialog = *frmLokalizacja;
  dialog.ZaznaczSerwer();
  std::string serwer, sciezka;
  // A location without a server (a drive path or a host path) is the file on this computer: the dialog
  // shows it whole with an empty server name.
  if (isDriveLocation(SciezkaInterbase) || SciezkaInterbase.find(':') == std::string::npos)
    sciezka = SciezkaInterbase;
  else
    RozdzielSerwerISciezke(SciezkaInterbase, serwer, sciezka);
  if (upperAscii(serwer) == "LOCALHOST") dialog.ZaznaczLokalnie();
  dialog.setFileName(sciezka);
  dialog.DEParadox = SciezkaParadoxa;
  dialog.EdServer = serwer;

  if (!ui_.showLocationDialog(dialog)) return;

  // Read before anything changes: a refused file name leaves the configuration as it was.
  const std::string nowaInterbase = PolaczSerwerISciezke(dialog.EdServer, dialog.FileName());
  SciezkaInterbase = nowaInterbase;
  SciezkaParadoxa = dialog.DEParadox;
  if (SciezkaInterbase.empty() || SciezkaParadoxa.empty()) {
    SciezkaInterbase = staraInterbase;
    SciezkaParadoxa = staraParadoxa;
    ui_.messageBox(
        MsgKind::Error, kApplicationTitle,
        "Nie podano położenia danych w formacie Paradox i/lub Firebird! Konfiguracja pozostała nie "
        "zmieniona.",
        kOk, kOk);
    return;
  }
  if (!UstawSciezkiDoBaz(SciezkaParadoxa, SciezkaInterbase, false, false)) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   zPrzyczyna("Błąd dostępu do danych według podanej nowej konfiguracji położenia danych!\r\n"
                              "(Poprzednia konfiguracja położenia danych nie została zmieniona)"),
                   kOk, kOk);
    SciezkaInterbase = staraInterbase;
    SciezkaParadoxa = staraParadoxa;
    UstawSciezkiDoBaz(SciezkaParadoxa, SciezkaInterbase, false, false);
  }
}

}  // namespace konw
