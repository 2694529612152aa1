// The "STANDARD" driver through the engine: opening by name, orders, ranges, bookmarks, local SQL and
// edits of control tables.
#include "db/paradox/driver.h"

#include <gtest/gtest.h>

#include <functional>

#include "db/engine.h"
#include "db/paradox/cursor.h"
#include "db/paradox/writer.h"
#include "paradox_support.h"

using namespace paradox_test;
using db::EngineError;
namespace errc = db::errc;

namespace {

template <class F>
std::uint16_t errorCode(F&& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.code();
  }
  return 0;
}

class ParadoxDriver : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db::registerDriver("STANDARD", [] { return db::paradox::makeDriver(); });
  }
  void connect(const fs::path& dir) {
    database_.setDriverName("STANDARD");
    database_.clearParams();
    database_.addParam("PATH=" + dir.string());
    database_.connect();
  }
  // Values of field `name` of every row in the table's current order.
  static std::vector<db::Value> column(db::Dataset& t, const std::string& name) {
    std::vector<db::Value> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.fieldByName(name).value());
    return out;
  }

  db::Session session_;
  db::Database database_{"test", session_};
};

TEST_F(ParadoxDriver, OpensTablesByNameIgnoringCaseAndExtension) {
  SKIP_WITHOUT_SAMPLES();
  connect(kSamples / "paradoxdriver/joins");
  for (const char* name : {"c", "C.DB", "c.db", "MULTIPLE", "Multiple.Db"}) {
    db::Table t;
    t.setDatabase(&database_);
    t.setTableName(name);
    EXPECT_NO_THROW(t.open()) << name;
  }
  db::Table missing;
  missing.setDatabase(&database_);
  missing.setTableName("nosuch");
  EXPECT_EQ(errorCode([&] { missing.open(); }), errc::kNotFound);
}

TEST_F(ParadoxDriver, TableNamesByPattern) {
  SKIP_WITHOUT_SAMPLES();
  connect(kSamples / "paradoxdriver/fields");
  auto all = session_.tableNames(database_, "*");
  EXPECT_EQ(all, (std::vector<std::string>{"bytes", "date35", "date4", "date5", "date7", "fmemo",
                                           "graphic240", "logical", "long", "memo", "time"}));
  EXPECT_EQ(session_.tableNames(database_, "*.db"), all);
  EXPECT_EQ(session_.tableNames(database_, "MEMO"), std::vector<std::string>{"memo"});
  EXPECT_EQ(session_.tableNames(database_, "memo.DB"), std::vector<std::string>{"memo"});
  EXPECT_TRUE(session_.tableNames(database_, "nosuch").empty());
}

// The message of the error `f` throws; fails the test when it throws none or another code.
template <class F>
std::string errorText(std::uint16_t code, F&& f) {
  try {
    f();
  } catch (const EngineError& e) {
    EXPECT_EQ(e.code(), code) << e.what();
    return e.what();
  }
  ADD_FAILURE() << "no engine error";
  return {};
}

TEST_F(ParadoxDriver, MissingDirectoryConnectsButItsTablesCannotBeOpened) {
  TempDir parent;
  const fs::path dir = parent.path() / "BUFOR" / "JO";
  connect(dir);
  EXPECT_TRUE(database_.connected());
  EXPECT_TRUE(session_.tableNames(database_, "*.db").empty());
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("Plany");
  const std::string text = errorText(errc::kNotFound, [&] { t.open(); });
  EXPECT_NE(text.find("Nie można otworzyć tabeli Paradoxu Plany: katalog "), std::string::npos) << text;
  EXPECT_NE(text.find(dir.string()), std::string::npos) << text;
  EXPECT_NE(text.find("nie istnieje"), std::string::npos) << text;
  db::Query q;
  q.setDatabase(&database_);
  q.addSql("select max(ID) from Plany");
  EXPECT_EQ(errorText(errc::kNotFound, [&] { q.open(); }), text);

  // Once the directory appears (with its own letter case), the same connection reaches its tables.
  fs::create_directories(parent.path() / "bufor" / "jo");
  db::paradox::TableSpec definicja;
  definicja.fields = {{"ID", 'I', 4}};
  db::paradox::writeTable(parent.path() / "bufor" / "jo" / "PLANY.DB", definicja, {{7}});
  EXPECT_NO_THROW(t.open());
  EXPECT_EQ(session_.tableNames(database_, "*.db"), std::vector<std::string>{"PLANY"});
  q.open();
  EXPECT_EQ(q.field(0).asInteger(), 7);

  db::Database noPath{"bez", session_};
  noPath.setDriverName("STANDARD");
  EXPECT_EQ(errorCode([&] { noPath.connect(); }), errc::kConnect);
}

