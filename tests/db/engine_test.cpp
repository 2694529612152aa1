#include "db/engine.h"

#include <gtest/gtest.h>

#include "db/memory_driver.h"

using namespace db;
using testing_db::MemoryConnection;
using testing_db::store;

namespace {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_db::registerMemoryDriver();
    store() = {};
    auto& lista = store().tables["LISTA"];
    lista.fields = {{"IDTF", FieldType::AutoInc, 4, 1}, {"TABELA", FieldType::String, 25, 2}};
    for (auto [id, name] : {std::pair{1, "Dochody"}, {2, "ZADANIA"}, {3, "Wydatki"}}) {
      lista.rows.push_back({std::int64_t{id}, std::string(name)});
      lista.ids.push_back(lista.nextId++);
    }
    auto& pola = store().tables["POLA"];
    pola.fields = {{"TABELA", FieldType::Integer, 4, 1}, {"POLE", FieldType::String, 32, 2}};
    for (auto [t, p] : {std::pair{1, "ROK"}, {1, "DZIAL"}, {3, "PAR"}}) {
      pola.rows.push_back({std::int64_t{t}, std::string(p)});
      pola.ids.push_back(pola.nextId++);
    }
    db.setDriverName("MEMORY");
    db.addParam("PATH=x");
  }
  Database db{"TEST"};
};

TEST_F(EngineTest, WalksRowsAndKeepsEofOnLastRow) {
  Table t;
  t.setDatabase(&db);
  t.setTableName("LISTA");
  t.open();
  EXPECT_TRUE(db.connected()) << "opening a table connects its database";
  std::vector<std::string> seen;
  for (t.first(); !t.eof(); t.next()) seen.push_back(t.fieldByName("tabela").asString());
  EXPECT_EQ(seen, (std::vector<std::string>{"Dochody", "ZADANIA", "Wydatki"}));
  EXPECT_EQ(t.recNo(), 3);
  EXPECT_EQ(t.recordCount(), 3);
  EXPECT_EQ(t.fieldByName("TABELA").asString(), "Wydatki") << "past the end the last row stays current";
  EXPECT_THROW(t.fieldByName("BRAK"), EngineError);
  EXPECT_EQ(t.findField("BRAK"), nullptr);
}

TEST_F(EngineTest, LocateMatchesWholeValuesWithOptionalCase) {
  Table t;
  t.setDatabase(&db);
  t.setTableName("LISTA");
  t.open();
  EXPECT_FALSE(t.locate("TABELA", {std::string("zadania")}, false));
  EXPECT_EQ(t.recNo(), 1) << "a failed search leaves the position";
  EXPECT_TRUE(t.locate("TABELA", {std::string("zadania")}, true));
  EXPECT_EQ(t.recNo(), 2);
  EXPECT_FALSE(t.locate("TABELA", {std::string("ZADANI")}, true)) << "whole values only";
  EXPECT_TRUE(t.locate("IDTF;TABELA", {std::int64_t{3}, std::string("Wydatki")}, false));
  EXPECT_TRUE(t.locate("IDTF", {3.0}, false)) << "numbers compare across types";
  EXPECT_TRUE(valuesEqual(std::string("ŻÓŁW"), std::string("żółw"), true));
  EXPECT_FALSE(valuesEqual(std::string("ŻÓŁW"), std::string("żółw"), false));
}

TEST_F(EngineTest, BookmarksSurviveEditsOfOtherRows) {
  Table t;
  t.setDatabase(&db);
  t.setTableName("LISTA");
  t.setIndexFieldNames("TABELA");
  t.open();
  ASSERT_TRUE(t.locate("TABELA", {std::string("Wydatki")}, false));
  auto bm = t.bookmark();
  t.first();
  t.edit();
  t.fieldByName("TABELA").setAsString("Zzz");  // moves to the end of the order
  t.post();
  EXPECT_EQ(t.fieldByName("TABELA").asString(), "Zzz") << "post keeps the edited row current";
  t.gotoBookmark(bm);
  EXPECT_EQ(t.fieldByName("TABELA").asString(), "Wydatki");
  t.deleteRecord();
  EXPECT_THROW(t.gotoBookmark(bm), EngineError);
}

TEST_F(EngineTest, WritingOutsideEditStateIsRefused) {
  Table t;
  t.setDatabase(&db);
  t.setTableName("LISTA");
  t.open();
  EXPECT_THROW(t.fieldByName("TABELA").setAsString("x"), EngineError);
  t.edit();
  t.fieldByName("TABELA").setAsString("x");
  t.cancel();
  EXPECT_EQ(t.fieldByName("TABELA").asString(), "Dochody");
}

TEST_F(EngineTest, DetailFollowsMasterAndInsertedRowGetsTheKey) {
  Table master, detail;
  master.setDatabase(&db);
  master.setTableName("LISTA");
  detail.setDatabase(&db);
  detail.setTableName("POLA");
  detail.setMasterSource(&master, "IDTF", "TABELA");
  master.open();
  detail.open();
  EXPECT_EQ(detail.recordCount(), 2);
  master.next();  // ZADANIA: no detail rows
  EXPECT_EQ(detail.recordCount(), 0);
  EXPECT_TRUE(detail.eof());
  detail.insert();
  detail.fieldByName("POLE").setAsString("KWOTA");
  detail.post();
  EXPECT_EQ(detail.recordCount(), 1);
  EXPECT_EQ(detail.fieldByName("TABELA").asInteger(), 2);
  master.next();
  EXPECT_EQ(detail.recordCount(), 1);
  EXPECT_EQ(detail.fieldByName("POLE").asString(), "PAR");
}

