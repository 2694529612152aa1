// The control-table viewers offscreen: the window TfrmPodTbl over the five tables and the page
// "Lista tabel" over ListaTabel, on real Paradox control tables.
#include "app/qt/podtabela.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
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
    // A new row, then values typed into it: stored when the window closes.
    okno->findChild<QToolButton*>(QStringLiteral("nbInsert"))->click();
    ModelTabeli* m = okno->model();
    ASSERT_EQ(m->rowCount(), 3);
    const int nowy = m->siatka().nowy();
    ASSERT_EQ(nowy, 2);
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

  // A row added on the page becomes a row of ListaTabel when posted, and the conversion kind's grid
  // shows it too.
  okno.findChild<QToolButton*>(QStringLiteral("nbInsert"))->click();
  EXPECT_EQ(m->rowCount(), 3);
  EXPECT_EQ(dm->tblLista.recordCount(), 2);
  EXPECT_EQ(okno.findChild<QTableWidget*>(QStringLiteral("ExRxDBGrid1"))->rowCount(), 2);
  EXPECT_TRUE(m->setData(m->index(siatka->currentIndex().row(), 0), QStringLiteral("Nowa"), Qt::EditRole));
  EXPECT_FALSE(dm->tblLista.locate("TABELA", {std::string("Nowa")}, false));
  okno.findChild<QToolButton*>(QStringLiteral("nbPost"))->click();
  EXPECT_EQ(dm->tblLista.recordCount(), 3);
  EXPECT_EQ(okno.findChild<QTableWidget*>(QStringLiteral("ExRxDBGrid1"))->rowCount(), 3);
  EXPECT_TRUE(dm->tblLista.locate("TABELA", {std::string("Nowa")}, false));
  auto* rodzaje = okno.findChild<QTableWidget*>(QStringLiteral("ExRxDBGrid1"));
  EXPECT_EQ(rodzaje->findItems(QStringLiteral("Nowa"), Qt::MatchExactly).size(), 1);
}

// The TABELA values of tblPomijane, in the table's order.
std::vector<std::string> pomijane(TdmKonw& dm) {
  std::vector<std::string> out;
  for (dm.tblPomijane.first(); !dm.tblPomijane.eof(); dm.tblPomijane.next())
    out.push_back(dm.tblPomijane.fieldByName("TABELA").asString());
  return out;
}

TEST_F(Podtabela, InsertedRowIsStoredOnlyWhenPostedWithItsName) {
  const std::vector<std::string> przed = pomijane(*dm);
  ASSERT_TRUE(dm->tblLista.locate("TABELA", {std::string("Konta")}, true));
  const struct {
    const char* nazwa;
    std::vector<std::pair<int, std::string>> wpisy;  // column, text
    bool zatwierdz;
    std::vector<std::string> dopisane;  // the rows stored
  } przypadki[] = {
      {"posted with its name", {{0, "Nowa"}}, true, {"Nowa"}},
      {"never posted", {{0, "Nowa"}}, false, {}},
      {"name only spaces", {{0, "   "}}, true, {}},
      {"name cleared", {{0, "Nowa"}, {0, ""}}, true, {}},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    SiatkaTabeli s(dm->tblPomijane, {}, 1);
    const int w = s.dodaj();
    EXPECT_EQ(w, s.wiersze() - 1);
    EXPECT_EQ(s.dodaj(), w) << "one row is inserted at a time";
    for (const auto& [k, tekst] : p.wpisy) s.ustaw(w, k, tekst);
    s.wczytaj();  // a refresh keeps the row being inserted
    EXPECT_EQ(s.nowy(), w);
    EXPECT_EQ(pomijane(*dm), przed) << "nothing stored before the post";
    if (p.zatwierdz) {
      if (p.dopisane.empty()) {
        EXPECT_THROW(s.zatwierdz(), BrakKlucza);
        EXPECT_EQ(s.nowy(), w) << "a refused row stays for the operator to fill";
      } else {
        const int zapisany = s.zatwierdz();
        EXPECT_EQ(s.nowy(), -1);
        ASSERT_GE(zapisany, 0);
        EXPECT_EQ(s.tekst(zapisany, 0), p.dopisane[0]);
      }
    }
    s.anuluj();
    EXPECT_EQ(s.nowy(), -1);
    std::vector<std::string> oczekiwane = przed;
    oczekiwane.insert(oczekiwane.end(), p.dopisane.begin(), p.dopisane.end());
    std::vector<std::string> teraz = pomijane(*dm);
    std::sort(oczekiwane.begin(), oczekiwane.end());
    std::sort(teraz.begin(), teraz.end());
    EXPECT_EQ(teraz, oczekiwane);
    EXPECT_EQ(s.wiersze(), static_cast<int>(teraz.size()));
    for (const std::string& t : p.dopisane) {
      ASSERT_TRUE(dm->tblPomijane.locate("TABELA", {t}, true));
      dm->tblPomijane.deleteRecord();
    }
  }
  EXPECT_EQ(dm->tblLista.fieldByName("TABELA").asString(), "Konta");
}

