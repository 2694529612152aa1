// Table structure, index definitions and table names from the system tables.
#include <gtest/gtest.h>

#include "fb_fixture.h"

namespace {

using fbtest::FirebirdTest;

class Metadata : public FirebirdTest {
 protected:
  void SetUp() override {
    FirebirdTest::SetUp();
    exec(
        "CREATE TABLE PLAN_WYDATKOW (ROK SMALLINT NOT NULL, DZIAL VARCHAR(3) NOT NULL, "
        "ROZDZIAL VARCHAR(5) NOT NULL, PAR VARCHAR(4), NAZWA VARCHAR(120), KWOTA NUMERIC(15,2), "
        "UWAGI BLOB SUB_TYPE TEXT, CONSTRAINT PK_PLAN PRIMARY KEY (ROK, DZIAL, ROZDZIAL))");
    exec("CREATE INDEX IX_PLAN_PAR ON PLAN_WYDATKOW (PAR, ROK)");
    exec("CREATE UNIQUE DESCENDING INDEX IX_PLAN_NAZWA ON PLAN_WYDATKOW (NAZWA)");
    exec("CREATE TABLE SLOWNIK (KOD CHAR(2))");
    exec("CREATE VIEW V_SLOWNIK AS SELECT KOD FROM SLOWNIK");
  }
};

TEST_F(Metadata, FieldsInPositionOrderWithLengthsInCharacters) {
  exec("ALTER TABLE PLAN_WYDATKOW ALTER COLUMN UWAGI POSITION 1");
  db::Table t;
  t.setDatabase(&database());
  t.setTableName("plan_wydatkow");
  t.open();
  ASSERT_EQ(t.fieldCount(), 7);
  const char* names[] = {"UWAGI", "ROK", "DZIAL", "ROZDZIAL", "PAR", "NAZWA", "KWOTA"};
  const db::FieldType types[] = {db::FieldType::Memo,   db::FieldType::Smallint, db::FieldType::String,
                                 db::FieldType::String, db::FieldType::String,   db::FieldType::String,
                                 db::FieldType::BCD};
  const int sizes[] = {0, 0, 3, 5, 4, 120, 2};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(t.field(i).name(), names[i]);
    EXPECT_EQ(t.field(i).dataType(), types[i]) << names[i];
    EXPECT_EQ(t.field(i).size(), sizes[i]) << names[i];
    EXPECT_EQ(t.field(i).fieldNo(), i + 1);
  }
  EXPECT_TRUE(t.field(1).def().required);
  EXPECT_FALSE(t.field(4).def().required);
  EXPECT_EQ(t.field(6).def().scale, 2);
}

TEST_F(Metadata, IndexDefinitionsWithSegmentsInKeyOrder) {
  db::Table t;
  t.setDatabase(&database());
  t.setTableName("PLAN_WYDATKOW");
  t.open();
  t.refreshIndexDefs();
  const auto& defs = t.indexDefs();
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_EQ(defs[0].name, "PK_PLAN");
  EXPECT_EQ(defs[0].fields, "ROK;DZIAL;ROZDZIAL");
  EXPECT_TRUE(defs[0].primary);
  EXPECT_EQ(defs[1].name, "IX_PLAN_NAZWA");
  EXPECT_EQ(defs[1].fields, "NAZWA");
  EXPECT_FALSE(defs[1].primary);
  EXPECT_TRUE(defs[1].unique);
  EXPECT_TRUE(defs[1].descending);
  EXPECT_EQ(defs[2].name, "IX_PLAN_PAR");
  EXPECT_EQ(defs[2].fields, "PAR;ROK");
  EXPECT_FALSE(defs[2].primary);
  EXPECT_FALSE(defs[2].unique);
}

TEST_F(Metadata, TableNamesListUserTablesOnly) {
  EXPECT_EQ(session_.tableNames(database(), "*"), (std::vector<std::string>{"PLAN_WYDATKOW", "SLOWNIK"}));
  EXPECT_EQ(session_.tableNames(database(), "*.db"), (std::vector<std::string>{"PLAN_WYDATKOW", "SLOWNIK"}));
  EXPECT_EQ(session_.tableNames(database(), "slownik"), (std::vector<std::string>{"SLOWNIK"}));
  EXPECT_EQ(session_.tableNames(database(), "PLAN*"), (std::vector<std::string>{"PLAN_WYDATKOW"}));
  EXPECT_TRUE(session_.tableNames(database(), "SLOWNIK2").empty());
  EXPECT_TRUE(session_.tableNames(database(), "V_SLOWNIK").empty());
}

TEST_F(Metadata, MissingTableIsAnError) {
  db::Table t;
  t.setDatabase(&database());
  t.setTableName("NIE_MA_TAKIEJ");
  try {
    t.open();
    FAIL() << "opened a missing table";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kNotFound);
    EXPECT_NE(std::string(e.what()).find("NIE_MA_TAKIEJ"), std::string::npos);
  }
  EXPECT_FALSE(t.active());
}

