// The structure comparison of one table against a real Firebird database and real Paradox files,
// with the control tables of the installation.
#include "compare/porownanie.h"

#include <gtest/gtest.h>

#include "fixtures.h"
#include "program_fixture.h"

namespace {

using namespace test;
using db::paradox::SecondaryIndexSpec;

struct Wynik {
  unsigned klasy;
  std::string opis, informacje, krytyczne, bledy;
};

class Porownanie : public ProgramNaBazach {
 protected:
  void SetUp() override {
    ProgramNaBazach::SetUp();
    if (HasFatalFailure()) return;
    dm_ = frm.dm();
    writeControlTables(root.path / "PROG" / "KONWERSJA", {{1, "Plany", "PLANY"}, {2, "Inne", "INNE"}},
                       {{1, "Grupa", "GRUPA_WYD"}, {2, "Kwota", "KWOTA_PLN"}});
    ASSERT_TRUE(dm_->OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    ASSERT_TRUE(dm_->tblLista.locate("TABELA", {std::string("Plany")}, true));
  }

  void ib(const std::string& sql) {
    dm_->qryInterbase.clearSql();
    dm_->qryInterbase.addSql(sql);
    dm_->qryInterbase.execSql();
  }
  void pdx(const std::string& name, std::vector<FieldSpec> fields, int keyFields,
           std::vector<SecondaryIndexSpec> secondary = {}) {
    TableSpec t;
    t.fields = std::move(fields);
    t.keyFields = keyFields;
    t.secondary = std::move(secondary);
    db::paradox::writeTable(root.path / "DANE" / (name + ".DB"), t, {});
  }
  // A row of a control table; the detail tables give it the current ListaTabel row.
  void wiersz(db::Table& table, const std::vector<std::pair<const char*, db::Value>>& values) {
    table.insert();
    for (const auto& [name, value] : values) table.fieldByName(name).setValue(value);
    table.post();
  }
  Wynik porownaj(const std::string& tabelaIb, const std::string& tabelaPdx, bool konf) {
    Wynik w{0, "stare", "stare", "stare", "stare"};
    w.klasy =
        frm.PorownajStrukturyTabel(tabelaIb, tabelaPdx, konf, w.opis, w.informacje, w.krytyczne, w.bledy);
    return w;
  }

  konw::TdmKonw* dm_ = nullptr;
};

TEST_F(Porownanie, IdenticalTablesAndTheAcceptedTypePairsGiveNothingButTheLostTimeOfDay) {
  ib("create table PLANY (ID integer not null primary key, DATA date, CZY varchar(1), NAZWA varchar(40), "
     "OD timestamp)");
  pdx("Plany", {{"Id", '+', 0}, {"Data", '@', 0}, {"Czy", 'L', 0}, {"Nazwa", 'A', 40}, {"Od", '@', 0}}, 1);
  for (bool konf : {false, true}) {
    ui.processMessagesCalls = 0;
    Wynik w = porownaj("PLANY", "Plany", konf);
    // A timestamp into a date is carried over, but its time of day is lost: an error whatever the tables say.
    const std::string linia = "\r\n    pole traci porę dnia: DATA (firebird: Date, paradox: DateTime)";
    EXPECT_EQ(w.klasy, 10u);
    EXPECT_EQ(w.opis, linia);
    EXPECT_EQ(w.bledy, linia);
    EXPECT_EQ(w.informacje + w.krytyczne, "");
    EXPECT_EQ(ui.processMessagesCalls, 12) << "before each of 5 + 5 fields and 1 + 1 indexes";
  }
  // Left on the tables compared, with no cursor open on them (one would keep a fetch going on the
  // connection through the copy that follows).
  EXPECT_FALSE(dm_->TblI.active() || dm_->TblP.active());
  EXPECT_EQ(dm_->TblI.tableName(), "PLANY");
  EXPECT_EQ(dm_->TblP.tableName(), "Plany");

  // The pairs hold in one direction only.
  ib("create table INNE (ID integer not null primary key, DATA timestamp, CZY boolean)");
  pdx("Inne", {{"ID", 'I', 0}, {"DATA", 'D', 0}, {"CZY", 'A', 1}}, 1);
  Wynik w = porownaj("INNE", "Inne", true);
  EXPECT_EQ(w.klasy, 12u);
  EXPECT_EQ(w.krytyczne,
            "\r\n    inny typ pola: DATA (firebird: DateTime, paradox: Date)"
            "\r\n    inny typ pola: CZY (firebird: Boolean, paradox: String)");
  EXPECT_EQ(w.opis, w.krytyczne);
}

TEST_F(Porownanie, SizeDifferenceIsAcceptedOnlyByTheExactRow) {
  ib("create table PLANY (ID integer not null primary key, NAZWA varchar(40), OPIS blob sub_type 1)");
  pdx("Plany", {{"ID", 'I', 0}, {"NAZWA", 'A', 35}, {"OPIS", 'M', 20}}, 1);
  const std::string linia = "\r\n    inny rozmiar pola: NAZWA (firebird: 40, paradox: 35)";
  Wynik w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 12u);
  EXPECT_EQ(w.krytyczne, linia);
  EXPECT_EQ(w.opis, linia);

