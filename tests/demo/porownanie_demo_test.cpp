// The structure comparison of every table of the demo installation's list: exactly the differences
// built in on purpose and left unaccepted by its control tables show.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "compare/porownanie.h"
#include "control/konwersja_dm.h"
#include "db/drivers.h"
#include "demo/demo_fixture.h"
#include "support/scratch_dir.h"

namespace {

struct Roznice {
  unsigned klasy;
  std::string opis, informacje, krytyczne, bledy;
  bool operator==(const Roznice&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Roznice& r) {
  return out << "{" << r.klasy << ", \"" << r.opis << "\", \"" << r.informacje << "\", \"" << r.krytyczne
             << "\", \"" << r.bledy << "\"}";
}

TEST(PorownanieDemo, OnlyTheUnacceptedDifferencesShow) {
  demotest::DemoInstallation demo(40);
  demotest::FoundThroughWine env(demo);
  konw::ScriptedOperator ui;
  auto okno = demo.window(ui);
  konw::TfrmConvert& frm = *okno;
  ASSERT_TRUE(frm.FormCreate());
  auto& dm = *frm.dm();

  std::map<std::string, Roznice> wyniki;
  for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next()) {
    dm.TblP.setDatabase(&dm.DBp);
    Roznice r{};
    const std::string tabela = dm.tblLista.fieldByName("TABELA").asString();
    r.klasy = frm.PorownajStrukturyTabel(dm.tblLista.fieldByName("TABELA_IB").asString(), tabela, true,
                                         r.opis, r.informacje, r.krytyczne, r.bledy);
    if (r.klasy != konw::kKlasaZawsze) wyniki[tabela] = r;
  }

  // Lines of the classes: informational, critical, error.
  auto roznice = [](std::string inf, std::string kryt, std::string bl) {
    Roznice r{konw::kKlasaZawsze, "", inf, kryt, bl};
    if (!inf.empty()) r.klasy |= konw::kKlasaInformacja;
    if (!kryt.empty()) r.klasy |= konw::kKlasaKrytyczna;
    if (!bl.empty()) r.klasy |= konw::kKlasaBlad;
    return r;
  };
  const std::string podobny =
      "\r\n    brak indeksu (w firebird): ROK\r\n    (podobny indeks dłuższy: ROK;MIESIAC)";
  const std::string rozmiar = "\r\n    inny rozmiar pola: BENEFICJENT (firebird: 160, paradox: 120)";
  const std::string kolejnosc =
      "\r\n    inna kolejność pola: DATAUMOWY (firebird: 8, paradox: 9)"
      "\r\n    inna kolejność pola: KWOTA (firebird: 9, paradox: 8)";
  std::map<std::string, Roznice> oczekiwane = {
      {"WIELOLETNIA", roznice("", "\r\n    inny typ pola: KWOTA (firebird: BCD, paradox: Currency)", "")},
      {"DOTACJE", roznice("", rozmiar, kolejnosc)},
      {"ZMIANYPLANU", roznice("", "\r\n    brak pola (w firebird): STARYKOD", "")},
      {"POWIADOMIENIA", roznice("", "", "\r\n    brak pola (w paradox): PRIORYTET")},
      {"WYKDOCH", roznice(podobny, "", "\r\n    brak indeksu  (w paradox): ROK;MIESIAC")},
      {"JEDNMIARY", roznice("\r\n    tabela firebird nie posiada żadnego indeksu", "", "")},
      {"ARCHPLAN", roznice("", "\r\n  błąd otwarcia tabeli paradox!", "")},
  };
  // The description holds the lines in the order found: fields before indexes.
  oczekiwane["DOTACJE"].opis = rozmiar + kolejnosc;
  oczekiwane["WYKDOCH"].opis = "\r\n    brak indeksu  (w paradox): ROK;MIESIAC" + podobny;
  oczekiwane["ARCHPLAN"].klasy |= konw::kKlasaBlad;  // an open failure counts as an error too
  for (auto& [t, r] : oczekiwane)
    if (r.opis.empty()) r.opis = r.informacje + r.krytyczne + r.bledy;
  EXPECT_EQ(wyniki, oczekiwane);
}

}  // namespace
