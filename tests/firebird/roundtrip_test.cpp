// Values written through parameters and read back through tables and queries.
#include <gtest/gtest.h>

#include <optional>

#include "fb_fixture.h"

namespace {

using db::Value;
using fbtest::FirebirdTest;

class RoundTrip : public FirebirdTest {
 protected:
  void SetUp() override {
    FirebirdTest::SetUp();
    exec(
        "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, L BIGINT, F DOUBLE "
        "PRECISION, "
        "N NUMERIC(15,2), N4 NUMERIC(9,4), D DATE, TM TIME, TS TIMESTAMP, C CHAR(3), V VARCHAR(40), "
        "M BLOB SUB_TYPE TEXT, B BLOB SUB_TYPE 0, BO BOOLEAN, O VARCHAR(10) CHARACTER SET OCTETS, "
        "NN CHAR(4) CHARACTER SET NONE, MN BLOB SUB_TYPE TEXT CHARACTER SET NONE)");
  }

  // Inserts one row with the value for `column` (ID given) and returns what the table reads back.
  Value roundTrip(const std::string& column, const Value& v, db::FieldType type = db::FieldType::Unknown) {
    db::Query q;
    q.setDatabase(&database());
    q.addSql("INSERT INTO T (ID, " + column + ") VALUES (:\"ID\", :\"V\")");
    q.param(0).setValue(std::int64_t{++id_});
    if (type != db::FieldType::Unknown) q.param(1).setDataType(type);
    q.param(1).setValue(v);
    q.execSql();
    return scalar("SELECT " + column + " FROM T WHERE ID = " + std::to_string(id_));
  }

