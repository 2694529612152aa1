// Numbers read and written alike under the operator's locale, whose decimal mark is a comma: the window's
// toolkit sets it for the C library, konwersja-cli does not.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "convert/wartosci_kolumn.h"
#include "firebird/fb_fixture.h"
#include "platform/text.h"
#include "support/polish_locale.h"

namespace {

using db::Decimal;
using db::Value;

class LiczbyWLokaluPolskim : public fbtest::FirebirdTest {
 protected:
  void SetUp() override {
    FirebirdTest::SetUp();
    exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, D DOUBLE PRECISION, F FLOAT, TS TIMESTAMP)");
  }

  // What `column` holds after `v` went into it through a parameter, as text.
  std::string zapisana(const std::string& column, const Value& v) {
    db::Query q;
    q.setDatabase(&database());
    q.addSql("INSERT INTO T (ID, " + column + ") VALUES (:\"ID\", :\"V\")");
    q.param(0).setValue(std::int64_t{++id_});
    q.param(1).setValue(v);
    q.execSql();
    return db::valueToText(scalar("SELECT " + column + " FROM T WHERE ID = " + std::to_string(id_)));
  }

  test::PolishLocale lokal_;
  int id_ = 0;
};

TEST_F(LiczbyWLokaluPolskim, EveryConversionReadsAndWritesAPoint) {
  ASSERT_TRUE(lokal_.commaDecimal()) << "no pl_PL.UTF-8 locale: tools/install-deps makes it";
  db::FieldDef podwojna;
  podwojna.type = db::FieldType::Float;
  podwojna.width = 8;
  auto liczba = [](double d) { return fmt::format("{}", d); };
  struct Przypadek {
    const char* co;
    std::function<std::string()> wynik;
    std::string oczekiwany;
  };
  const std::vector<Przypadek> przypadki = {
      {"text read as a number, blanks and a plus before it",
       [&] { return liczba(*konw::parseDouble(" +1.5E3")); }, "1500"},
      {"a comma is no decimal mark of the program's",
       [&] { return konw::parseDouble("12,5") ? "liczba" : "brak"; }, "brak"},
      {"a decimal as a double", [&] { return liczba(Decimal::parse("1234.56").toDouble()); }, "1234.56"},
      {"a text value as a double", [&] { return liczba(db::valueToDouble(std::string("-0.25"))); }, "-0.25"},
      {"a double as text", [&] { return db::valueToText(12.5); }, "12.5"},
      {"a double as a decimal at a scale", [&] { return Decimal::fromDouble(2.5, 2).toString(); }, "2.50"},
      {"what a DOUBLE PRECISION column holds for a decimal sent",
       [&] {
         return db::valueToText(konw::WartoscWKolumnie(Decimal{125, 1}, podwojna).value());
       },
       "12.5"},
      {"a BCD value into DOUBLE PRECISION",
       [&] {
         return zapisana("D", Decimal{1234567, 2});
       },
       "12345.67"},
      {"numeric text into DOUBLE PRECISION", [&] { return zapisana("D", std::string("12.5")); }, "12.5"},
      {"a BCD value into FLOAT",
       [&] {
         return zapisana("F", Decimal{125, 1});
       },
       "12.5"},
      {"a decimal number of days into TIMESTAMP",
       [&] {
         return zapisana("TS", Decimal{455, 1});
       },
       "1900-02-13 12:00:00"},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.co);
    EXPECT_EQ(p.wynik(), p.oczekiwany);
  }
}

}  // namespace
