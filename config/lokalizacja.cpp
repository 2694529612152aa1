// The data-location dialog: the operator's new locations are applied and tested at once, and the
// previous ones come back when they do not work. Nothing is written to the configuration files.
#include "config/lokalizacja.h"

#include "app/konwersja.h"
#include "db/engine.h"

namespace konw {

// ---------------------------------------------------------------- dialog state

void TfrmLokalizacja::ZaznaczLokalnie() {
  if (wybor_ == Wybor::Lokalnie) return;
  wybor_ = Wybor::Lokalnie;
  rbLocalClick();
}

void TfrmLokalizacja::ZaznaczSerwer() {
  if (wybor_ == Wybor::Serwer) return;
  wybor_ = Wybor::Serwer;
  rbServerClick();
}

void TfrmLokalizacja::rbLocalClick() {
  const bool lokalnie = rbLocalChecked();
  Lokalnie = lokalnie;
  EdServer = lokalnie ? "localhost" : "";
  EdServerEnabled = !lokalnie;
  FEInterBaseButtonWidth = lokalnie ? kSzerokoscPrzycisku : 0;
}

void TfrmLokalizacja::rbServerClick() {
  const bool lokalnie = !rbServerChecked();
  Lokalnie = lokalnie;
  EdServer = lokalnie ? "localhost" : "";
  EdServerEnabled = !lokalnie;
  FEInterBaseButtonWidth = lokalnie ? kSzerokoscPrzycisku : 0;
}

namespace {

void sprawdzNazwePliku(const std::string& path) {
  if (path.find_first_of("<>\"[]|") != std::string::npos) throw NiepoprawnaNazwaPliku(path);
}

}  // namespace

std::string TfrmLokalizacja::FileName() const {
  std::string path = feTekst_;
  // A quoted path comes back whole, blanks included; an unquoted one is taken as typed.
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  sprawdzNazwePliku(path);
  return path;
}

void TfrmLokalizacja::setFileName(const std::string& path) {
  sprawdzNazwePliku(path);
  feTekst_ = path.find(' ') != std::string::npos ? "\"" + path + "\"" : path;
}

// ---------------------------------------------------------------- main window

void TfrmConvert::RozdzielSerwerISciezke(const std::string& Sciezka, std::string& Serwer,
                                         std::string& SciezkaPliku) {
  const std::size_t dwukropek = Sciezka.find(':');
  if (Sciezka.empty() || dwukropek == std::string::npos) return;
  Serwer = Sciezka.substr(0, dwukropek);
  SciezkaPliku = Sciezka.substr(dwukropek + 1);
}

std::string TfrmConvert::PolaczSerwerISciezke(const std::string& Serwer, const std::string& SciezkaPliku) {
  return SciezkaPliku.empty() ? std::string() : Serwer + ":" + SciezkaPliku;
}

void TfrmConvert::ActionZmienKonfig() {
  // The dialog reconnects the databases: not while a conversion or a comparison reads them.
  if (WTrakcieKonwersji() || PorownanieTrwa) return;
  const std::string staraInterbase = SciezkaInterbase;
  const std::string staraParadoxa = SciezkaParadoxa;
  // Whatever way the dialog ends, an error passing through included, the labels show what is in use.
  struct Etykiety {
    TfrmConvert& frm;
    ~Etykiety() {
      frm.ui().setCaption("lblSciezkaInterbase", frm.SciezkaInterbase);
      frm.ui().setCaption("lblSciezkaParadoxa", frm.SciezkaParadoxa);
    }
  } etykiety{*this};

  if (!frmLokalizacja) frmLokalizacja = std::make_shared<TfrmLokalizacja>();
  TfrmLokalizacja& dialog = *frmLokalizacja;
  dialog.ZaznaczSerwer();
  std::string serwer, sciezka;
  RozdzielSerwerISciezke(SciezkaInterbase, serwer, sciezka);
  if (db::upperAscii(serwer) == "LOCALHOST") dialog.ZaznaczLokalnie();
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
                   "Błąd dostępu do danych według podanej nowej konfiguracji położenia danych!\r\n"
                   "(Poprzednia konfiguracja położenia danych nie została zmieniona)",
                   kOk, kOk);
    SciezkaInterbase = staraInterbase;
    SciezkaParadoxa = staraParadoxa;
    UstawSciezkiDoBaz(SciezkaParadoxa, SciezkaInterbase, false, false);
  }
}

}  // namespace konw