// What the driver raises reaches the operator as it is: Polish, naming what it is about, codes unchanged.
TEST_F(ParadoxDriver, ErrorsAreInPolishWithTheirCodes) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  copyTable("paradoxdriver/fields/memo.db", dir.path(), false);
  copyTable("pxlib/TypSammlung.DB", dir.path());
  auto broken = copyTable("paradoxdriver/joins/C.DB", dir.path(), false);
  std::string bytes = readBytes(broken);
  bytes[0x05] = 7;  // a block size no table has
  writeBytes(broken, bytes);
  connect(dir.path());
  db::Table t;
  t.setDatabase(&database_);
  db::Query q;
  q.setDatabase(&database_);
  auto open = [&](const std::string& name, bool readOnly = false) {
    return [&t, name, readOnly] {
      t.setTableName(name);
      t.setReadOnly(readOnly);
      t.open();
    };
  };
  auto sql = [&q](const std::string& text) {
    return [&q, text] {
      q.clearSql();
      q.addSql(text);
      q.open();
    };
  };
  struct Case {
    const char* what;
    std::uint16_t code;
    std::function<void()> act;
    std::vector<std::string> parts;
  };
  const std::vector<Case> cases = {
      {"missing table", errc::kNotFound, open("Brak"), {"Nie znaleziono tabeli Paradoxu Brak w katalogu "}},
      {"name with a path", errc::kNotFound, open("../TypSammlung"), {"nie może zawierać ścieżki"}},
      {"damaged header", errc::kCorrupt, open("C"), {"Uszkodzony nagłówek pliku C.DB", "rozmiar bloku 7"}},
      {"missing .MB",
       errc::kNotFound,
       [&] {
         open("memo")();
         t.fieldByName("MEMO").asString();
       },
       {"Brak pliku memo.mb", "memo.db"}},
      {"unsupported SQL",
       errc::kNotSupported,
       sql("delete from TypSammlung"),
       {"Lokalny SQL tabel Paradoxu"}},
      {"missing field", errc::kNotFound, sql("select Nic from TypSammlung"), {"nie ma pola Nic"}},
      {"read-only table",
       errc::kReadOnly,
       [&] {
         open("TypSammlung", true)();
         t.edit();
       },
       {"tylko do odczytu"}},
      {"key violation",
       errc::kKeyViolation,
       [&] {
         open("TypSammlung")();
         t.insert();
         t.fieldByName("Alpha").setAsString("Erste Zeile");
         t.fieldByName("Numerisch").setValue(23.0);
         t.post();
       },
       {"Naruszenie klucza w tabeli TypSammlung.DB"}},
      {"text outside the code page",
       errc::kConversion,
       [&] {
         open("TypSammlung")();
         t.insert();
         t.fieldByName("Alpha").setAsString("Zażółć");
         t.post();
       },
       {"\"ż\"", "stronie kodowej 1252"}},
  };
  for (const auto& c : cases) {
    const std::string text = errorText(c.code, c.act);
    for (const auto& part : c.parts) EXPECT_NE(text.find(part), std::string::npos) << c.what << ": " << text;
    for (const char* english : {"not found", "damaged", "cannot", "missing", "Paradox table", " is "})
      EXPECT_EQ(text.find(english), std::string::npos) << c.what << ": " << text;
    t.close();
  }
}

TEST_F(ParadoxDriver, IndexDefinitionsWithPrimaryFlag) {
  SKIP_WITHOUT_SAMPLES();
  connect(kSamples / "pxlib");
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("TypSammlung");
  t.open();
  const auto& defs = t.indexDefs();
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_TRUE(defs[0].primary);
  EXPECT_EQ(defs[0].fields, "Alpha;Numerisch");
  EXPECT_EQ(defs[1].name, "Numerisch");
  EXPECT_FALSE(defs[1].primary);
  EXPECT_EQ(defs[2].fields, "Zähler");
  EXPECT_FALSE(defs[2].caseInsensitive);
}