  wiersz(dm_->tblRozmiar, {{"POLE_IB", std::string("nazwa")}, {"ROZMIAR_PDX", 40.0}, {"ROZMIAR_IB", 35.0}});
  EXPECT_EQ(porownaj("PLANY", "Plany", true).krytyczne, linia) << "the numbers swapped";
  wiersz(dm_->tblRozmiar, {{"POLE_IB", std::string("nazwa")}, {"ROZMIAR_PDX", 35.0}, {"ROZMIAR_IB", 40.0}});
  EXPECT_EQ(porownaj("PLANY", "Plany", true).klasy, 8u);
  EXPECT_EQ(porownaj("PLANY", "Plany", false).krytyczne, linia) << "without the control tables";
  ASSERT_TRUE(dm_->tblLista.locate("TABELA", {std::string("Inne")}, true));
  EXPECT_EQ(porownaj("PLANY", "Plany", true).krytyczne, linia) << "the row of another table";
}

TEST_F(Porownanie, TypeAndPositionAreCheckedTogether) {
  ib("create table PLANY (ID integer not null primary key, KWOTA numeric(15,2), NAZWA varchar(10))");
  pdx("Plany", {{"ID", 'I', 0}, {"NAZWA", 'A', 10}, {"KWOTA", '$', 0}}, 1);
  Wynik w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 14u);
  EXPECT_EQ(w.opis,
            "\r\n    inny typ pola: KWOTA (firebird: BCD, paradox: Currency)"
            "\r\n    inna kolejność pola: KWOTA (firebird: 2, paradox: 3)"
            "\r\n    inna kolejność pola: NAZWA (firebird: 3, paradox: 2)");
  EXPECT_EQ(w.krytyczne, "\r\n    inny typ pola: KWOTA (firebird: BCD, paradox: Currency)");

  wiersz(
      dm_->tblKolejnosc,
      {{"POLE_IB", std::string("NAZWA")}, {"NR_POLA_PDX", std::int64_t{2}}, {"NR_POLA_IB", std::int64_t{3}}});
  wiersz(
      dm_->tblKolejnosc,
      {{"POLE_IB", std::string("KWOTA")}, {"NR_POLA_PDX", std::int64_t{2}}, {"NR_POLA_IB", std::int64_t{3}}});
  w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.bledy, "\r\n    inna kolejność pola: KWOTA (firebird: 2, paradox: 3)");
}