TEST_F(Metadata, TableRowsAreReadLazily) {
  // A computed column that fails on the second row: opening and reading the first row must not
  // touch it, so the table is not read ahead of need.
  exec("CREATE TABLE DZIELNIKI (N INTEGER, W COMPUTED BY (10 / N))");
  exec("INSERT INTO DZIELNIKI (N) VALUES (1)");
  exec("INSERT INTO DZIELNIKI (N) VALUES (0)");
  db::Table t;
  t.setDatabase(&database());
  t.setTableName("DZIELNIKI");
  t.open();
  EXPECT_EQ(t.fieldByName("W").asInteger(), 10);
  EXPECT_THROW(t.next(), db::EngineError);
}

TEST_F(Metadata, TableReadsAgainWhatItFetched) {
  exec("INSERT INTO SLOWNIK VALUES ('Ął')");
  exec("INSERT INTO SLOWNIK VALUES ('B')");
  db::Table t;
  t.setDatabase(&database());
  t.setTableName("SLOWNIK");
  t.open();
  t.next();
  EXPECT_EQ(t.fieldByName("KOD").asString(), "B");
  t.first();
  EXPECT_EQ(t.fieldByName("KOD").asString(), "Ął");
  EXPECT_EQ(t.recordCount(), 2);
}

// The connection keeps what it read of the tables; a change it makes itself is seen at once: a column, an
// index or a table added, moved or dropped through it, each after the structure was read (and kept) before.
TEST_F(Metadata, StructureChangedThroughTheConnectionIsSeenAtOnce) {
  // The columns, then "|" and the indexes, of a table; "-" when it is missing.
  auto structure = [&](const std::string& table) -> std::string {
    if (session_.tableNames(database(), table).empty()) return "-";
    db::Table t;
    t.setDatabase(&database());
    t.setTableName(table);
    t.open();
    std::string out;
    for (int i = 0; i < t.fieldCount(); ++i) out += t.field(i).name() + ";";
    out += "|";
    for (const db::IndexDef& d : t.indexDefs()) out += d.name + ";";
    return out;
  };
  const struct {
    const char* ddl;
    const char* table;
    const char* before;
    const char* after;
  } changes[] = {
      {"ALTER TABLE SLOWNIK ADD NAZWA VARCHAR(20)", "SLOWNIK", "KOD;|", "KOD;NAZWA;|"},
      {"CREATE INDEX IX_SLOWNIK_NAZWA ON SLOWNIK (NAZWA)", "SLOWNIK", "KOD;NAZWA;|",
       "KOD;NAZWA;|IX_SLOWNIK_NAZWA;"},
      {"ALTER TABLE SLOWNIK ALTER COLUMN NAZWA POSITION 1", "SLOWNIK", "KOD;NAZWA;|IX_SLOWNIK_NAZWA;",
       "NAZWA;KOD;|IX_SLOWNIK_NAZWA;"},
      {"CREATE TABLE NOWA (A INTEGER)", "NOWA", "-", "A;|"},
      {"DROP INDEX IX_SLOWNIK_NAZWA", "SLOWNIK", "NAZWA;KOD;|IX_SLOWNIK_NAZWA;", "NAZWA;KOD;|"},
  };
  for (const auto& c : changes) {
    ASSERT_EQ(structure(c.table), c.before) << c.ddl;
    exec(c.ddl);
    EXPECT_EQ(structure(c.table), c.after) << c.ddl;
  }
}

// A table's definitions read without opening it are those opening it gives, whatever the name's case; a
// missing table is the error opening it raises.
TEST_F(Metadata, DescribedTableIsWhatOpeningItGives) {
  auto opis = [](const std::vector<db::FieldDef>& fields, const std::vector<db::IndexDef>& indexes) {
    std::string out;
    for (const db::FieldDef& f : fields)
      out += f.name + " " + std::to_string(static_cast<int>(f.type)) + " " + std::to_string(f.size) + " " +
             std::to_string(f.number) + " " + std::to_string(f.scale) + " " + std::to_string(f.required) +
             std::to_string(f.width) + std::to_string(f.fixedLength) + std::to_string(f.binary) + ";";
    for (const db::IndexDef& i : indexes)
      out += "|" + i.name + " " + i.fields + " " + std::to_string(i.primary) + std::to_string(i.unique) +
             std::to_string(i.descending) + std::to_string(i.caseInsensitive);
    return out;
  };
  exec("ALTER TABLE PLAN_WYDATKOW ALTER COLUMN UWAGI POSITION 1");
  for (const char* name : {"PLAN_WYDATKOW", "plan_wydatkow", "SLOWNIK"}) {
    db::Table t;
    t.setDatabase(&database());
    t.setTableName(name);
    t.open();
    std::vector<db::FieldDef> fields;
    for (int i = 0; i < t.fieldCount(); ++i) fields.push_back(t.field(i).def());
    const db::TableDefinition d = database().describeTable(name);
    EXPECT_EQ(opis(d.fields, d.indexes), opis(fields, t.indexDefs())) << name;
    EXPECT_FALSE(d.fields.empty()) << name;
  }
  try {
    database().describeTable("NIE_MA_TAKIEJ");
    FAIL() << "described a missing table";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kNotFound);
    EXPECT_NE(std::string(e.what()).find("NIE_MA_TAKIEJ"), std::string::npos);
  }
}

}  // namespace
