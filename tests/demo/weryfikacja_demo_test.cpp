// The demo with target columns that cannot hold the Paradox amounts: a single-precision FLOAT and a
// NUMERIC with one decimal. The copy goes through, and the verification names every value it changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "control/konwersja_dm.h"
#include "demo/demo_fixture.h"

namespace {

void wykonaj(db::Database& baza, const std::string& sql) {
  db::Query q;
  q.setDatabase(&baza);
  q.addSql(sql);
  q.execSql();
}

// "… pole KWOTA: wysłano X, zapisano Y ***" → {X, Y}.
std::pair<double, double> wartosci(const std::string& linia) {
  const std::string wyslano = "wysłano ";
  const auto w = linia.find(wyslano) + wyslano.size();
  const auto z = linia.find(", zapisano ");
  double x = 0, y = 0;
  std::from_chars(linia.data() + w, linia.data() + z, x);
  std::from_chars(linia.data() + z + 11, linia.data() + linia.size(), y);
  return {x, y};
}

TEST(WeryfikacjaDemo, FloatAndOneDecimalTargetsEndInACriticalMismatchNamingEachChangedValue) {
  demotest::DemoInstallation demo(300);
  demotest::FoundThroughWine env(demo);
  konw::ScriptedOperator ui;
  auto frm = demo.window(ui);
  ASSERT_TRUE(frm->FormCreate());
  auto& dm = *frm->dm();
  dm.DBi.connect();
  for (const char* sql : {"ALTER TABLE PLANDOCH DROP KWOTA", "ALTER TABLE PLANDOCH ADD KWOTA FLOAT",
                          "ALTER TABLE PLANWYD DROP KWOTA", "ALTER TABLE PLANWYD ADD KWOTA NUMERIC(15,1)"})
    wykonaj(dm.DBi, sql);
  dm.DBi.disconnect();

  ui.answer(konw::kYes);
  EXPECT_EQ(frm->Konwertuj().werdykt, konw::Werdykt::NiezgodnoscKrytyczna);

  // The Paradox amounts, to know which of them the columns cannot hold.
  auto kwoty = [&](const char* tabela) {
    db::Table t;
    t.setDatabase(&dm.DBp);
    t.setTableName(std::string(tabela) + ".DB");
    t.setReadOnly(true);
    t.open();
    std::vector<double> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.fieldByName("KWOTA").asFloat());
    return out;
  };
  auto zmienionych = [](const std::vector<double>& v, auto zmieniona) {
    return std::ranges::count_if(v, zmieniona);
  };
  const auto plandoch = kwoty("PLANDOCH"), planwyd = kwoty("PLANWYD");
  const auto wFloat = zmienionych(plandoch, [](double x) {
    char a[32], b[32];
    const auto f = static_cast<float>(x);
    return static_cast<double>(f) != x &&
           std::string(a, std::to_chars(a, a + 32, f).ptr) != std::string(b, std::to_chars(b, b + 32, x).ptr);
  });
  const auto wNumeric = zmienionych(planwyd, [](double x) { return std::llround(x * 100) % 10 != 0; });
  ASSERT_GT(wFloat, 0);
  ASSERT_GT(wNumeric, 0);

  const auto& krytyczne = ui.memo("mKomBlKr");
  struct Tabela {
    const char* nazwa;
    std::int64_t zmienionych, wierszy;
    bool jednaCyfra;
  };
  for (const Tabela& t : {Tabela{"PLANDOCH", wFloat, static_cast<std::int64_t>(plandoch.size()), false},
                          Tabela{"PLANWYD", wNumeric, static_cast<std::int64_t>(planwyd.size()), true}}) {
    SCOPED_TRACE(t.nazwa);
    const std::string poczatek = std::string("*** Tabela ") + t.nazwa + ", rekord ";
    int linii = 0;
    for (const std::string& l : krytyczne) {
      if (!l.starts_with(poczatek)) continue;
      ++linii;
      EXPECT_NE(l.find(", klucz ID="), std::string::npos) << l;
      ASSERT_NE(l.find(", pole KWOTA: wysłano "), std::string::npos) << l;
      const auto [x, y] = wartosci(l);
      EXPECT_NE(x, y) << l;
      if (t.jednaCyfra)
        EXPECT_LE(std::fabs(y - x), 0.05 + 1e-9) << l;
      else
        EXPECT_EQ(y, static_cast<double>(static_cast<float>(x))) << l;
    }
    EXPECT_EQ(linii, std::min<std::int64_t>(t.zmienionych, 20));
    // The count of every changed value, in the critical errors and on the general page.
    auto suma = [&](const std::string& l) {
      return l.starts_with(std::string("*** Tabela ") + t.nazwa + ": weryfikacja po kopiowaniu wykazała " +
                           std::to_string(t.zmienionych) + " różnic") &&
             l.ends_with(" (wierszy wysłanych: " + std::to_string(t.wierszy) +
                         ", w tabeli firebird: " + std::to_string(t.wierszy) + ") ***");
    };
    EXPECT_EQ(std::ranges::count_if(krytyczne, suma), 1);
    EXPECT_EQ(std::ranges::count_if(ui.memo("mKomunikaty"), suma), 1);
  }
}

}  // namespace