TEST_F(ParadoxDriver, ReadsInIndexOrFieldOrder) {
  SKIP_WITHOUT_SAMPLES();
  connect(kSamples / "pxlib");
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("TypSammlung");
  t.open();
  auto chain = column(t, "Zähler");
  EXPECT_EQ(chain, (std::vector<db::Value>{1, 3, 5, 4, 2}));
  t.setIndexName("Zähler");
  EXPECT_EQ(column(t, "Zähler"), (std::vector<db::Value>{1, 2, 3, 4, 5}));
  t.setIndexFieldNames("Integer lang");
  EXPECT_EQ(column(t, "Integer lang"), (std::vector<db::Value>{db::Null{}, db::Null{}, -40, 0, 40}));
  t.setIndexFieldNames("Numerisch;Alpha");
  EXPECT_EQ(column(t, "Numerisch"), (std::vector<db::Value>{-40.0, 0.0, 1.34, 23.0, 40.0}));
  t.setIndexName("");
  t.setIndexFieldNames("");
  EXPECT_EQ(column(t, "Zähler"), chain);
  EXPECT_EQ(errorCode([&] { t.setIndexName("NoSuchIndex"); }), errc::kNotFound);
}

TEST_F(ParadoxDriver, DescendingCaseInsensitiveIndexOrder) {
  TempDir dir;
  db::paradox::TableSpec tdef;
  tdef.fields = {{"Id", 'I', 4}, {"Name", 'A', 10}};
  tdef.secondary = {{"ByName", {"Name"}, false}};
  std::vector<db::Row> rows = {{1, std::string("beta")},
                               {2, std::string("Alpha")},
                               {3, std::string("gamma")},
                               {4, std::string("ALPHB")}};
  db::paradox::writeTable(dir.path() / "names.db", tdef, rows);
  connect(dir.path());
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("names");
  t.setIndexName("ByName");
  t.open();
  EXPECT_EQ(column(t, "Id"), (std::vector<db::Value>{2, 4, 1, 3}));
}

TEST_F(ParadoxDriver, RangeForMasterDetail) {
  SKIP_WITHOUT_SAMPLES();
  connect(kSamples / "pxlib");
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("TypSammlung");
  t.open();
  db::paradox::TableCursor cursor(kSamples / "pxlib/TypSammlung.DB", 0, true);
  cursor.setRange(std::make_pair(10, db::Value{true}));
  EXPECT_EQ(cursor.count(), 1);
  cursor.setRange(std::make_pair(3, db::Value{db::Null{}}));
  EXPECT_EQ(cursor.count(), 2);
  cursor.setOrder("Zähler", "");
  db::Row row;
  ASSERT_TRUE(cursor.read(0, row));
  EXPECT_EQ(row[11], db::Value{3});
  ASSERT_TRUE(cursor.read(1, row));
  EXPECT_EQ(row[11], db::Value{5});
  EXPECT_FALSE(cursor.read(2, row));
  cursor.setRange(std::nullopt);
  EXPECT_EQ(cursor.count(), 5);
}

TEST_F(ParadoxDriver, LocateAndBookmarksOnARealTable) {
  SKIP_WITHOUT_SAMPLES();
  connect(kSamples / "Rparadox");
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("of_cp866");
  t.setReadOnly(true);
  t.open();
  EXPECT_EQ(t.recordCount(), 2197);
  ASSERT_TRUE(t.locate("Инвентарный номер", {std::string("01000050")}, false));
  auto mark = t.bookmark();
  t.first();
  t.gotoBookmark(mark);
  EXPECT_EQ(t.fieldByName("Наименование").asString(), "ЭЛ БАЛЕРНАЯ");
  EXPECT_EQ(errorCode([&] { t.edit(); }), errc::kReadOnly);
}

// ---- local SQL

class ParadoxSql : public ParadoxDriver {
 protected:
  void SetUp() override {
    db::paradox::TableSpec conf;
    conf.fields = {{"Kod", 'I', 4}, {"ParStr", 'A', 40}};
    conf.keyFields = 1;
    db::paradox::writeTable(dir_.path() / "Conf.db", conf,
                            {{1, std::string("pierwszy")}, {2, std::string("drugi")}, {7, db::Null{}}});
    db::paradox::TableSpec p;
    p.fields = {{"A", 'I', 4}, {"B", 'A', 5}};
    db::paradox::writeTable(
        dir_.path() / "P.DB", p,
        {{5, std::string("x")}, {db::Null{}, std::string("y")}, {12, std::string("z")}, {-3, db::Null{}}});
    connect(dir_.path());
  }
  db::Query& run(const std::string& sql) {
    query_.close();
    query_.setDatabase(&database_);
    query_.clearSql();
    query_.addSql(sql);
    query_.open();
    return query_;
  }
  TempDir dir_;
  db::Query query_;
};