TEST_F(EngineTest, DisconnectClosesDatasetsAndDropsPreparedStatements) {
  Table t;
  t.setDatabase(&db);
  t.setTableName("LISTA");
  t.open();
  Query q;
  q.setDatabase(&db);
  q.addSql("INSERT INTO X VALUES (:\"A\")");
  q.param(0).setAsInteger(1);
  const int before = MemoryConnection::prepared;
  q.execSql();
  q.execSql();
  EXPECT_EQ(MemoryConnection::prepared, before + 1) << "an unchanged statement is prepared once";
  db.disconnect();
  EXPECT_FALSE(t.active());
  q.execSql();  // reconnects and prepares again
  EXPECT_EQ(MemoryConnection::prepared, before + 2);
  EXPECT_EQ(store().executed.size(), 3u);
}

TEST_F(EngineTest, ConnectFailureLeavesDatabaseDisconnected) {
  Database bad("BAD");
  bad.setDriverName("MEMORY");
  bad.addParam("FAIL=1");
  EXPECT_THROW(bad.connect(), EngineError);
  EXPECT_FALSE(bad.connected());
  Database unknown("U");
  unknown.setDriverName("NOPE");
  EXPECT_THROW(unknown.connect(), EngineError);
}

TEST_F(EngineTest, ParameterWithoutTypeOrValueStopsExecution) {
  Query q;
  q.setDatabase(&db);
  q.addSql("INSERT INTO T (\"A\",\"B\") VALUES (:\"A\",:\"B\")");
  ASSERT_EQ(q.paramCount(), 2);
  q.paramByName("A").setAsString("x");
  try {
    q.execSql();
    FAIL() << "execution must fail";
  } catch (const EngineError& e) {
    EXPECT_EQ(std::string(e.what()), "Brak wartości dla parametru \"B\"");
    EXPECT_EQ(e.code(), errc::kMissingParam);
  }
  q.param(1).setDataType(FieldType::Integer);  // a type alone is enough: the value is null
  q.execSql();
  EXPECT_TRUE(isNull(store().executed.back().second[1].value));
}

TEST(ParamMarkers, SkipLiteralsCommentsAndQuotedIdentifiers) {
  auto [sql, names] = parseParamMarkers(
      "INSERT INTO \"T:X\" (\"A\",\"B\") VALUES (:\"A\",':\"NOT\"', :\"B b\", :plain) -- :\"C\"\n/* :\"D\" "
      "*/ :\"A\"");
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B b", "plain", "A"}));
  EXPECT_EQ(sql, "INSERT INTO \"T:X\" (\"A\",\"B\") VALUES (?,':\"NOT\"', ?, ?) -- :\"C\"\n/* :\"D\" */ ?");
  EXPECT_EQ(parseParamMarkers("select 'it''s :\"x\"' from t").second.size(), 0u);
}

TEST(Values, DecimalIsExact) {
  EXPECT_EQ(Decimal::parse("12345678901234.56").toString(), "12345678901234.56");
  EXPECT_EQ(Decimal::parse("-0.05").toString(), "-0.05");
  EXPECT_EQ((Decimal{-5, 3}).toString(), "-0.005");
  EXPECT_EQ(Decimal::fromDouble(0.1, 2).toString(), "0.10");
  EXPECT_EQ(Decimal::fromDouble(2.675, 2).toString(), "2.68")
      << "the value as written, not its binary neighbour";
  EXPECT_EQ(Decimal::fromDouble(-1e20, 0).toString(), "-100000000000000000000");
  EXPECT_EQ(Decimal::parse("1.5"), Decimal::parse("1.500"));
  EXPECT_THROW(Decimal::parse("1e5"), std::invalid_argument);
  EXPECT_THROW(Decimal::parse(""), std::invalid_argument);
  EXPECT_THROW(Decimal::fromDouble(1e300, 2), EngineError);
}

TEST(Values, DatesCountFromTheLastDaysOf1899) {
  EXPECT_EQ(dateFromYmd(1899, 12, 30).day, 0);
  EXPECT_EQ(dateFromYmd(2007, 3, 5).day, 39146);
  EXPECT_EQ(dateFromYmd(1, 1, 1).day, -693593);
  auto ymd = ymdFromDate(Date{-693594});
  EXPECT_EQ(ymd.year, 0);
  EXPECT_EQ(ymd.month, 12u);
  EXPECT_EQ(ymd.day, 31u);
  EXPECT_EQ(valueToText(Value{DateTime{dateFromYmd(2024, 2, 29), Time{(13 * 3600 + 5) * 1000000LL + 7000}}}),
            "2024-02-29 13:00:05.007");
}

TEST(Values, ConversionsRefuseWhatIsNotANumber) {
  EXPECT_EQ(valueToInt(std::string("42")), 42);
  EXPECT_THROW(valueToInt(std::string("4x")), EngineError);
  EXPECT_EQ(valueToInt(Null{}), 0);
  EXPECT_TRUE(valueToBool(std::string("true")));
  EXPECT_THROW(valueToBool(std::string("maybe")), EngineError);
  EXPECT_STREQ(fieldTypeName(FieldType::DataSet), "DataSet");
  EXPECT_STREQ(fieldTypeName(30), "?");
  EXPECT_STREQ(fieldTypeName(FieldType::AutoInc), "AutoInc");
}

}  // namespace
