// The verification's rules on values and its matching of rows, on rows held in memory.
#include "convert/weryfikacja.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "db/engine.h"

namespace {

using db::FieldDef;
using db::FieldType;
using db::Value;

FieldDef kolumna(FieldType typ, int size = 0, int scale = 0, int width = 0, bool fixed = false) {
  FieldDef d;
  d.type = typ;
  d.size = size;
  d.scale = scale;
  d.width = width;
  d.fixedLength = fixed;
  return d;
}

// Rows of one side, served from memory; `rekordy` numbers the sent rows from 1.
struct Strona {
  std::vector<std::vector<Value>> wiersze;
  std::vector<bool> pomijalne = {};
  std::vector<std::vector<Value>> wgKluczaWiersze = {};  // served in key order instead, when given
  std::size_t pozycja = 0;
  bool wgKlucza = false;  // how it was last asked for

  konw::StronaWeryfikacji strona() {
    return {[this](bool kluczem) {
              pozycja = 0;
              wgKlucza = kluczem;
            },
            [this](std::vector<Value>& w, std::int64_t& rekord, bool& pom) {
              const auto& zrodlo = wgKlucza && !wgKluczaWiersze.empty() ? wgKluczaWiersze : wiersze;
              if (pozycja >= zrodlo.size()) return false;
              w = zrodlo[pozycja];
              rekord = static_cast<std::int64_t>(pozycja) + 1;
              pom = pozycja < pomijalne.size() && pomijalne[pozycja];
              ++pozycja;
              return true;
            }};
  }
};

const FieldDef kNumeric152 = kolumna(FieldType::BCD, 2, 2);
const FieldDef kNumeric151 = kolumna(FieldType::BCD, 1, 1);
const FieldDef kFloat = kolumna(FieldType::Float, 0, 0, 4);
const FieldDef kDouble = kolumna(FieldType::Float, 0, 0, 8);
const FieldDef kInteger = kolumna(FieldType::Integer);
const FieldDef kDate = kolumna(FieldType::Date);
const FieldDef kTime = kolumna(FieldType::Time);
const FieldDef kTimestamp = kolumna(FieldType::DateTime);
const FieldDef kChar = kolumna(FieldType::String, 10, 0, 0, true);
const FieldDef kVarchar = kolumna(FieldType::String, 10);
const FieldDef kNumeric184 = kolumna(FieldType::BCD, 4, 4);
const FieldDef kBoolean = kolumna(FieldType::Boolean);
// Columns of no character set: OCTETS or NONE text (size in bytes), a binary blob.
FieldDef bajtowa(FieldDef k) {
  k.binary = true;
  return k;
}
const FieldDef kOctets = bajtowa(kolumna(FieldType::String, 40));
const FieldDef kCharOctets = bajtowa(kolumna(FieldType::String, 5, 0, 0, true));
const FieldDef kBlob = bajtowa(kolumna(FieldType::Blob));
const std::string kPolski = "Zażółć gęślą jaźń";
const std::string kPolski1250 = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1";

db::Decimal dec(const char* text) {
  return db::Decimal::parse(text);
}

// Whether the column keeps the value sent unchanged: what it holds equals what it stores.
struct Przypadek {
  const char* nazwa;
  Value wyslana;
  FieldDef kolumna;
  Value zapisana;  // what the server stores for it
  bool zgodna;
};

TEST(Weryfikacja, ValuesAtTheEdgesOfEachColumnType) {
  const db::Date dzien = db::dateFromYmd(2024, 12, 31);
  const db::Time przedPolnoca{(23 * 3600 + 59 * 60 + 59) * 1000000LL + 999000};
  const std::vector<Przypadek> przypadki = {
      {"NUMERIC(15,2) keeps two decimals", 1234567.89, kNumeric152, dec("1234567.89"), true},
      {"NUMERIC(15,2) keeps its largest amount", 99999999.99, kNumeric152, dec("99999999.99"), true},
      {"NUMERIC(15,2) stored a cent less", 99999999.99, kNumeric152, dec("99999999.98"), false},
      {"NUMERIC(15,2) rounds a third decimal", 0.005, kNumeric152, dec("0.01"), false},
      {"NUMERIC(15,2) rounds a negative third decimal", -1234.565, kNumeric152, dec("-1234.57"), false},
      {"NUMERIC(15,1) drops the second decimal", dec("12.35"), kNumeric151, dec("12.4"), false},
      {"NUMERIC from BCD at the same scale", dec("-0.50"), kNumeric152, dec("-0.5"), true},
      {"INTEGER holds -2^31", std::int64_t{-2147483648LL}, kInteger, std::int64_t{-2147483648LL}, true},
      {"FLOAT loses the cents of a million", 1234567.89, kFloat, static_cast<double>(1234567.875f), false},
      {"FLOAT rounds 99999999.99 to 1e8", 99999999.99, kFloat, 100000000.0, false},
      {"FLOAT holds 0.1 as closely as it can", 0.1, kFloat, static_cast<double>(0.1f), true},
      {"binary noise in a 17th digit is no change: 0.1 + 0.2 stands for 0.3", 0.1 + 0.2, kNumeric152,
       dec("0.30"), true},
      {"... in a FLOAT neither", 0.1 + 0.2, kFloat, static_cast<double>(0.3f), true},
      {"a 16th digit is a value's own", 0.1 + 0.2 + 1e-16, kNumeric152, dec("0.30"), false},
      {"FLOAT holds -2^31 exactly", std::int64_t{-2147483648LL}, kFloat, -2147483648.0, true},
      {"FLOAT from a BCD amount with cents", dec("1234567.89"), kFloat, static_cast<double>(1234567.875f),
       false},
      {"DOUBLE holds a Number", 1234567.89, kDouble, 1234567.89, true},
      {"DOUBLE holds an integer", std::int64_t{-2147483648LL}, kDouble, -2147483648.0, true},
      {"DATE holds a date", dzien, kDate, dzien, true},
      {"DATE drops a time of day", db::DateTime{dzien, przedPolnoca}, kDate, dzien, false},
      {"DATE from a midnight timestamp", db::DateTime{dzien, {}}, kDate, dzien, true},
      {"TIME holds 23:59:59.999", przedPolnoca, kTime, przedPolnoca, true},
      {"TIME keeps no microseconds", db::Time{przedPolnoca.us + 1}, kTime, przedPolnoca, false},
      {"TIMESTAMP holds the last millisecond", db::DateTime{dzien, przedPolnoca}, kTimestamp,
       db::DateTime{dzien, przedPolnoca}, true},
      {"CHAR pads trailing blanks", std::string("ab  "), kChar, std::string("ab"), true},
      {"VARCHAR keeps trailing blanks", std::string("ab  "), kVarchar, std::string("ab  "), true},
      {"VARCHAR that lost trailing blanks", std::string("ab  "), kVarchar, std::string("ab"), false},
      {"VARCHAR drops blanks beyond its length", std::string("abcdefghij   "), kVarchar,
       std::string("abcdefghij"), true},
      {"Polish letters count as characters", std::string("Zażółć gęś"), kVarchar, std::string("Zażółć gęś"),
       true},
      {"Polish letters changed on the way", std::string("Zażółć gęś"), kVarchar, std::string("Zazolc ges"),
       false},
      {"blank text into a number is no value", std::string("  "), kInteger, db::Null{}, true},
      {"a value that became null", 12.5, kDouble, db::Null{}, false},
      {"null stays null", db::Null{}, kNumeric152, db::Null{}, true},
      {"logical sent as text into CHAR(1)", std::string("T"), kolumna(FieldType::String, 1, 0, 0, true),
       std::string("T"), true},
      // NUMERIC: the decimal a double stands for (16 significant digits), stored exactly, whatever its
      // digits.
      {"16 digits with more decimals than NUMERIC(18,4) has", 98765432109.87654, kNumeric184,
       dec("98765432109.8765"), false},
      {"16 digits NUMERIC(18,4) holds exactly", 123456789012.3456, kNumeric184, dec("123456789012.3456"),
       true},
      {"... but not when stored rounded to 15 digits", 123456789012.3456, kNumeric184,
       dec("123456789012.3460"), false},
      {"a whole amount of 15 digits", 999999999999999.0, kNumeric152, dec("999999999999999"), true},
      {"the largest double below 0.125 differs from it in binary noise only", std::nextafter(0.125, 0.0),
       kNumeric184, dec("0.125"), true},
      // Non-finite values are held as they are.
      {"DOUBLE keeps infinity", HUGE_VAL, kDouble, HUGE_VAL, true},
      {"... and its sign", -HUGE_VAL, kDouble, HUGE_VAL, false},
      {"FLOAT keeps infinity", -HUGE_VAL, kFloat, -HUGE_VAL, true},
      {"NaN stored as NaN, whatever its sign", std::nan(""), kDouble, -std::nan(""), true},
      {"NaN stored as a number", std::nan(""), kDouble, 0.0, false},
      {"infinity into NUMERIC is no value it holds", HUGE_VAL, kNumeric152, dec("0"), false},
      // BOOLEAN takes only values with a truth value.
      {"BOOLEAN from T", std::string("T"), kBoolean, true, true},
      {"BOOLEAN from N, which the logical rule hands over", std::string("N"), kBoolean, false, true},
      {"BOOLEAN from false in any case, with blanks", std::string(" False "), kBoolean, false, true},
      {"BOOLEAN from Y", std::string("y"), kBoolean, true, true},
      {"BOOLEAN from 0", std::int64_t{0}, kBoolean, false, true},
      {"BOOLEAN from 1 as a number", 1.0, kBoolean, true, true},
      {"BOOLEAN from a bool", true, kBoolean, true, true},
      {"BOOLEAN from Tak has none", std::string("Tak"), kBoolean, false, false},
      {"BOOLEAN from abc has none", std::string("abc"), kBoolean, false, false},
      {"BOOLEAN from 2 has none", std::int64_t{2}, kBoolean, true, false},
      {"BOOLEAN stored the other way", std::string("F"), kBoolean, true, false},
      // Columns of no character set compare bytes.
      {"OCTETS holds the code-page bytes sent", db::Bytes{kPolski1250}, kOctets, kPolski1250, true},
      {"OCTETS holding UTF-8 instead", db::Bytes{kPolski1250}, kOctets, kPolski, false},
      {"OCTETS holding the bytes as text", kPolski, kOctets, kPolski, true},
      {"OCTETS keeps trailing blanks", db::Bytes{"ab  "}, kOctets, std::string("ab"), false},
      {"CHAR OCTETS pads with NULs", db::Bytes{"ab"}, kCharOctets, std::string("ab\0\0\0", 5), true},
      {"CHAR OCTETS that lost a byte", db::Bytes{"ab\x81"}, kCharOctets, std::string("ab\0\0\0", 5), false},
      {"a binary blob keeps the bytes", db::Bytes{"\x81\x98z"}, kBlob, db::Bytes{"\x81\x98z"}, true},
      {"a binary blob with other bytes", db::Bytes{"\x81\x98z"}, kBlob, db::Bytes{"\xC2\x81\xC2\x98z"},
       false},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    const auto trzyma = konw::WartoscWKolumnie(p.wyslana, p.kolumna);
    const Value zapisana = konw::WartoscZapisana(p.zapisana, p.kolumna);
    const auto nan = [](const Value& v) {
      return std::holds_alternative<double>(v) && std::isnan(std::get<double>(v));
    };
    EXPECT_EQ(trzyma.has_value() && (*trzyma == zapisana || (nan(*trzyma) && nan(zapisana))), p.zgodna);
    // A row of that one value, paired in order (where the common cases take a shorter way), agrees.
    Strona wyslane{{{p.wyslana}}}, zapisane{{{p.zapisana}}};
    auto w1 = wyslane.strona();
    auto z1 = zapisane.strona();
    const auto w = konw::PorownajWiersze({"X"}, {p.kolumna}, {}, w1, z1, "T");
    EXPECT_EQ(w.roznic, p.zgodna ? 0 : 1);
    if (p.zgodna) {
      EXPECT_EQ(w.sposob, konw::WynikWeryfikacji::Sposob::Kolejno);
    }
    // The copy's sum of that row (its common cases also taken a shorter way) agrees as well.
    konw::SumaWierszy suma({p.kolumna});
    db::Query insert;
    insert.addSql("INSERT INTO T VALUES (:X)");
    insert.param(0).setValue(p.wyslana);
    suma.dodaj(insert, 0, false);
    EXPECT_EQ(suma.pewna() && suma.suma() == suma.skrotZapisanego({p.zapisana}), p.zgodna);
  }
}

const std::vector<std::string> kNazwy = {"ID", "KWOTA", "NAZWA"};
const std::vector<FieldDef> kKolumny = {kInteger, kNumeric152, kVarchar};

std::vector<Value> wiersz(std::int64_t id, double kwota, const char* nazwa) {
  return {id, kwota, std::string(nazwa)};
}
std::vector<Value> zapisany(std::int64_t id, const char* kwota, const char* nazwa) {
  return {id, dec(kwota), std::string(nazwa)};
}

struct Dopasowanie {
  const char* nazwa;
  std::vector<int> klucz;
  Strona wyslane, zapisane;
  std::int64_t roznic;
  konw::WynikWeryfikacji::Sposob sposob;
  std::vector<std::string> linie;
};

// What a run meets for each value sent: the column takes it, keeps it changed (the read-back's critical
// difference), or the row is refused (the copy's error).
TEST(Weryfikacja, WhatTheColumnDoesWithEachValueSent) {
  using S = konw::Przyjecie::Skutek;
  FieldDef wymagana = kInteger;
  wymagana.required = true;
  const FieldDef kVarchar4 = kolumna(FieldType::String, 4);
  const FieldDef kNumeric42 = [] {
    FieldDef k = kolumna(FieldType::BCD, 2, 2);
    k.width = 2;
    return k;
  }();
  FieldDef octets = kolumna(FieldType::String, 2);
  octets.binary = true;
  const konw::OdmowaTekstu bezZnaku = [](const std::string& t,
                                         const FieldDef&) -> std::optional<konw::DrogaTekstu> {
    if (t.find("\u0081") != std::string::npos) return konw::DrogaTekstu{false, "U+0000"};
    if (t.find("\u20AC") != std::string::npos) return konw::DrogaTekstu{true, "brak znaku"};
    return std::nullopt;
  };
  const struct {
    const char* co;
    Value v;
    FieldDef k;
    S skutek;
  } przypadki[] = {
      {"null, nullable", db::Null{}, kInteger, S::Przyjeta},
      {"null into NOT NULL", db::Null{}, wymagana, S::Odrzucona},
      {"blanks into a NOT NULL number", std::string("  "), wymagana, S::Odrzucona},
      {"four letters of two bytes each", std::string("ąęść"), kVarchar4, S::Przyjeta},
      {"five characters", std::string("abcde"), kVarchar4, S::Odrzucona},
      {"blanks beyond the length", std::string("abcd   "), kVarchar4, S::Przyjeta},
      {"a byte the connection's set leaves undefined", std::string("a\u0081"), kVarchar4, S::Zmieniona},
      {"a character the column's set lacks", std::string("a\u20AC"), kVarchar4, S::Odrzucona},
      {"more decimals than the scale", db::Decimal{1235, 3}, kNumeric152, S::Zmieniona},
      {"as many decimals", db::Decimal{123, 2}, kNumeric152, S::Przyjeta},
      {"the largest NUMERIC a SMALLINT stores", db::Decimal{32767, 2}, kNumeric42, S::Przyjeta},
      {"one unit past it", db::Decimal{32768, 2}, kNumeric42, S::Odrzucona},
      {"past INTEGER", std::int64_t{2147483648}, kInteger, S::Odrzucona},
      {"a fraction into INTEGER", 2.5, kInteger, S::Zmieniona},
      {"text that is no number", std::string("abc"), kInteger, S::Odrzucona},
      {"Tak", std::string("Tak"), kolumna(FieldType::Boolean), S::Odrzucona},
      {"T", std::string("T"), kolumna(FieldType::Boolean), S::Przyjeta},
      {"a day of year 10000", db::Date{db::dateFromYmd(9999, 12, 31).day + 1}, kolumna(FieldType::Date),
       S::Odrzucona},
      {"a time of day into DATE", db::DateTime{db::dateFromYmd(2024, 1, 2), db::Time{3600000000}},
       kolumna(FieldType::Date), S::Zmieniona},
      {"three bytes into OCTETS(2)", db::Bytes{"abc"}, octets, S::Odrzucona},
  };
  for (const auto& p : przypadki)
    EXPECT_EQ(konw::PrzyjecieWKolumnie(p.v, p.k, bezZnaku).skutek, p.skutek) << p.co;
}

TEST(Weryfikacja, RowsMatchedInOrderByKeyOrByDigest) {
  using Sposob = konw::WynikWeryfikacji::Sposob;
  const auto czyste = [] {
    return Strona{{wiersz(1, 10.5, "a"), wiersz(2, 20, "b"), wiersz(3, 0, "c")}, {}};
  };
  const auto czysteZapisane = [] {
    return Strona{{zapisany(1, "10.50", "a"), zapisany(2, "20.00", "b"), zapisany(3, "0.00", "c")}, {}};
  };
  std::vector<Dopasowanie> przypadki = {
      {"keyed and clean: paired in the order stored",
       {0},
       czyste(),
       czysteZapisane(),
       0,
       Sposob::Kolejno,
       {}},
      {"unkeyed and clean, stored in another order",
       {},
       czyste(),
       {{zapisany(3, "0", "c"), zapisany(1, "10.5", "a"), zapisany(2, "20", "b")}, {}},
       0,
       Sposob::Odciski,
       {}},
      {"keyed: a rounded amount, a missing and a surplus row",
       {0},
       {{wiersz(1, 0.005, "a"), wiersz(2, 20, "b"), wiersz(4, 1, "d")}, {}},
       {{zapisany(1, "0.01", "a"), zapisany(3, "5.00", "x"), zapisany(4, "1.00", "d")}, {}},
       3,
       Sposob::WgKlucza,
       {"*** Tabela T, rekord 1, klucz ID=1, pole KWOTA: wysłano 0.005, zapisano 0.01 ***",
        "*** Tabela T, rekord 2, klucz ID=2: wiersza brak w tabeli firebird ***",
        "*** Tabela T, klucz ID=3: wiersz w tabeli firebird bez odpowiednika w paradox ***"}},
      {"keys that do not ascend fall back to digests and pair by key",
       {0},
       {{wiersz(2, 20, "b"), wiersz(1, 10.5, "a")}, {}},
       {{zapisany(1, "10.50", "a"), zapisany(2, "20.00", "B")}, {}},
       1,
       Sposob::Odciski,
       {"*** Tabela T, rekord 1, klucz ID=2, pole NAZWA: wysłano \"b\", zapisano \"B\" ***"}},
      {"unkeyed: a changed row is paired with the surplus one",
       {},
       {{wiersz(1, 10.5, "a"), wiersz(1, 10.5, "a"), wiersz(7, 1.234, "z")}, {}},
       {{zapisany(1, "10.5", "a"), zapisany(7, "1.23", "z"), zapisany(1, "10.5", "a")}, {}},
       1,
       Sposob::Odciski,
       {"*** Tabela T, rekord 3, pole KWOTA: wysłano 1.234, zapisano 1.23 ***"}},
      {"unkeyed duplicates count: one copy missing",
       {},
       {{wiersz(1, 1, "a"), wiersz(1, 1, "a")}, {}},
       {{zapisany(1, "1", "a")}, {}},
       1,
       Sposob::Odciski,
       {"*** Tabela T, rekord 2: wiersza brak w tabeli firebird ***"}},
      {"keyed, stored in another order: merged in key order, a row the copy may leave out not missed",
       {0},
       {{wiersz(1, 1, "a"), wiersz(2, 2, ""), wiersz(3, 3, "c")}, {false, true, false}},
       {{zapisany(3, "3", "c"), zapisany(1, "1", "a")}, {}, {zapisany(1, "1", "a"), zapisany(3, "3", "c")}},
       0,
       Sposob::WgKlucza,
       {}},
      {"a row the copy may leave out is not missed when paired in order",
       {0},
       {{wiersz(1, 1, "a"), wiersz(2, 2, ""), wiersz(3, 3, "c")}, {false, true, false}},
       {{zapisany(1, "1", "a"), zapisany(3, "3", "c")}, {}},
       0,
       Sposob::Kolejno,
       {}},
  };
  for (Dopasowanie& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    auto wyslane = p.wyslane.strona();
    auto zapisane = p.zapisane.strona();
    const konw::WynikWeryfikacji w = konw::PorownajWiersze(kNazwy, kKolumny, p.klucz, wyslane, zapisane, "T");
    EXPECT_EQ(w.roznic, p.roznic);
    EXPECT_EQ(w.sposob, p.sposob);
    EXPECT_EQ(p.zapisane.wgKlucza, p.sposob == Sposob::WgKlucza);
    EXPECT_EQ(w.wyslanych, static_cast<std::int64_t>(p.wyslane.wiersze.size()));
    EXPECT_EQ(w.zapisanych, static_cast<std::int64_t>(p.zapisane.wiersze.size()));
    EXPECT_EQ(w.linie, p.linie);
  }
}

TEST(Weryfikacja, SumOfSentRowsLeavesOutTheRowsTheCopyLeftOut) {
  konw::SumaWierszy suma(kKolumny), bezPominietego(kKolumny);
  db::Query insert;
  insert.addSql("INSERT INTO T VALUES (:ID, :KWOTA, :NAZWA)");
  const auto wyslij = [&](konw::SumaWierszy& s, std::uint64_t numer, const std::vector<Value>& w, bool pom) {
    for (int k = 0; k < 3; ++k) insert.param(k).setValue(w[static_cast<std::size_t>(k)]);
    s.dodaj(insert, numer, pom);
  };
  wyslij(suma, 0, wiersz(1, 10.5, "a"), false);
  wyslij(suma, 1, wiersz(2, 20, ""), true);
  wyslij(suma, 2, wiersz(3, 0.25, "c"), true);
  suma.wycofaj(1);
  suma.wycofaj(0);  // not one that could be left out: stays
  wyslij(bezPominietego, 0, wiersz(1, 10.5, "a"), false);
  wyslij(bezPominietego, 2, wiersz(3, 0.25, "c"), false);
  EXPECT_EQ(suma.wierszy(), 2);
  EXPECT_EQ(suma.suma(), bezPominietego.suma());
  EXPECT_EQ(suma.sumaDruga(), bezPominietego.sumaDruga());
  EXPECT_EQ(suma.suma(),
            suma.skrotZapisanego(zapisany(1, "10.50", "a")) + suma.skrotZapisanego(zapisany(3, "0.25", "c")));
  // A value its column cannot hold makes the sum no proof of anything.
  wyslij(suma, 3, wiersz(4, 0.005, "d"), false);
  EXPECT_FALSE(suma.pewna());
}

TEST(Weryfikacja, ReportsTwentyDifferencesThenCountsTheRest) {
  for (const std::vector<int>& klucz : {std::vector<int>{0}, std::vector<int>{}}) {
    SCOPED_TRACE(klucz.empty() ? "digests" : "key order");
    Strona wyslane, zapisane;
    for (int i = 1; i <= 30; ++i) {
      wyslane.wiersze.push_back(wiersz(i, i + 0.001, "x"));
      zapisane.wiersze.push_back(zapisany(i, (std::to_string(i) + ".00").c_str(), "x"));
    }
    auto w1 = wyslane.strona();
    auto z1 = zapisane.strona();
    const auto w = konw::PorownajWiersze(kNazwy, kKolumny, klucz, w1, z1, "T");
    EXPECT_EQ(w.roznic, 30);
    ASSERT_EQ(w.linie.size(), konw::kLimitRoznic + 1);
    EXPECT_EQ(w.linie.back(), "*** Tabela T: oraz 10 dalszych różnic ***");
  }
  // The count's noun agrees with it.
  for (const auto& [roznic, ogon] :
       {std::pair{21, "1 dalsza różnica"}, std::pair{23, "3 dalsze różnice"},
        std::pair{32, "12 dalszych różnic"}, std::pair{42, "22 dalsze różnice"}}) {
    Strona wyslane, zapisane;
    for (int i = 1; i <= roznic; ++i) {
      wyslane.wiersze.push_back(wiersz(i, 0.001, "x"));
      zapisane.wiersze.push_back(zapisany(i, "0", "x"));
    }
    auto w1 = wyslane.strona();
    auto z1 = zapisane.strona();
    const auto w = konw::PorownajWiersze(kNazwy, kKolumny, {0}, w1, z1, "T");
    EXPECT_EQ(w.linie.back(), std::string("*** Tabela T: oraz ") + ogon + " ***");
  }
}

TEST(Weryfikacja, ABreakRequestStopsIt) {
  Strona wyslane, zapisane;
  for (int i = 0; i < 1000; ++i) {
    wyslane.wiersze.push_back(wiersz(i, 1, "a"));
    zapisane.wiersze.push_back(zapisany(i, "1", "a"));
  }
  auto w1 = wyslane.strona();
  auto z1 = zapisane.strona();
  const auto w = konw::PorownajWiersze(kNazwy, kKolumny, {0}, w1, z1, "T", [] { return true; });
  EXPECT_TRUE(w.przerwana);
  EXPECT_LT(w.wyslanych, 1000);
}

}  // namespace