TEST_F(ParadoxSql, FieldList) {
  auto& q = run("Select ParStr,Kod From Conf");
  ASSERT_EQ(q.fieldCount(), 2);
  EXPECT_EQ(q.field(0).name(), "ParStr");
  EXPECT_EQ(column(q, "Kod"), (std::vector<db::Value>{1, 2, 7}));
  EXPECT_EQ(column(q, "ParStr"),
            (std::vector<db::Value>{std::string("pierwszy"), std::string("drugi"), db::Null{}}));
}

TEST_F(ParadoxSql, MaxWithAlias) {
  auto& q = run("select max(A) as max_i from \"P\";");
  ASSERT_EQ(q.fieldCount(), 1);
  EXPECT_EQ(q.field(0).name(), "max_i");
  EXPECT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.field(0).asInteger(), 12);
}

TEST_F(ParadoxSql, CountAndStar) {
  EXPECT_EQ(run("select count(*) from \"P\"").field(0).asInteger(), 4);
  auto& q = run("Select * From\"P\"");
  EXPECT_EQ(q.fieldCount(), 2);
  EXPECT_EQ(q.recordCount(), 4);
  EXPECT_EQ(run("SELECT COUNT(*) FROM p").field(0).asInteger(), 4);
  EXPECT_EQ(run("select max(ParStr) from conf").field(0).asString(), "pierwszy");
}

TEST_F(ParadoxSql, EverythingElseIsRefused) {
  for (const char* sql :
       {"update P set A = 1", "select A from P where A = 1", "select A from P, Conf", "delete from P",
        "select min(A) from P", "select A from P order by A", "select from P", "select A, from P",
        "select * from", "insert into P values (1, 'a')"}) {
    EXPECT_EQ(errorCode([&] { run(sql); }), errc::kNotSupported) << sql;
  }
  EXPECT_EQ(errorCode([&] { run("select NoSuch from P"); }), errc::kNotFound);
  EXPECT_EQ(errorCode([&] { run("select * from NoSuch"); }), errc::kNotFound);
  query_.close();
  query_.clearSql();
  query_.addSql("select * from P where A = :\"a\"");
  query_.paramByName("a").setAsInteger(1);
  EXPECT_EQ(errorCode([&] { query_.open(); }), errc::kNotSupported);
}

// ---- editing control tables

class ParadoxEdit : public ParadoxDriver {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_SAMPLES();
    db_ = copyTable("pxlib/TypSammlung.DB", dir_.path());
    connect(dir_.path());
    table_.setDatabase(&database_);
    table_.setTableName("typsammlung");
    table_.open();
  }
  TempDir dir_;
  fs::path db_;
  db::Table table_;
};

TEST_F(ParadoxEdit, EditPostKeepsOtherValuesAndReachesTheFile) {
  ASSERT_TRUE(table_.locate("Alpha", {std::string("Erste Zeile")}, false));
  table_.edit();
  table_.fieldByName("Logisch").setAsBoolean(true);
  table_.post();
  EXPECT_EQ(table_.fieldByName("Alpha").asString(), "Erste Zeile");
  EXPECT_TRUE(table_.fieldByName("Logisch").asBoolean());

  db::paradox::TableCursor again(db_, 0, true);
  EXPECT_EQ(again.count(), 5);
  db::Row row;
  for (std::int64_t i = 0; again.read(i, row); ++i) {
    if (row[0] != db::Value{std::string("Erste Zeile")}) continue;
    EXPECT_EQ(row[10], db::Value{true});
    EXPECT_EQ(row[1], db::Value{23.0});
    EXPECT_TRUE(db::isNull(row[2]));
  }
  // The secondary indexes and the key survive the rewrite.
  auto defs = again.indexDefs();
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_EQ(defs[0].fields, "Alpha;Numerisch");
  EXPECT_EQ(defs[2].fields, "Zähler");
}