TEST_F(Porownanie, MappedAndMissingFields) {
  ib("create table PLANY (ID integer not null primary key, GRUPA_WYD varchar(10), NOWE integer)");
  ib("create index IX_GRUPA on PLANY (ID, GRUPA_WYD)");
  pdx("Plany", {{"ID", 'I', 0}, {"Grupa", 'A', 8}, {"STARE", 'I', 0}}, 1,
      {{"ixGrupa", {"ID", "Grupa"}, false}});
  EXPECT_EQ(konw::WczytajMapy(*dm_).OdpowiednikKlucza("id;GRUPA_WYD", false), "id;Grupa");

  Wynik w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 14u);
  EXPECT_EQ(w.opis,
            "\r\n    inny rozmiar pola: GRUPA_WYD (GRUPA) (firebird: 10, paradox: 8)"
            "\r\n    brak pola (w paradox): NOWE"
            "\r\n    brak pola (w firebird): STARE");
  EXPECT_EQ(w.bledy, "\r\n    brak pola (w paradox): NOWE");

  // Position 0 lets a Firebird field be missing; nothing accepts a Paradox field that Firebird lacks.
  wiersz(
      dm_->tblKolejnosc,
      {{"POLE_IB", std::string("nowe")}, {"NR_POLA_PDX", std::int64_t{0}}, {"NR_POLA_IB", std::int64_t{3}}});
  wiersz(
      dm_->tblKolejnosc,
      {{"POLE_IB", std::string("STARE")}, {"NR_POLA_PDX", std::int64_t{0}}, {"NR_POLA_IB", std::int64_t{0}}});
  w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 12u);
  EXPECT_EQ(w.bledy, "");

  // Without the control tables nothing is mapped or accepted.
  w = porownaj("PLANY", "Plany", false);
  EXPECT_EQ(w.opis,
            "\r\n    brak pola (w paradox): GRUPA_WYD"
            "\r\n    brak pola (w paradox): NOWE"
            "\r\n    brak pola (w firebird): GRUPA"
            "\r\n    brak pola (w firebird): STARE"
            "\r\n    brak indeksu  (w paradox): ID;GRUPA_WYD"
            "\r\n    brak indeksu (w firebird): ID;GRUPA");
}

TEST_F(Porownanie, MissingIndexesAndTheSimilarLongerOne) {
  ib("create table PLANY (ROK smallint not null, DZIAL varchar(3) not null, ROZDZIAL varchar(5) not null, "
     "constraint PK_PLANY primary key (ROK, DZIAL))");
  ib("create index IX_PLANY on PLANY (ROK, DZIAL, ROZDZIAL)");
  ib("create index IX_DR on PLANY (DZIAL, ROK)");
  pdx("Plany", {{"ROK", 'S', 0}, {"DZIAL", 'A', 3}, {"ROZDZIAL", 'A', 5}}, 1,
      {{"ixDzialRok", {"ROZDZIAL", "DZIAL", "ROK"}, false}});
  Wynik w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 15u);
  EXPECT_EQ(w.bledy,
            "\r\n    brak indeksu  (w paradox): ROK;DZIAL"
            "\r\n    brak indeksu  (w paradox): DZIAL;ROK"
            "\r\n    brak indeksu  (w paradox): ROK;DZIAL;ROZDZIAL");
  EXPECT_EQ(w.informacje,
            "\r\n    brak indeksu (w firebird): ROK\r\n    (podobny indeks dłuższy: ROK;DZIAL;ROZDZIAL)");
  EXPECT_EQ(w.krytyczne, "\r\n    brak indeksu (w firebird): ROZDZIAL;DZIAL;ROK");
  EXPECT_EQ(w.opis, w.bledy + w.informacje + w.krytyczne);

  // Each side's row names the table that lacks the index and the key as the other side has it.
  for (const char* klucz : {"rok;dzial", "DZIAL;ROK", "ROK;DZIAL;ROZDZIAL"})
    wiersz(dm_->tblIdxPomijane, {{"TABELA_PDX", std::string("PLANY")}, {"IDX_KLUCZ", std::string(klucz)}});
  wiersz(dm_->tblIdxPomijane, {{"TABELA_IB", std::string("Plany")}, {"IDX_KLUCZ", std::string("ROK")}});
  wiersz(dm_->tblIdxPomijane,
         {{"TABELA_PDX", std::string("Plany")}, {"IDX_KLUCZ", std::string("ROZDZIAL;DZIAL;ROK")}});
  w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 12u);
  EXPECT_EQ(w.opis, "\r\n    brak indeksu (w firebird): ROZDZIAL;DZIAL;ROK")
      << "rows on the wrong side accept nothing";
  EXPECT_EQ(porownaj("PLANY", "Plany", false).klasy, 15u);
}

TEST_F(Porownanie, FirebirdTableWithoutIndexes) {
  ib("create table PLANY (ROK smallint)");
  pdx("Plany", {{"ROK", 'S', 0}}, 0);
  Wynik w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 9u);
  EXPECT_EQ(w.informacje, "\r\n    tabela firebird nie posiada żadnego indeksu");
  wiersz(dm_->tblIdxPomijane, {{"TABELA_PDX", std::string("PLANY")}, {"IDX_KLUCZ", std::string("*")}});
  EXPECT_EQ(porownaj("PLANY", "Plany", true).klasy, 9u);
  wiersz(dm_->tblIdxPomijane, {{"TABELA_IB", std::string("plany")}, {"IDX_KLUCZ", std::string("*")}});
  EXPECT_EQ(porownaj("PLANY", "Plany", true).klasy, 8u);
  EXPECT_EQ(porownaj("PLANY", "Plany", false).klasy, 9u);
}