// Closes every message box that opens, keeping its text.
class Komunikaty {
 public:
  Komunikaty() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        teksty.push_back(box->text());
        box->accept();
      }
    });
    timer_.start();
  }
  std::vector<QString> teksty;

 private:
  QTimer timer_;
};

TEST_F(Podtabela, ViewerCancelEscapeAndARowWithoutItsNameStoreNothing) {
  const std::vector<std::string> przed = pomijane(*dm);
  const QString brakNazwy = QStringLiteral(
      "Nie zapisano wiersza: kolumna TABELA nie może być pusta. Proszę ją wypełnić albo anulować wstawianie "
      "wiersza.");
  const struct {
    const char* nazwa;
    QString tekst;  // typed into the new row
    std::function<void(TfrmPodTbl*)> potem;
    std::vector<QString> komunikaty;
    std::vector<std::string> dopisane;
  } przypadki[] = {
      {"Cancel",
       "Nowa",
       [](TfrmPodTbl* o) { o->findChild<QToolButton*>(QStringLiteral("nbCancel"))->click(); },
       {},
       {}},
      {"Escape",
       "Nowa",
       [](TfrmPodTbl* o) { QTest::keyClick(o->findChild<SiatkaWidok*>(), Qt::Key_Escape); },
       {},
       {}},
      {"Post without a name",
       "",
       [](TfrmPodTbl* o) {
         o->findChild<QToolButton*>(QStringLiteral("nbPost"))->click();
         EXPECT_EQ(o->model()->siatka().nowy(), o->model()->rowCount() - 1);
         o->findChild<QToolButton*>(QStringLiteral("nbCancel"))->click();
       },
       {brakNazwy},
       {}},
      {"Close without a name",
       "",
       [](TfrmPodTbl* o) {
         o->findChild<QPushButton*>(QStringLiteral("btnClose"))->click();
         EXPECT_TRUE(o->isVisible()) << "the window stays for the row to be filled or cancelled";
         QTest::keyClick(o->findChild<SiatkaWidok*>(), Qt::Key_Escape);
       },
       {brakNazwy},
       {}},
      {"Leaving the row",
       "Nowa",
       [](TfrmPodTbl* o) {
         o->findChild<QToolButton*>(QStringLiteral("nbFirst"))->click();
         QApplication::processEvents();
         EXPECT_EQ(o->model()->siatka().nowy(), -1);
       },
       {},
       {"Nowa"}},
      {"Post",
       "Nowa",
       [](TfrmPodTbl* o) { o->findChild<QToolButton*>(QStringLiteral("nbPost"))->click(); },
       {},
       {"Nowa"}},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    Komunikaty komunikaty;
    int wierszeNaKoniec = -1;
    wOknie([&](TfrmPodTbl* okno) {
      okno->findChild<QToolButton*>(QStringLiteral("nbInsert"))->click();
      ModelTabeli* m = okno->model();
      ASSERT_EQ(m->siatka().nowy(), m->rowCount() - 1);
      if (!p.tekst.isEmpty()) {
        EXPECT_TRUE(m->setData(m->index(m->siatka().nowy(), 0), p.tekst, Qt::EditRole));
      }
      EXPECT_EQ(pomijane(*dm), przed);
      p.potem(okno);
      wierszeNaKoniec = m->rowCount();
    });
    pokaz("btnPomijane");
    EXPECT_EQ(komunikaty.teksty, p.komunikaty);
    std::vector<std::string> oczekiwane = przed;
    oczekiwane.insert(oczekiwane.end(), p.dopisane.begin(), p.dopisane.end());
    std::vector<std::string> teraz = pomijane(*dm);
    std::sort(oczekiwane.begin(), oczekiwane.end());
    std::sort(teraz.begin(), teraz.end());
    EXPECT_EQ(teraz, oczekiwane);
    EXPECT_EQ(wierszeNaKoniec, static_cast<int>(teraz.size()));
    for (const std::string& t : p.dopisane) {
      ASSERT_TRUE(dm->tblPomijane.locate("TABELA", {t}, true));
      dm->tblPomijane.deleteRecord();
    }
  }
}

}  // namespace
}  // namespace konw
