#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "fixtures.h"
#include "program_fixture.h"

namespace {

using namespace test;
using Kierunek = konw::TdmKonw::Kierunek;

class ControlTables : public Program {
 protected:
  void standard() {
    writeControlTables(root.path / "PROG" / "KONWERSJA",
                       {{1, "Zadania", "ZADANIA"}, {2, "USER", "USER_"}, {3, "Dochody", "DOCHODY"}},
                       {{1, "NrZad", "NR_ZADANIA"}, {3, "PAR", "PARAGRAF"}, {3, "Rok", "ROK_BUD"}});
  }
};

TEST_F(ControlTables, ControlDirectoryIsBelowTheMainDirectoryOrBesideTheProgram) {
  standard();
  ASSERT_TRUE(frm.dm()->OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  EXPECT_EQ(frm.dm()->SciezkaKonwersji, (root.path / "PROG").string() + "\\KONWERSJA\\");
  frm.SciezkaGlowna = (root.path / "PROG").string() + "\\";
  ASSERT_TRUE(frm.dm()->OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  EXPECT_EQ(frm.dm()->SciezkaKonwersji, (root.path / "PROG").string() + "\\KONWERSJA\\");

  frm.SciezkaGlowna.clear();
  fs::create_directories(root.path / "bin");
  EXPECT_FALSE(frm.dm()->OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()))
      << "nothing beside the program";
  EXPECT_EQ(frm.dm()->SciezkaKonwersji, (root.path / "bin").string() + "/KONWERSJA\\");
}

TEST_F(ControlTables, ListIsReadInFirebirdNameOrderWithItsDetails) {
  standard();
  auto& dm = *frm.dm();
  ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  std::vector<std::string> order;
  for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next())
    order.push_back(dm.tblLista.fieldByName("TABELA_IB").asString());
  EXPECT_EQ(order, (std::vector<std::string>{"DOCHODY", "USER_", "ZADANIA"}));

  ASSERT_TRUE(dm.tblLista.locate("TABELA", {std::string("Dochody")}, true));
  EXPECT_EQ(dm.tblPola.recordCount(), 2);
  EXPECT_EQ(dm.OdpowiednikPola("par", Kierunek::ParadoxDoFirebird), "PARAGRAF");
  EXPECT_EQ(dm.OdpowiednikPola("rok_bud", Kierunek::FirebirdDoParadox), "Rok");
  EXPECT_EQ(dm.OdpowiednikPola("NrZad", Kierunek::ParadoxDoFirebird), "NrZad") << "another table's map row";

  // A row inserted into a detail table belongs to the current list row.
  dm.tblPola.insert();
  dm.tblPola.fieldByName("POLE_PDX").setAsString("Kwota");
  dm.tblPola.fieldByName("POLE_IB").setAsString("KWOTA_PLN");
  dm.tblPola.post();
  EXPECT_EQ(dm.tblPola.fieldByName("TABELA").asInteger(), 3);
  EXPECT_EQ(dm.OdpowiednikPola("KWOTA", Kierunek::ParadoxDoFirebird), "KWOTA_PLN");

  ASSERT_TRUE(dm.tblLista.locate("TABELA", {std::string("Zadania")}, true));
  EXPECT_EQ(dm.tblPola.recordCount(), 1);
  EXPECT_EQ(dm.OdpowiednikPola("NRZAD", Kierunek::ParadoxDoFirebird), "NR_ZADANIA");
}

TEST_F(ControlTables, ClearingTheSelectionIsPostedToTheFile) {
  standard();
  auto& dm = *frm.dm();
  ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  dm.ZerujWybraneTabele();
  EXPECT_EQ(dm.tblLista.recNo(), 1);
  // Reopen from the file.
  ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  int ticked = 0;
  for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next())
    ticked += dm.tblLista.fieldByName("KONWERTOWANA").asBoolean();
  EXPECT_EQ(ticked, 0);
  EXPECT_EQ(dm.tblLista.recordCount(), 3);
}

