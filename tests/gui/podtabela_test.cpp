// The control-table viewers offscreen: the window TfrmPodTbl over the five tables and the page
// "Lista tabel" over ListaTabel, on real Paradox control tables.
#include "app/qt/podtabela.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "app/qt/okno_konwersji.h"
#include "core/fixtures.h"
#include "db/engine.h"

namespace konw {
namespace {

using test::fs::path;

// What a viewer window showed, read while it is open.
struct Okno {
  QString tytul;
  QStringList kolumny;
  std::vector<QStringList> wiersze;
};

Okno odczytaj(TfrmPodTbl* okno) {
  Okno o;
  o.tytul = okno->windowTitle();
  ModelTabeli* m = okno->model();
  if (!m) return o;
  for (int k = 0; k < m->columnCount(); ++k)
    o.kolumny << m->headerData(k, Qt::Horizontal, Qt::DisplayRole).toString();
  for (int w = 0; w < m->rowCount(); ++w) {
    QStringList wiersz;
    for (int k = 0; k < m->columnCount(); ++k) wiersz << m->data(m->index(w, k), Qt::DisplayRole).toString();
    o.wiersze.push_back(wiersz);
  }
  return o;
}

// Runs `dzialanie` on the viewer window once it is open, then closes it with btnClose.
void wOknie(std::function<void(TfrmPodTbl*)> dzialanie) {
  QTimer::singleShot(0, [dzialanie] {
    auto* okno = qobject_cast<TfrmPodTbl*>(QApplication::activeModalWidget());
    ASSERT_NE(okno, nullptr);
    dzialanie(okno);
    okno->findChild<QPushButton*>(QStringLiteral("btnClose"))->click();
  });
}

class Podtabela : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerBuiltinDrivers();
    frm.wyjatki.ErrorLog = (root.path / "konwersja.log").string();
    ASSERT_TRUE(frm.UtworzModulDanych());
    dm = frm.dm();
    frm.SciezkaGlowna = (root.path / "PROG").string();
    test::writeControlTables(root.path / "PROG" / "KONWERSJA", {{1, "Plany", "PLANY"}, {2, "Konta", "KONTA"}},
                             {{1, "Grupa", "GRUPA_WYD"}, {2, "Kwota", "KWOTA_PLN"}, {2, "Rok", "ROK_B"}});
    ASSERT_TRUE(dm->OtworzTabeleKonfiguracyjne(frm.SciezkaGlowna, frm.programPath()));
    for (const char* t : {"Stara", "Robocza"}) {
      dm->tblPomijane.insert();
      dm->tblPomijane.fieldByName("TABELA").setAsString(t);
      dm->tblPomijane.post();
    }
  }

  const PrzyciskPodtabeli& przycisk(const char* name) {
    for (const auto& p : kPrzyciskiPodtabel)
      if (std::string(p.przycisk) == name) return p;
    throw std::runtime_error(name);
  }
  void pokaz(const char* name) {
    const PrzyciskPodtabeli& p = przycisk(name);
    PokazPodtabele(nullptr, *dm, &(dm->*p.tabela), p.podpis, p.szczegolowa);
  }

  test::TempDir root;
  ScriptedOperator ui;
  TfrmConvert frm{ui, {}, (root.path / "bin" / "konwersja").string()};
  TdmKonw* dm = nullptr;
};

