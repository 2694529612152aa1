// The connection's character set: chosen from LANGDRIVER or the database's default, text converted at
// the driver's edge, and text the set cannot hold refused by name.
#include "db/firebird/charset.h"

#include <gtest/gtest.h>

#include "db/firebird/link.h"
#include "fb_fixture.h"

namespace {

using db::Value;
using db::firebird::Charset;

const std::string kPolish = "Zażółć gęślą jaźń";  // 17 letters, 9 of them outside ASCII
const std::string kPolish1250 = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1";

TEST(FirebirdCharset, Windows1250BothWays) {
  const Charset* cs = Charset::find("win1250");
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->encode(kPolish), kPolish1250);
  EXPECT_EQ(cs->decode(kPolish1250), kPolish);
  // Every byte reads as a character and writes back, also the five the code page leaves empty, which
  // read as the C1 controls of their numbers: text read from a Windows-1250 table is stored as it was.
  for (int b = 0x20; b <= 0xFF; ++b) {
    std::string byte(1, static_cast<char>(b));
    std::string text = cs->decode(byte);
    EXPECT_EQ(cs->encode(text), byte) << b;
  }
  EXPECT_EQ(cs->decode("\x81\x98"), "\u0081\u0098");
  EXPECT_EQ(cs->decode("\x80\x84\x8A"), "€„Š");
}

TEST(FirebirdCharset, TextTheSetCannotHoldIsRefusedByName) {
  const Charset* cs = Charset::find("WIN1250");
  struct Case {
    std::string text, named;
  };
  for (const Case& c : {Case{"Gmina Ωmega", "Ω"}, Case{"Łódź ü ✓", "✓"}, Case{"日本", "日"},
                        Case{"zły \xC3", ""}, Case{"zły \xC0\x80", ""}}) {
    try {
      cs->encode(c.text);
      FAIL() << c.text;
    } catch (const db::EngineError& e) {
      EXPECT_EQ(e.code(), db::errc::kConversion);
      std::string message = e.what();
      if (!c.named.empty()) {
        EXPECT_NE(message.find(c.text), std::string::npos) << message;
        EXPECT_NE(message.find("\"" + c.named + "\""), std::string::npos) << message;
        EXPECT_NE(message.find("WIN1250"), std::string::npos) << message;
      }
    }
  }
  // UTF8 passes text through; other sets convert by their own table.
  EXPECT_EQ(Charset::find("UTF8")->encode("Ωmega"), "Ωmega");
  EXPECT_EQ(Charset::find("WIN1251")->encode("Дом"), "\xC4\xEE\xEC");
  EXPECT_EQ(Charset::find("ISO8859_2")->decode("\xB1"), "ą");
  EXPECT_EQ(Charset::find("GBK"), nullptr);
}

TEST(FirebirdCharset, ChoiceOfTheConnectionSet) {
  using db::firebird::charsetForDatabaseDefault;
  using db::firebird::charsetForLanguageDriver;
  EXPECT_EQ(charsetForLanguageDriver("anpolish"), "WIN1250");
  EXPECT_EQ(charsetForLanguageDriver("ANPOLISH"), "WIN1250");
  EXPECT_EQ(charsetForLanguageDriver("polish"), "WIN1250");
  EXPECT_EQ(charsetForLanguageDriver("ancyrr"), "WIN1251");
  EXPECT_EQ(charsetForLanguageDriver("nieznany"), std::nullopt);
  EXPECT_EQ(charsetForDatabaseDefault("NONE"), "WIN1250");
  EXPECT_EQ(charsetForDatabaseDefault("OCTETS"), "WIN1250");
  EXPECT_EQ(charsetForDatabaseDefault("WIN1250 "), "WIN1250");
  EXPECT_EQ(charsetForDatabaseDefault("ISO8859_2"), "ISO8859_2");
  EXPECT_EQ(charsetForDatabaseDefault("UNICODE_FSS"), "UTF8");
  EXPECT_EQ(charsetForDatabaseDefault("SJIS_0208"), "UTF8");
}

// One embedded database per case, with the given default set and the parameter lines with or without
// a language driver; the same text goes into columns of every kind.
struct StorageCase {
  const char* dbDefault;
  bool langDriver;
  std::size_t noneBytes;  // what a CHARACTER SET NONE column holds of kPolish
};

class Storage : public ::testing::TestWithParam<StorageCase> {
 protected:
  void SetUp() override {
    db::registerDriver("INTRBASE", [] { return db::firebird::makeDriver(); });
    temp_ = std::make_unique<fbtest::TempDatabase>(GetParam().dbDefault);
    database_ = std::make_unique<db::Database>("DBi", session_);
    database_->setDriverName("INTRBASE");
    for (const auto& line : temp_->params()) {
      if (GetParam().langDriver || !line.starts_with("LANGDRIVER")) database_->addParam(line);
    }
    database_->connect();
    exec(
        "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, N VARCHAR(40) CHARACTER SET NONE, "
        "W VARCHAR(40) CHARACTER SET WIN1250, U VARCHAR(40) CHARACTER SET UTF8, "
        "C CHAR(30) CHARACTER SET NONE, M BLOB SUB_TYPE TEXT CHARACTER SET UTF8, "
        "K VARCHAR(20) CHARACTER SET WIN1250 UNIQUE)");
  }
  void TearDown() override {
    database_->disconnect();
    database_.reset();
    temp_.reset();
  }
  void exec(const std::string& sql) {
    db::Query q;
    q.setDatabase(database_.get());
    q.addSql(sql);
    q.execSql();
  }
  // The first row of a query, each value as text.
  std::vector<std::string> select(const std::string& sql) {
    db::Query q;
    q.setDatabase(database_.get());
    q.addSql(sql);
    q.open();
    std::vector<std::string> row;
    for (int i = 0; !q.eof() && i < q.fieldCount(); ++i) {
      const Value& v = q.field(i).value();
      row.push_back(std::holds_alternative<db::Bytes>(v) ? std::get<db::Bytes>(v).data
                                                         : q.field(i).asString());
    }
    return row;
  }
  void insert(int id, const std::string& text, const std::string& columns = "N, W, U, C, M, K") {
    db::Query q;
    q.setDatabase(database_.get());
    std::string markers;
    int n = 1 + static_cast<int>(std::count(columns.begin(), columns.end(), ','));
    for (int i = 0; i < n; ++i) markers += ", :P" + std::to_string(i);
    q.addSql("INSERT INTO T (ID, " + columns + ") VALUES (:ID" + markers + ")");
    q.param(0).setValue(std::int64_t{id});
    for (int i = 1; i <= n; ++i) q.param(i).setValue(text);
    q.execSql();
  }