// Every file of the control directory with its bytes and modification time.
std::map<std::string, std::pair<std::string, fs::file_time_type>> stanPlikow(const fs::path& dir) {
  std::map<std::string, std::pair<std::string, fs::file_time_type>> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    out[e.path().filename().string()] = {std::string(std::istreambuf_iterator<char>(in), {}),
                                         fs::last_write_time(e.path())};
  }
  return out;
}

TEST_F(ControlTables, SelectionIsWrittenOnlyWhenARowWasSelected) {
  standard();
  auto& dm = *frm.dm();
  const fs::path katalog = root.path / "PROG" / "KONWERSJA";
  ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  dm.ZerujWybraneTabele();  // every row starts selected: cleared and written
  ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));

  const struct {
    const char* wybrana;  // the row selected before the start-up, if any
    bool zapisana;
  } przypadki[] = {{nullptr, false}, {"USER", true}, {nullptr, false}};
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.wybrana ? p.wybrana : "none");
    if (p.wybrana) {
      ASSERT_TRUE(dm.tblLista.locate("TABELA", {std::string(p.wybrana)}, true));
      dm.tblLista.edit();
      dm.tblLista.fieldByName("KONWERTOWANA").setAsBoolean(true);
      dm.tblLista.post();
    }
    const auto przed = stanPlikow(katalog);
    // Far enough apart that a rewrite shows in the modification time whatever the clock's grain.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    dm.ZerujWybraneTabele();
    EXPECT_EQ(dm.tblLista.recNo(), 1);
    const auto po = stanPlikow(katalog);
    EXPECT_EQ(po == przed, !p.zapisana);
    if (p.zapisana) {
      EXPECT_NE(po.at("ListaTabel.db"), przed.at("ListaTabel.db"));
    }
    ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next())
      EXPECT_FALSE(dm.tblLista.fieldByName("KONWERTOWANA").asBoolean());
  }
}

TEST_F(ControlTables, SelectionThatCannotBeWrittenIsNamedToTheOperator) {
  standard();
  auto& dm = *frm.dm();
  ASSERT_TRUE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  // The file cannot be replaced: a directory with something in it stands in its place.
  const fs::path plik = root.path / "PROG" / "KONWERSJA" / "ListaTabel.db";
  fs::remove(plik);
  fs::create_directories(plik / "zajety");
  EXPECT_ANY_THROW(dm.ZerujWybraneTabele());
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].caption, "BŁĄD");
  EXPECT_EQ(ui.boxes()[0].text,
            "Błąd zapisu pliku konfiguracyjnego:\r\n" + dm.SciezkaKonwersji + "ListaTabel.db");
  EXPECT_EQ(dm.tblLista.state(), db::Dataset::State::Browse);
}

TEST_F(ControlTables, MissingControlTableIsNamedAndTheOthersStayOpen) {
  writeControlTables(root.path / "PROG" / "KONWERSJA", {{1, "A", "A"}}, {}, "ListaIndekSkip.db");
  auto& dm = *frm.dm();
  EXPECT_FALSE(dm.OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
  ASSERT_EQ(ui.boxes().size(), 1u);
  // The file as it lies on this computer.
  EXPECT_EQ(ui.boxes()[0].text, "Błąd otwarcia pliku konfiguracyjnego:\r\n" +
                                    (root.path / "PROG" / "KONWERSJA" / "ListaIndekSkip.db").string());
  EXPECT_EQ(ui.boxes()[0].caption, "BŁĄD");
  int open = 0;
  for (db::Table* t : {&dm.tblLista, &dm.tblPola, &dm.tblRozmiar, &dm.tblKolejnosc, &dm.tblPomijane})
    open += t->active();
  EXPECT_EQ(open, 5);
  EXPECT_FALSE(dm.tblIdxPomijane.active());
}

}  // namespace