TEST_F(ParadoxEdit, InsertGivesAutoincAndBookmarksSurvive) {
  ASSERT_TRUE(table_.locate("Alpha", {std::string("Zweite Zeile")}, false));
  const auto mark = table_.bookmark();
  table_.insert();
  table_.fieldByName("Alpha").setAsString("Neuer Satz äöüß");
  table_.fieldByName("Numerisch").setValue(7.5);
  table_.post();
  EXPECT_EQ(table_.fieldByName("Zähler").asInteger(), 6);
  EXPECT_EQ(table_.fieldByName("Alpha").asString(), "Neuer Satz äöüß");
  EXPECT_EQ(table_.recordCount(), 6);
  table_.gotoBookmark(mark);
  EXPECT_EQ(table_.fieldByName("Alpha").asString(), "Zweite Zeile");
}

TEST_F(ParadoxEdit, RefusedRowLeavesTheTableAsItWas) {
  const std::string before = readBytes(db_);
  table_.insert();
  table_.fieldByName("Alpha").setAsString("Zażółć");  // not in the table's code page (1252)
  EXPECT_THROW(table_.post(), EngineError);
  table_.cancel();
  EXPECT_EQ(table_.recordCount(), 5);
  EXPECT_EQ(readBytes(db_), before);
}

TEST_F(ParadoxEdit, DuplicateKeyIsAViolation) {
  table_.insert();
  table_.fieldByName("Alpha").setAsString("Erste Zeile");
  table_.fieldByName("Numerisch").setValue(23.0);
  EXPECT_EQ(errorCode([&] { table_.post(); }), errc::kKeyViolation);
  table_.cancel();
  ASSERT_TRUE(table_.locate("Alpha", {std::string("Null-Werte")}, false));
  table_.edit();
  table_.fieldByName("Alpha").setAsString("Erste Zeile");
  table_.fieldByName("Numerisch").setValue(23.0);
  EXPECT_EQ(errorCode([&] { table_.post(); }), errc::kKeyViolation);
  table_.cancel();
  EXPECT_EQ(table_.recordCount(), 5);
}

TEST_F(ParadoxEdit, DeleteRemovesTheRowAndItsBookmark) {
  ASSERT_TRUE(table_.locate("Alpha", {std::string("Null-Werte")}, false));
  const auto gone = table_.bookmark();
  ASSERT_TRUE(table_.locate("Alpha", {std::string("Erste Zeile")}, false));
  const auto kept = table_.bookmark();
  ASSERT_TRUE(table_.locate("Alpha", {std::string("Null-Werte")}, false));
  table_.deleteRecord();
  EXPECT_EQ(table_.recordCount(), 4);
  EXPECT_EQ(errorCode([&] { table_.gotoBookmark(gone); }), errc::kNotFound);
  table_.gotoBookmark(kept);
  EXPECT_EQ(table_.fieldByName("Alpha").asString(), "Erste Zeile");
  EXPECT_FALSE(table_.locate("Alpha", {std::string("Null-Werte")}, false));
}

TEST_F(ParadoxDriver, EditingAnEncryptedTableKeepsItEncrypted) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto file = copyTable("paradoxdriver/encrypt/encrypted.db", dir.path());
  const std::string before = readBytes(file);
  connect(dir.path());
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("encrypted");
  t.open();
  ASSERT_TRUE(t.locate("Id", {std::int64_t{2}}, false));
  t.edit();
  t.fieldByName("Text").setAsString("Changed");
  t.post();
  t.close();
  db::paradox::TableCursor again(file, 0, true);
  EXPECT_NE(again.reader().header().encryption, 0u);
  EXPECT_EQ(again.reader().header().encryption,
            db::paradox::TableReader::open(kSamples / "paradoxdriver/encrypt/encrypted.db", 0)
                ->header()
                .encryption);
  std::vector<db::Value> texts;
  db::Row row;
  for (std::int64_t i = 0; again.read(i, row); ++i) texts.push_back(row[1]);
  EXPECT_EQ(texts, (std::vector<db::Value>{std::string("Value 1"), std::string("Changed"),
                                           std::string("Value 3"), std::string("Last one")}));
  // No plain text of the rows may be left in the file.
  EXPECT_EQ(readBytes(file).find("Value 3"), std::string::npos);
  EXPECT_NE(readBytes(file), before);
}

