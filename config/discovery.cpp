#include "config/discovery.h"

#include "platform/ini.h"

namespace konw {

WynikKonfiguracji ZnajdzLokalizacje(TProfile& ini, std::optional<Edycja> edycja,
                                    const std::string& stanowisko) {
  WynikKonfiguracji wynik;
  ini.FileName = "WIN.INI";
  ini.Section = "VELMARO";

  std::string plikIni;
  for (Edycja e : {Edycja::JST, Edycja::JB}) {
    if (edycja && *edycja != e) continue;
    ini.Entry = e == Edycja::JST ? "Kalmiro" : "DIZEZ";
    plikIni = ini.Text();
    // A chosen edition is kept even when WIN.INI does not name it.
    if (edycja || !plikIni.empty()) {
      wynik.edycja = e;
      break;
    }
  }
  if (plikIni.empty()) {
    wynik.blad = "Brak w konfiguracji Windows informacji o zainstalowanym systemie \"Kalmiro\"!";
    return wynik;
  }

  const std::string sekcjaEdycji = wynik.edycja == Edycja::JST ? "configKalmiro" : "configJB";
  ini.FileName = plikIni;
  ini.Section = stanowisko;

  // Reads `key` from the current section, then the edition's, then the shared one; when all are empty the
  // workstation section becomes current again. The section where the value was found stays current.
  auto szukaj = [&](const std::string& key) {
    ini.Entry = key;
    std::string value = ini.Text();
    if (value.empty()) {
      ini.Section = sekcjaEdycji;
      value = ini.Text();
    }
    if (value.empty()) {
      ini.Section = "configJST";
      value = ini.Text();
    }
    if (value.empty()) ini.Section = stanowisko;
    return value;
  };

  Lokalizacje& l = wynik.lokalizacje;
  l.SciezkaGlowna = szukaj("PathMain");
  l.SciezkaParadoxa = szukaj("PathData");
  if (l.SciezkaParadoxa.empty()) {
    wynik.blad = "Brak w konfiguracji programu \"Kalmiro\" określenia katalogu z danymi!";
    return wynik;
  }
  ini.Section = stanowisko;
  l.SciezkaInterbase = szukaj("GDBPath");
  if (l.SciezkaInterbase.empty()) {
    wynik.blad = "Brak w konfiguracji programu \"Kalmiro\" określenia pliku z danymi w formacie Firebird!";
  } else if (ini.lastCut()) {
    // A location cut short names another file (or a folder): nothing is connected with it.
    wynik.blad = "Położenie danych w formacie Firebird (klucz GDBPath w pliku " + plikIni +
                 ") jest dłuższe niż " + std::to_string(kProfileValueMax) +
                 " znaków, a z pliku konfiguracji odczytuje się najwyżej tyle; odczytany początek: " +
                 l.SciezkaInterbase +
                 "\r\nProszę skrócić ścieżkę bazy danych (np. przenieść bazę do katalogu o krótszej nazwie) "
                 "albo wskazać położenie bazy w oknie ustawień położenia danych.";
    l.SciezkaInterbase.clear();
  }
  return wynik;
}

}  // namespace konw