  db::Session session_;
  std::unique_ptr<fbtest::TempDatabase> temp_;
  std::unique_ptr<db::Database> database_;
};

TEST_P(Storage, TextArrivesWhole) {
  insert(1, kPolish);
  auto row =
      select("SELECT N, W, U, C, M, K, OCTET_LENGTH(N), CAST(N AS VARCHAR(40) CHARACTER SET OCTETS) FROM T");
  ASSERT_EQ(row.size(), 8u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(row[i], kPolish) << i;
  EXPECT_EQ(row[6], std::to_string(GetParam().noneBytes));
  EXPECT_EQ(row[7], GetParam().noneBytes == kPolish.size() ? kPolish : kPolish1250);
  // A literal in the statement's text travels the same way as a parameter.
  exec("INSERT INTO T (ID, N) VALUES (2, '" + kPolish + "')");
  EXPECT_EQ(select("SELECT N, OCTET_LENGTH(N) FROM T WHERE ID = 2"),
            (std::vector<std::string>{kPolish, std::to_string(GetParam().noneBytes)}));
  // Bytes are not text: they are stored exactly, in any connection.
  {
    db::Query q;
    q.setDatabase(database_.get());
    q.addSql("INSERT INTO T (ID, N) VALUES (4, :B)");
    q.param(0).setValue(db::Bytes{"\xFF\x81z"});
    q.execSql();
  }
  EXPECT_EQ(select("SELECT CAST(N AS VARCHAR(40) CHARACTER SET OCTETS) FROM T WHERE ID = 4"),
            std::vector<std::string>{"\xFF\x81z"});
  // The server's own messages quote values in the connection's set; they reach the program readable.
  try {
    insert(3, kPolish, "K");
    FAIL() << "duplicate accepted";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kKeyViolation);
    EXPECT_NE(std::string(e.what()).find(kPolish), std::string::npos) << e.what();
  }
}

TEST_P(Storage, TextTheConnectionCannotHoldIsAnErrorNamingIt) {
  const std::string greek = "Gmina Ωmega";
  if (GetParam().noneBytes == kPolish.size()) {
    // A UTF8 connection holds every character; the server refuses what the column cannot.
    insert(1, greek, "U");
    EXPECT_EQ(select("SELECT U FROM T"), std::vector<std::string>{greek});
    return;
  }
  try {
    insert(1, greek, "U");
    FAIL() << "replaced instead of refused";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kConversion);
    EXPECT_NE(std::string(e.what()).find(greek), std::string::npos) << e.what();
  }
  EXPECT_EQ(select("SELECT COUNT(*) FROM T"), std::vector<std::string>{"0"});
}

INSTANTIATE_TEST_SUITE_P(FirebirdCharset, Storage,
                         ::testing::Values(StorageCase{"WIN1250", true, 17}, StorageCase{"UTF8", true, 17},
                                           StorageCase{"NONE", true, 17}, StorageCase{"WIN1250", false, 17},
                                           StorageCase{"NONE", false, 17}, StorageCase{"UTF8", false, 26}),
                         // Names that stay the same from one process to the next, as test discovery needs.
                         [](const ::testing::TestParamInfo<StorageCase>& info) {
                           return std::string(info.param.dbDefault) +
                                  (info.param.langDriver ? "_LangDriver" : "_Default");
                         });

TEST(FirebirdStatements, TableAStatementChanges) {
  using db::firebird::changedTable;
  struct Case {
    const char* sql;
    const char* table;
  };
  for (const Case& c :
       {Case{"INSERT INTO plandoch (A) VALUES (1)", "PLANDOCH"},
        Case{"  insert\n into \"Mała \"\"x\"\"\" values (1)", "Mała \"x\""},
        Case{"UPDATE T_1 SET A = 1", "T_1"}, Case{"update \"t\" set a = 1", "t"},
        Case{"DELETE FROM KLIENCI", "KLIENCI"}, Case{"UPDATE OR INSERT INTO X VALUES (1)", "X"},
        Case{"MERGE INTO Y USING Z ON 1=1", "Y"}, Case{"SELECT * FROM T", ""},
        Case{"ALTER TRIGGER X INACTIVE", ""}, Case{"INSERT INTO \"bez końca", ""}}) {
    EXPECT_EQ(changedTable(c.sql), c.table) << c.sql;
  }
}

}  // namespace