  int id_ = 0;
};

TEST_F(RoundTrip, EveryTypeKeepsItsValue) {
  EXPECT_EQ(roundTrip("S", std::int64_t{-32768}), Value(std::int64_t{-32768}));
  EXPECT_EQ(roundTrip("I", std::int64_t{2147483647}), Value(std::int64_t{2147483647}));
  EXPECT_EQ(roundTrip("L", std::int64_t{-9000000000000000000}), Value(std::int64_t{-9000000000000000000}));
  EXPECT_EQ(roundTrip("F", 0.1), Value(0.1));
  EXPECT_EQ(roundTrip("D", db::Date{45000}), Value(db::Date{45000}));
  EXPECT_EQ(roundTrip("TM", db::Time{(13 * 3600 + 5 * 60 + 7) * 1000000LL + 123400}),
            Value(db::Time{(13 * 3600 + 5 * 60 + 7) * 1000000LL + 123400}));
  db::DateTime dt{db::Date{-5000}, db::Time{86399999900}};
  EXPECT_EQ(roundTrip("TS", dt), Value(dt));
  EXPECT_EQ(roundTrip("V", std::string("  spacje z obu stron  ")),
            Value(std::string("  spacje z obu stron  ")));
  EXPECT_EQ(roundTrip("C", std::string("T")), Value(std::string("T")));
  std::string binary("\0\x01\xff\x80zz", 6);
  EXPECT_EQ(roundTrip("B", db::Bytes{binary}), Value(db::Bytes{binary}));
  std::string longText(100000, 'x');
  EXPECT_EQ(roundTrip("M", longText), Value(longText));
}

TEST_F(RoundTrip, NullsBothWays) {
  for (const char* column : {"S", "I", "L", "F", "N", "D", "TM", "TS", "C", "V", "M", "B"}) {
    EXPECT_TRUE(db::isNull(roundTrip(column, db::Null{}, db::FieldType::String))) << column;
    EXPECT_TRUE(db::isNull(roundTrip(column, db::Null{}))) << column;
  }
}

TEST_F(RoundTrip, PolishLettersSurviveWin1250Columns) {
  const std::string polish = "Zażółć gęślą jaźń ŻÓŁĆ ĘŚĄŹŃ";
  EXPECT_EQ(roundTrip("V", polish), Value(polish));
  EXPECT_EQ(roundTrip("M", polish), Value(polish));
  EXPECT_EQ(roundTrip("C", std::string("żółć").substr(0, 6)), Value(std::string("żół")));
  // The server stored WIN1250: the text is 28 characters long, not its 40-odd UTF-8 bytes.
  EXPECT_EQ(scalar("SELECT CHAR_LENGTH(V) FROM T WHERE ID = 1"), Value(std::int64_t{28}));
  EXPECT_EQ(scalar("SELECT OCTET_LENGTH(CAST(V AS VARCHAR(40) CHARACTER SET WIN1250)) FROM T WHERE ID = 1"),
            Value(std::int64_t{28}));
  // A text longer than the column is refused, not cut.
  EXPECT_THROW(roundTrip("V", std::string(41, 'a')), db::EngineError);
  EXPECT_THROW(roundTrip("C", std::string("ąąąą")), db::EngineError);
}

TEST_F(RoundTrip, NumericStaysExact) {
  Value big = roundTrip("N", db::Decimal::parse("12345678901234.56"));
  ASSERT_TRUE(std::holds_alternative<db::Decimal>(big));
  EXPECT_EQ(std::get<db::Decimal>(big).toString(), "12345678901234.56");
  // Text is parsed exactly (a decimal comma too); a double is rounded to the column's scale.
  EXPECT_EQ(std::get<db::Decimal>(roundTrip("N", std::string("-9999999999999.99"))).toString(),
            "-9999999999999.99");
  EXPECT_EQ(std::get<db::Decimal>(roundTrip("N", std::string("12,5"))).toString(), "12.50");
  EXPECT_EQ(std::get<db::Decimal>(roundTrip("N", 0.125)).toString(), "0.13");
  EXPECT_EQ(std::get<db::Decimal>(roundTrip("N", 1234567.005)).toString(), "1234567.01");
  EXPECT_EQ(std::get<db::Decimal>(roundTrip("N4", std::int64_t{-7})).toString(), "-7.0000");
  EXPECT_EQ(std::get<db::Decimal>(roundTrip("N4", db::Decimal::parse("0.00005"))).toString(), "0.0001");
  // Too many digits for NUMERIC(9,4) is an error, never a wrapped number.
  EXPECT_THROW(roundTrip("N4", std::int64_t{1000000}), db::EngineError);
  EXPECT_THROW(roundTrip("N", std::string("12a")), db::EngineError);
}

TEST_F(RoundTrip, ValuesAreConvertedToTheColumnType) {
  // Day 0 of the engine's day numbers is 1899-12-30.
  EXPECT_EQ(roundTrip("D", std::int64_t{0}), Value(db::Date{0}));
  EXPECT_EQ(scalar("SELECT CAST(D AS VARCHAR(10)) FROM T WHERE ID = 1"), Value(std::string("1899-12-30")));
  EXPECT_EQ(roundTrip("TM", std::int64_t{0}), Value(db::Time{0}));
  EXPECT_EQ(roundTrip("D", std::string("2024-02-29")), Value(db::dateFromYmd(2024, 2, 29)));
  EXPECT_EQ(roundTrip("D", std::string("31.12.1999")), Value(db::dateFromYmd(1999, 12, 31)));
  EXPECT_EQ(roundTrip("TS", db::Date{1}), Value(db::DateTime{db::Date{1}, db::Time{0}}));
  EXPECT_EQ(roundTrip("I", std::string(" 42 ")), Value(std::int64_t{42}));
  EXPECT_EQ(roundTrip("S", 2.5), Value(std::int64_t{3}));
  EXPECT_EQ(roundTrip("V", std::int64_t{-15}), Value(std::string("-15")));
  EXPECT_EQ(roundTrip("V", db::Decimal::parse("1.50")), Value(std::string("1.50")));
  EXPECT_EQ(roundTrip("C", true), Value(std::string("T")));
  EXPECT_EQ(roundTrip("C", false), Value(std::string("N")));
  EXPECT_EQ(roundTrip("F", std::string("0,5")), Value(0.5));
  // An empty or blank text means "no value" for a number or a date, but stays text for text.
  EXPECT_TRUE(db::isNull(roundTrip("S", std::string(""))));
  EXPECT_TRUE(db::isNull(roundTrip("D", std::string("  "))));
  EXPECT_EQ(roundTrip("V", std::string("")), Value(std::string("")));
  EXPECT_THROW(roundTrip("D", std::string("2023-02-29")), db::EngineError);
  EXPECT_THROW(roundTrip("S", std::int64_t{40000}), db::EngineError);
}

TEST_F(RoundTrip, QueryFieldsDescribeTheColumns) {
  roundTrip("V", std::string("x"));
  db::Query q;
  q.setDatabase(&database());
  q.addSql("SELECT ID, S, L, F, N, N4, D, TM, TS, C, V, M, B, COUNT(*) OVER () AS ILE FROM T");
  q.open();
  struct Expect {
    const char* name;
    db::FieldType type;
    int size;
  };
  const Expect expected[] = {{"ID", db::FieldType::Integer, 0},  {"S", db::FieldType::Smallint, 0},
                             {"L", db::FieldType::LargeInt, 0},  {"F", db::FieldType::Float, 0},
                             {"N", db::FieldType::BCD, 2},       {"N4", db::FieldType::BCD, 4},
                             {"D", db::FieldType::Date, 0},      {"TM", db::FieldType::Time, 0},
                             {"TS", db::FieldType::DateTime, 0}, {"C", db::FieldType::String, 3},
                             {"V", db::FieldType::String, 40},   {"M", db::FieldType::Memo, 0},
                             {"B", db::FieldType::Blob, 0},      {"ILE", db::FieldType::LargeInt, 0}};
  ASSERT_EQ(q.fieldCount(), 14);
  for (int i = 0; i < q.fieldCount(); ++i) {
    EXPECT_EQ(q.field(i).name(), expected[i].name);
    EXPECT_EQ(q.field(i).dataType(), expected[i].type) << expected[i].name;
    EXPECT_EQ(q.field(i).size(), expected[i].size) << expected[i].name;
    EXPECT_EQ(q.field(i).fieldNo(), i + 1);
  }
}

// What the system tables say of each column is what a query over the table says of it (but NOT NULL, which
// a query's columns do not carry): the copy and the read-back describe their columns from the former and
// read values through the latter.
TEST_F(RoundTrip, TableDescriptionIsWhatAQueryOverItSays) {
  exec("ALTER TABLE T ADD U VARCHAR(7) CHARACTER SET UTF8 NOT NULL, ADD W CHAR(2) CHARACTER SET WIN1250");
  auto opis = [](const db::FieldDef& f) {
    return f.name + " " + std::to_string(static_cast<int>(f.type)) + " " + std::to_string(f.size) + " " +
           std::to_string(f.number) + " " + std::to_string(f.scale) + " " + std::to_string(f.width) +
           std::to_string(f.fixedLength) + std::to_string(f.binary);
  };
  db::Query q;
  q.setDatabase(&database());
  q.addSql("SELECT * FROM T WHERE 1 = 0");
  q.open();
  const db::TableDefinition d = database().describeTable("T");
  ASSERT_EQ(d.fields.size(), static_cast<std::size_t>(q.fieldCount()));
  for (int i = 0; i < q.fieldCount(); ++i)
    EXPECT_EQ(opis(d.fields[static_cast<std::size_t>(i)]), opis(q.field(i).def()));
}

// A BOOLEAN takes a value with a truth value; any other is refused by name, never taken as false.
TEST_F(RoundTrip, BooleanTakesOnlyValuesWithATruthValue) {
  struct Case {
    Value sent;
    std::optional<bool> stored;
    const char* named;  // what the refusal quotes
  };
  const Case cases[] = {
      {true, true, ""},
      {std::string("T"), true, ""},
      {std::string("N"), false, ""},
      {std::string(" f "), false, ""},
      {std::string("Y"), true, ""},
      {std::string("true"), true, ""},
      {std::string("FALSE"), false, ""},
      {std::string("0"), false, ""},
      {std::int64_t{1}, true, ""},
      {std::string("Tak"), std::nullopt, "\"Tak\""},
      {std::string("abc"), std::nullopt, "\"abc\""},
      {std::int64_t{2}, std::nullopt, "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(db::valueToSqlText(c.sent));
    if (c.stored) {
      EXPECT_EQ(roundTrip("BO", c.sent), Value(*c.stored));
      continue;
    }
    try {
      roundTrip("BO", c.sent);
      ADD_FAILURE() << "stored";
    } catch (const db::EngineError& e) {
      EXPECT_EQ(e.code(), db::errc::kConversion);
      EXPECT_NE(std::string(e.what()).find("Wartości " + std::string(c.named) +
                                           " nie można zapisać w kolumnie logicznej"),
                std::string::npos)
          << e.what();
    }
  }
}

// Columns of no character set are described so, by a query and by the table, a length in bytes; the
// bytes given go in unconverted.
TEST_F(RoundTrip, ColumnsOfNoCharacterSetAreBinary) {
  EXPECT_EQ(roundTrip("O", db::Bytes{"\xBF\x81"}), Value(std::string("\xBF\x81")));
  db::Query q;
  q.setDatabase(&database());
  q.addSql("SELECT V, M, B, O, NN, MN FROM T");
  q.open();
  db::Table t;
  t.setDatabase(&database());
  t.setTableName("T");
  t.open();
  const bool binary[] = {false, false, true, true, true, true};
  for (int i = 0; i < 6; ++i) {
    const std::string name = q.field(i).name();
    EXPECT_EQ(q.field(i).def().binary, binary[i]) << name;
    EXPECT_EQ(t.fieldByName(name).def().binary, binary[i]) << name;
  }
  EXPECT_EQ(q.field(3).size(), 10);
  EXPECT_EQ(q.field(4).size(), 4);
}

}  // namespace
