// Finding the product's locations through WIN.INI and its INI file, and (re)connecting the databases.
#include <exception>

#include "app/konwersja.h"
#include "control/konwersja_dm.h"
#include "platform/mac.h"
#include "platform/paths.h"

namespace konw {

namespace {

constexpr const char* kHaslo = "wrzo";

void ustawBaze(db::Database& database, const std::string& driver, std::initializer_list<std::string> lines) {
  database.setDriverName(driver);
  database.clearParams();
  for (const auto& line : lines) database.addParam(line);
}

}  // namespace

void TfrmConvert::ZaznaczBezZdarzenia(const std::string& radio, bool checked) {
  // The operator interface never runs a click handler when it sets a radio button.
  ui_.setChecked(radio, checked);
  if (checked) ui_.setChecked(radio == "JST" ? "JB" : "JST", false);
}

void TfrmConvert::ZaznaczRadio(const std::string& radio) {
  // Like a click: the handler runs only when the button was not checked yet.
  if (ui_.checked(radio)) return;
  ZaznaczBezZdarzenia(radio, true);
  JSTClick(radio);
}

void TfrmConvert::JSTClick(const std::string& radio) {
  (void)radio;
  WczytajKonfiguracje(true);
  ui_.setCaption("lblSciezkaInterbase", SciezkaInterbase);
  ui_.setCaption("lblSciezkaParadoxa", SciezkaParadoxa);
  SprawdzWersjeDanych(SciezkaParadoxa, SciezkaInterbase, false);
}

bool TfrmConvert::WczytajKonfiguracje(bool zPrzycisku) {
  TdmKonw& dm = *dm_;
  SciezkaParadoxa.clear();
  SciezkaInterbase.clear();
  ui_.setCaption("lblWersjaPdx", "");

  dm.DBp.disconnect();
  dm.DBi.disconnect();
  dm.DBpb.disconnect();
  dm.DBpbjo.disconnect();
  WyczyscDaneJednostki();

  TProfile& ini = dm.Ini;
  ini.FileName = "WIN.INI";
  ini.Section = "VELMARO";

  std::string plikIni;
  if (zPrzycisku) {
    ini.Entry = ui_.checked("JST") ? "Kalmiro" : "DIZEZ";
    plikIni = ini.Text();
  } else {
    ini.Entry = "Kalmiro";
    plikIni = ini.Text();
    if (!plikIni.empty()) {
      ZaznaczBezZdarzenia("JST", true);
    } else {
      ini.Entry = "DIZEZ";
      plikIni = ini.Text();
      if (!plikIni.empty()) ZaznaczBezZdarzenia("JB", true);
    }
  }

  SciezkaGlowna.clear();
  if (plikIni.empty()) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   "Brak w konfiguracji Windows informacji o zainstalowanym systemie \"Kalmiro\"!", kOk, kOk);
    return false;
  }

  const std::string stanowisko = identyfikatorStanowiska ? identyfikatorStanowiska() : PobierzAdresMAC();
  const std::string edycja = ui_.checked("JST") ? "configKalmiro" : "configJB";
  ini.FileName = plikIni;
  ini.Section = stanowisko;

  // Reads `key` from the current section, then the edition's, then the shared one; when all are empty the
  // workstation section becomes current again. The section where the value was found stays current.
  auto szukaj = [&](const std::string& key) {
    ini.Entry = key;
    std::string value = ini.Text();
    if (value.empty()) {
      ini.Section = edycja;
      value = ini.Text();
    }
    if (value.empty()) {
      ini.Section = "configJST";
      value = ini.Text();
    }
    if (value.empty()) ini.Section = stanowisko;
    return value;
  };

  SciezkaGlowna = szukaj("PathMain");
  SciezkaParadoxa = szukaj("PathData");
  if (SciezkaParadoxa.empty()) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   "Brak w konfiguracji programu \"Kalmiro\" określenia katalogu z danymi!", kOk, kOk);
    return false;
  }
  ini.Section = stanowisko;
  SciezkaInterbase = szukaj("GDBPath");
  if (SciezkaInterbase.empty()) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   "Brak w konfiguracji programu \"Kalmiro\" określenia pliku z danymi w formacie Firebird!", kOk,
                   kOk);
    return false;
  }

  dm.session.addPassword(kHaslo);
  const std::string bezUkosnika = UsunKoncowyUkosnik(SciezkaParadoxa);
  ustawBaze(dm.DBp, "STANDARD", {"PATH=" + SciezkaParadoxa, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
  ustawBaze(dm.DBpb, "STANDARD", {"PATH=" + bezUkosnika + "\\BUFOR\\", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
  ustawBaze(dm.DBpbjo, "STANDARD",
            {"PATH=" + bezUkosnika + "\\BUFOR\\JO\\", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
  ustawBaze(dm.DBi, "INTRBASE",
            {"SERVER NAME=" + SciezkaInterbase, "USER NAME=SYSDBA", "PASSWORD=palisandr", "SQLQRYMODE=SERVER",
             "LANGDRIVER=anpolish", "ENABLE BCD=TRUE", "SQLDIALECT=3"});

  dm.DBp.connect();
  dm.DBpb.connect();
  dm.DBpbjo.connect();
  return true;
}

bool TfrmConvert::UstawSciezkiDoBaz(const std::string& SciezkaP, const std::string& SciezkaI, bool JestWKonwersji,
                                    bool PokazKomunikat) {
  TdmKonw& dm = *dm_;
  bool wynik = false;
  if (!SciezkaP.empty() && !SciezkaI.empty()) {
    try {
      const std::string bezUkosnika = UsunKoncowyUkosnik(SciezkaParadoxa);
      dm.DBp.disconnect();
      WyczyscDaneJednostki();
      dm.DBp.setParam(0, "PATH=" + SciezkaP);
      dm.DBp.connect();
      dm.DBpb.disconnect();
      dm.DBpb.setParam(0, "PATH=" + bezUkosnika + "\\BUFOR\\");
      dm.DBpb.connect();
      dm.DBpbjo.disconnect();
      dm.DBpbjo.setParam(0, "PATH=" + bezUkosnika + "\\BUFOR\\JO\\");
      dm.DBpbjo.connect();

      wynik = UstawInformacjeOJednostce();
      ui_.setCaption("lblWersjaPdx", OdczytajWersjeDanych());

      if (wynik && !SciezkaI.empty()) {
        dm.DBi.disconnect();
        dm.DBi.setParam(0, "SERVER NAME=" + SciezkaI);
        dm.DBi.connect();
      }
      if (wynik) {
        const std::string katalog = DodajKoncowyUkosnik(SciezkaP);
        for (std::size_t k = 0; k < logi.size(); ++k) logi[k].sciezka = katalog + kNazwyLogow[k];
      }
    } catch (...) {
      wynik = false;
      if (JestWKonwersji) ZapiszBlad("TfrmConvert.UstawSciezkiDoBaz");
      ZglosBlad("TfrmConvert.UstawSciezkiDoBaz", "",
                "(JestWKonwersji=" + LogicznaNaTekst(JestWKonwersji) +
                    "; JestWOnCreate=" + LogicznaNaTekst(JestWOnCreate) + ")");
    }
  }

  dm.session.addPassword(kHaslo);
  if (!JestWOnCreate && !wynik && PokazKomunikat) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   "Błąd dostępu do danych według podanej konfiguracji położenia danych!\r\n"
                   "Proszę przed konwersją ustawić poprawną konfigurację położenia danych.",
                   kOk, kOk);
  }
  return wynik;
}

}  // namespace konw