TEST_F(Podtabela, DetailTableShowsTheCurrentTablesRowsAndLinksANewOne) {
  ASSERT_TRUE(dm->tblLista.locate("TABELA", {std::string("Konta")}, true));
  Okno widok;
  wOknie([&](TfrmPodTbl* okno) {
    widok = odczytaj(okno);
    // A new row, then a value typed into it: both posted at once.
    okno->findChild<QToolButton*>(QStringLiteral("nbInsert"))->click();
    ModelTabeli* m = okno->model();
    ASSERT_EQ(m->rowCount(), 3);
    const int nowy = m->siatka().biezacy();
    EXPECT_TRUE(m->setData(m->index(nowy, 0), QStringLiteral("Opis"), Qt::EditRole));
    EXPECT_TRUE(m->setData(m->index(nowy, 1), QStringLiteral("OPIS_B"), Qt::EditRole));
  });
  pokaz("btnPola");
  EXPECT_EQ(widok.tytul, "INNE NAZWY PÓL - TABELA: Konta");
  EXPECT_EQ(widok.kolumny, (QStringList{"POLE_PDX", "POLE_IB"}));
  std::sort(widok.wiersze.begin(), widok.wiersze.end());
  EXPECT_EQ(widok.wiersze, (std::vector<QStringList>{{"Kwota", "KWOTA_PLN"}, {"Rok", "ROK_B"}}));

  // The row is in the table, linked to Konta, and the map now answers for it.
  EXPECT_EQ(dm->tblPola.state(), db::Dataset::State::Browse);
  ASSERT_TRUE(dm->tblPola.locate("POLE_PDX", {std::string("Opis")}, true));
  EXPECT_EQ(dm->tblPola.fieldByName("TABELA").asInteger(), 2);
  EXPECT_EQ(dm->OdpowiednikPola("opis", TdmKonw::Kierunek::ParadoxDoFirebird), "OPIS_B");
  EXPECT_EQ(dm->tblLista.fieldByName("TABELA").asString(), "Konta");
}

TEST_F(Podtabela, OtherTablesShowEveryRowWithoutTheKey) {
  ASSERT_TRUE(dm->tblLista.locate("TABELA", {std::string("Plany")}, true));
  Okno widok;
  wOknie([&](TfrmPodTbl* okno) { widok = odczytaj(okno); });
  pokaz("btnPomijane");
  EXPECT_EQ(widok.tytul, "TABELE POMIJANE PRZY KONWERSJI");
  EXPECT_EQ(widok.kolumny, (QStringList{"TABELA"}));
  std::sort(widok.wiersze.begin(), widok.wiersze.end());
  EXPECT_EQ(widok.wiersze, (std::vector<QStringList>{{"Robocza"}, {"Stara"}}));

  wOknie([&](TfrmPodTbl* okno) { widok = odczytaj(okno); });
  pokaz("btnIdxPomijane");
  EXPECT_EQ(widok.tytul, "INDEKSY BRAKUJĄCE NIE WPISYWANE W LOGI KONWERSJI");
  EXPECT_EQ(widok.kolumny, (QStringList{"TABELA_IB", "TABELA_PDX", "IDX_KLUCZ"}));

  for (auto [name, kolumny] :
       {std::pair{"btnKolejnosc", QStringList{"POLE_IB", "NR_POLA_PDX", "NR_POLA_IB"}},
        std::pair{"btnRozmiar", QStringList{"POLE_IB", "ROZMIAR_PDX", "ROZMIAR_IB"}}}) {
    wOknie([&](TfrmPodTbl* okno) { widok = odczytaj(okno); });
    pokaz(name);
    EXPECT_EQ(widok.kolumny, kolumny) << name;
    EXPECT_TRUE(widok.tytul.endsWith(" - TABELA: Plany")) << name;
  }

  wOknie([&](TfrmPodTbl* okno) { widok = odczytaj(okno); });
  PokazPodtabele(nullptr, *dm, nullptr, "X", false);
  EXPECT_EQ(widok.tytul, "Niewłaściwy parameter wywołania");
  EXPECT_TRUE(widok.kolumny.isEmpty());
}

TEST_F(Podtabela, TypedValuesTakeTheFieldsTypeAndABadNumberChangesNothing) {
  ASSERT_TRUE(dm->tblLista.locate("TABELA", {std::string("Plany")}, true));
  SiatkaTabeli s(dm->tblRozmiar, {}, 2);
  const int w = s.dodaj();
  s.ustaw(w, 0, "NAZWA");
  s.ustaw(w, 1, "35");
  s.ustaw(w, 2, "40,5");
  EXPECT_EQ(s.wartosc(w, 1), db::Value(35.0));
  EXPECT_EQ(s.wartosc(w, 2), db::Value(40.5));
  EXPECT_THROW(s.ustaw(w, 1, "3x"), std::invalid_argument);
  EXPECT_EQ(dm->tblRozmiar.state(), db::Dataset::State::Browse);
  EXPECT_EQ(s.wartosc(w, 1), db::Value(35.0));
  s.ustaw(w, 1, "");
  EXPECT_EQ(s.wartosc(w, 1), db::Value(db::Null{}));

  // Deleting reaches the table; the master's row stays where it was.
  s.usun(w);
  EXPECT_EQ(s.wiersze(), 0);
  EXPECT_TRUE(dm->tblRozmiar.isEmpty());
  EXPECT_EQ(dm->tblLista.fieldByName("TABELA").asString(), "Plany");
}