TEST_F(Porownanie, TableThatCannotBeOpened) {
  pdx("Plany", {{"ROK", 'S', 0}}, 1);
  Wynik w = porownaj("PLANY", "Plany", true);
  EXPECT_EQ(w.klasy, 14u);
  EXPECT_EQ(w.opis, "\r\n  błąd otwarcia tabeli firebird!");
  EXPECT_EQ(w.krytyczne, w.opis);
  EXPECT_EQ(w.bledy + w.informacje, "");

  ib("create table PLANY (ROK smallint not null primary key)");
  w = porownaj("PLANY", "Brak", true);
  EXPECT_EQ(w.klasy, 14u);
  EXPECT_EQ(w.opis, "\r\n  błąd otwarcia tabeli paradox!");
  EXPECT_EQ(w.krytyczne, w.opis);
}

TEST_F(Porownanie, CurrentTableIsComparedIntoTheLog) {
  ib("create table PLANY (ID integer not null primary key, NAZWA varchar(40), NOWE integer)");
  ib("create table INNE (ID integer)");
  pdx("Plany", {{"ID", 'I', 0}, {"NAZWA", 'A', 35}}, 1);
  pdx("Inne", {{"ID", 'I', 0}}, 0);
  for (std::size_t i = 0; i < frm.przebieg.log().logi.size(); ++i)
    frm.przebieg.log().logi[i].plik = std::fopen((root.path / konw::kNazwyLogow[i]).c_str(), "wb");
  frm.przebieg.log().NaglowekDoZapisu = {false, true, true, true};
  frm.przebieg.PorownajStrukturyBiezacejTabeli();
  EXPECT_EQ(dm_->TblP.database(), &dm_->DBp);
  const std::string kryt = "\r\n    inny rozmiar pola: NAZWA (firebird: 40, paradox: 35)";
  const std::string bl = "\r\n    brak pola (w paradox): NOWE";
  EXPECT_EQ(ui.memo("mKomunikaty"), (std::vector<std::string>{"  porównanie struktur...", kryt + bl}));
  EXPECT_EQ(ui.memo("mKomBl"), (std::vector<std::string>{" ", std::string(30, '-'), "Plany", kryt, bl}));
  EXPECT_EQ(ui.memo("mKomBlKr"), (std::vector<std::string>{" ", std::string(30, '-'), "Plany", kryt}));
  EXPECT_TRUE(ui.memo("mKomInf").empty());
  EXPECT_TRUE(frm.przebieg.flagi().Niezgodnosc && frm.przebieg.flagi().NiezgodnoscKrytyczna);

  // Informational only: no flag. A missing Paradox file: the empty error list is still one entry.
  frm.przebieg.flagi().Niezgodnosc = frm.przebieg.flagi().NiezgodnoscKrytyczna = false;
  ASSERT_TRUE(dm_->tblLista.locate("TABELA", {std::string("Inne")}, true));
  frm.przebieg.PorownajStrukturyBiezacejTabeli();
  EXPECT_EQ(ui.memo("mKomInf").back(), "\r\n    tabela firebird nie posiada żadnego indeksu");
  EXPECT_FALSE(frm.przebieg.flagi().Niezgodnosc || frm.przebieg.flagi().NiezgodnoscKrytyczna);
  fs::remove(root.path / "DANE" / "Inne.DB");
  const auto bledy = ui.memo("mKomBl").size();
  frm.przebieg.PorownajStrukturyBiezacejTabeli();
  EXPECT_EQ(ui.memo("mKomBlKr").back(), "\r\n  błąd otwarcia tabeli paradox!");
  ASSERT_EQ(ui.memo("mKomBl").size(), bledy + 2);
  EXPECT_EQ(ui.memo("mKomBl").back(), "");
  EXPECT_TRUE(frm.przebieg.flagi().Niezgodnosc && frm.przebieg.flagi().NiezgodnoscKrytyczna);
}

}  // namespace