namespace {

// The faults a read-back exists to catch, made to the stored copy of four clean rows. Every way of
// matching rows must report each of them: a digest blind to column order, a merge that compares keys
// only or a pairing that stops early lets one through.
struct Usterka {
  const char* nazwa;
  std::vector<std::vector<Value>> zapisane;
};

const std::vector<std::string> kNazwy4 = {"ID", "KWOTA", "NAZWA", "OPIS"};
const std::vector<FieldDef> kKolumny4 = {kInteger, kNumeric152, kVarchar, kVarchar};

std::vector<Value> wiersz4(std::int64_t id, double kwota, const char* nazwa, const char* opis) {
  return {id, kwota, std::string(nazwa), std::string(opis)};
}
std::vector<Value> zapisany4(std::int64_t id, const char* kwota, const char* nazwa, const char* opis) {
  return {id, dec(kwota), std::string(nazwa), std::string(opis)};
}

TEST(Weryfikacja, EveryWayOfMatchingReportsEveryKindOfChange) {
  const std::vector<std::vector<Value>> wyslane = {wiersz4(1, 10.5, "a", "x"), wiersz4(2, 20, "b", "y"),
                                                   wiersz4(3, 0, "c", "z"), wiersz4(4, 7.25, "d", "w")};
  const auto a = zapisany4(1, "10.50", "a", "x"), b = zapisany4(2, "20.00", "b", "y"),
             c = zapisany4(3, "0.00", "c", "z"), d = zapisany4(4, "7.25", "d", "w");
  const std::vector<Usterka> usterki = {
      {"two columns of one row swapped", {a, zapisany4(2, "20.00", "y", "b"), c, d}},
      {"two keyed rows swapped their values",
       {zapisany4(1, "20.00", "b", "y"), zapisany4(2, "10.50", "a", "x"), c, d}},
      {"a row duplicated", {a, b, b, c, d}},
      {"a row missing", {a, b, d}},
      {"one value of the last row changed", {a, b, c, zapisany4(4, "7.25", "d", "W")}},
  };
  struct Sposob {
    const char* nazwa;
    std::vector<int> klucz;
    bool odwrotnie;  // stored rows served in reverse order, in key order when asked
  };
  const std::vector<Sposob> sposoby = {{"in stored order, keyed", {0}, false},
                                       {"merged by key", {0}, true},
                                       {"by digests, unkeyed", {}, false},
                                       {"by digests, unkeyed, another order", {}, true}};
  for (const Usterka& u : usterki) {
    for (const Sposob& s : sposoby) {
      SCOPED_TRACE(std::string(u.nazwa) + ", " + s.nazwa);
      Strona p{wyslane}, z{u.zapisane};
      if (s.odwrotnie) {
        z.wgKluczaWiersze = u.zapisane;
        std::ranges::sort(z.wgKluczaWiersze, {}, [](const auto& w) { return std::get<std::int64_t>(w[0]); });
        std::ranges::reverse(z.wiersze);
      }
      auto ps = p.strona();
      auto zs = z.strona();
      const auto w = konw::PorownajWiersze(kNazwy4, kKolumny4, s.klucz, ps, zs, "T");
      EXPECT_GT(w.roznic, 0);
      EXPECT_FALSE(w.linie.empty());
    }
    // The sum the copy keeps and the one the stored rows add up to tell them apart too (the clean
    // stored rows add up the same, so the sum itself is not blind).
    SCOPED_TRACE(std::string(u.nazwa) + ", by the sum of the rows");
    konw::SumaWierszy suma(kKolumny4);
    db::Query insert;
    insert.addSql("INSERT INTO T VALUES (:ID, :KWOTA, :NAZWA, :OPIS)");
    for (std::size_t r = 0; r < wyslane.size(); ++r) {
      for (int k = 0; k < 4; ++k) insert.param(k).setValue(wyslane[r][static_cast<std::size_t>(k)]);
      suma.dodaj(insert, r, false);
    }
    const auto zsumuj = [&](const std::vector<std::vector<Value>>& wiersze) {
      std::uint64_t s1 = 0, s2 = 0;
      for (const auto& w : wiersze) {
        const std::uint64_t h = suma.skrotZapisanego(w);
        s1 += h;
        s2 += konw::SumaWierszy::drugi(h);
      }
      return std::tuple{static_cast<std::int64_t>(wiersze.size()), s1, s2};
    };
    const auto oczekiwana = std::tuple{suma.wierszy(), suma.suma(), suma.sumaDruga()};
    EXPECT_EQ(zsumuj({a, b, c, d}), oczekiwana);
    EXPECT_NE(zsumuj(u.zapisane), oczekiwana);
  }
}

}  // namespace