TEST_F(Podtabela, PageListaTabelEditsTheListAndOpensTheViewerOfTheSelectedTable) {
  OknoKonwersji okno;
  okno.ustawLogike(&frm);
  okno.setTabVisible("tsListaTabel", true);
  okno.setActivePage("tsListaTabel");
  okno.show();
  QApplication::processEvents();

  auto* siatka = okno.findChild<SiatkaWidok*>(QStringLiteral("dbgListaTabel"));
  ASSERT_NE(siatka, nullptr);
  auto* m = qobject_cast<ModelTabeli*>(siatka->model());
  ASSERT_NE(m, nullptr);
  QStringList kolumny;
  for (int k = 0; k < m->columnCount(); ++k)
    kolumny << m->headerData(k, Qt::Horizontal, Qt::DisplayRole).toString();
  EXPECT_EQ(kolumny, (QStringList{"TABELA", "TABELA_IB", "AUTOINC_PDX", "TRIGGER_IB", "GENERATOR_IB", "DIZEZ",
                                  "SLOWNIK", "KLUCZ_SLOWNIKA", "KLUCZ_SLOWNIKA_IB"}));
  QStringList przyciski;
  for (const char* b : {"btnPola", "btnKolejnosc", "btnRozmiar", "btnPomijane", "btnIdxPomijane"})
    przyciski << okno.findChild<QPushButton*>(QString::fromLatin1(b))->text();
  EXPECT_EQ(przyciski, (QStringList{"Nazwy pól", "Kolejność pól", "Rozmiary pól", "Tabele pomijane",
                                    "Indeksy pomijane"}));

  // Selecting a row makes it ListaTabel's current one; a tick is posted at once.
  ASSERT_EQ(m->rowCount(), 2);
  const int konta = m->data(m->index(0, 0), Qt::DisplayRole).toString() == "Konta" ? 0 : 1;
  ASSERT_EQ(m->data(m->index(konta, 0), Qt::DisplayRole).toString(), "Konta");
  siatka->wybierz(konta);
  EXPECT_EQ(dm->tblLista.fieldByName("TABELA").asString(), "Konta");
  EXPECT_TRUE(m->setData(m->index(konta, 6), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(dm->tblLista.fieldByName("SLOWNIK").asBoolean());
  EXPECT_EQ(m->data(m->index(konta, 6), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(m->data(m->index(1 - konta, 6), Qt::CheckStateRole).toInt(), Qt::Unchecked);

  Okno widok;
  wOknie([&](TfrmPodTbl* o) { widok = odczytaj(o); });
  okno.findChild<QPushButton*>(QStringLiteral("btnPola"))->click();
  EXPECT_EQ(widok.tytul, "INNE NAZWY PÓL - TABELA: Konta");
  EXPECT_EQ(widok.wiersze.size(), 2u);

  // A row added on the page is a row of ListaTabel, and the conversion kind's grid shows it too.
  okno.findChild<QToolButton*>(QStringLiteral("nbInsert"))->click();
  EXPECT_EQ(m->rowCount(), 3);
  EXPECT_EQ(dm->tblLista.recordCount(), 3);
  EXPECT_EQ(okno.findChild<QTableWidget*>(QStringLiteral("ExRxDBGrid1"))->rowCount(), 3);
  EXPECT_TRUE(m->setData(m->index(siatka->currentIndex().row(), 0), QStringLiteral("Nowa"), Qt::EditRole));
  EXPECT_TRUE(dm->tblLista.locate("TABELA", {std::string("Nowa")}, false));
  auto* rodzaje = okno.findChild<QTableWidget*>(QStringLiteral("ExRxDBGrid1"));
  EXPECT_EQ(rodzaje->findItems(QStringLiteral("Nowa"), Qt::MatchExactly).size(), 1);
}

}  // namespace
}  // namespace konw