TEST_F(ParadoxDriver, EditingKeepsMemosAndGraphics) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  copyTable("paradoxdriver/fields/memo.db", dir.path());
  auto graphic = copyTable("paradoxdriver/fields/graphic240.db", dir.path());
  db::paradox::TableCursor original(kSamples / "paradoxdriver/fields/graphic240.db", 0, true);
  db::Row picture;
  ASSERT_TRUE(original.read(0, picture));
  connect(dir.path());
  db::Table memo;
  memo.setDatabase(&database_);
  memo.setTableName("memo");
  memo.open();
  const std::string longText = memo.fieldByName("MEMO").asString();
  ASSERT_GT(longText.size(), 500u);
  memo.insert();
  memo.fieldByName("MEMO").setAsString("short one");
  memo.post();
  EXPECT_EQ(memo.fieldByName("Id").asInteger(), 3);
  memo.first();
  EXPECT_EQ(memo.fieldByName("MEMO").asString(), longText);
  db::Table g;
  g.setDatabase(&database_);
  g.setTableName("graphic240");
  g.open();
  g.edit();
  g.fieldByName("Id").setAsInteger(10);
  g.post();
  g.close();
  db::paradox::TableCursor again(graphic, 0, true);
  db::Row row;
  ASSERT_TRUE(again.read(0, row));
  EXPECT_EQ(row[0], db::Value{10});
  EXPECT_EQ(row[1], picture[1]);
}

TEST_F(ParadoxDriver, ReadingLeavesTheDirectoryUntouched) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  copyTable("pxlib/TypSammlung.DB", dir.path());
  std::map<std::string, std::string> before;
  for (const auto& e : fs::directory_iterator(dir.path()))
    before[e.path().filename().string()] = readBytes(e.path());
  connect(dir.path());
  {
    db::Table t;
    t.setDatabase(&database_);
    t.setTableName("TypSammlung");
    t.setReadOnly(true);
    t.open();
    t.setIndexName("Numerisch");
    for (t.first(); !t.eof(); t.next()) t.fieldByName("Memo").asString();
    EXPECT_EQ(errorCode([&] { t.insert(); }), errc::kReadOnly);
  }
  std::map<std::string, std::string> after;
  for (const auto& e : fs::directory_iterator(dir.path()))
    after[e.path().filename().string()] = readBytes(e.path());
  EXPECT_EQ(before, after);
}

}  // namespace

namespace {

TEST_F(ParadoxDriver, TwoCursorsOnOneControlTableDoNotLoseChanges) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto file = copyTable("pxlib/TypSammlung.DB", dir.path());
  db::paradox::TableCursor a(file, 0, false);
  db::paradox::TableCursor b(file, 0, false);
  db::Row row;
  ASSERT_TRUE(a.read(0, row));
  row[0] = std::string("AAA from A");
  a.insert(row);
  // b still holds the table as it was; its edit must land on the current file, keeping a's row.
  ASSERT_TRUE(b.read(1, row));
  ASSERT_EQ(row[0], db::Value{std::string("Erste Zeile")});
  row[10] = true;
  auto pos = b.update(1, row);
  ASSERT_TRUE(pos.has_value());
  ASSERT_TRUE(b.read(*pos, row));
  EXPECT_EQ(row[0], db::Value{std::string("Erste Zeile")});
  EXPECT_EQ(row[10], db::Value{true});
  db::paradox::TableCursor c(file, 0, true);
  EXPECT_EQ(c.count(), 6);
  bool seenA = false;
  for (std::int64_t i = 0; c.read(i, row); ++i)
    seenA = seenA || row[0] == db::Value{std::string("AAA from A")};
  EXPECT_TRUE(seenA);
  // A row deleted through one cursor cannot be edited through the other.
  ASSERT_TRUE(a.read(0, row));
  b.remove(*b.positionOf(b.bookmarkAt(0)));
  EXPECT_THROW(a.update(0, row), EngineError);
}

TEST_F(ParadoxDriver, SessionCodePageOverridesTheHeader) {
  SKIP_WITHOUT_SAMPLES();
  session_.setParadoxCodePage(1251);
  connect(kSamples / "Rparadox");
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("of_cp866");
  t.open();
  EXPECT_EQ(t.findField("Наименование"), nullptr);
  session_.setParadoxCodePage(0);
  t.open();
  EXPECT_NE(t.findField("Наименование"), nullptr);
}

}  // namespace
