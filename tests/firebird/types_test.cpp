// The type mapping, connection options and text-to-date parsing, without a database.
#include "db/firebird/types.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "db/firebird/driver.h"
#include "fb_fixture.h"

namespace {

using db::FieldType;
using db::firebird::ColumnType;
using db::firebird::mapColumnType;

TEST(FirebirdTypeMapping, SystemTableTypes) {
  struct Case {
    const char* what;
    ColumnType column;
    FieldType type;
    int size;
    int scale;
  };
  // blr codes: 7 SMALLINT, 8 INTEGER, 16 BIGINT, 10 FLOAT, 27 DOUBLE, 14 CHAR, 37 VARCHAR, 12 DATE,
  // 13 TIME, 35 TIMESTAMP, 261 BLOB, 23 BOOLEAN.
  const Case cases[] = {
      {"CHAR(1)", {14, 0, 0, 0, 1}, FieldType::String, 1, 0},
      {"VARCHAR(120)", {37, 0, 0, 0, 120}, FieldType::String, 120, 0},
      {"SMALLINT", {7, 0, 0, 0, 0}, FieldType::Smallint, 0, 0},
      {"INTEGER", {8, 0, 0, 0, 0}, FieldType::Integer, 0, 0},
      {"BIGINT", {16, 0, 0, 0, 0}, FieldType::LargeInt, 0, 0},
      {"FLOAT", {10, 0, 0, 0, 0}, FieldType::Float, 0, 0},
      {"DOUBLE PRECISION", {27, 0, 0, 0, 0}, FieldType::Float, 0, 0},
      {"NUMERIC(15,2)", {16, 1, -2, 15, 0}, FieldType::BCD, 2, 2},
      {"DECIMAL(18,4)", {16, 2, -4, 18, 0}, FieldType::BCD, 4, 4},
      {"NUMERIC(4,1) as SMALLINT", {7, 1, -1, 4, 0}, FieldType::BCD, 1, 1},
      {"NUMERIC(9,0)", {8, 1, 0, 9, 0}, FieldType::BCD, 0, 0},
      {"DATE", {12, 0, 0, 0, 0}, FieldType::Date, 0, 0},
      {"TIME", {13, 0, 0, 0, 0}, FieldType::Time, 0, 0},
      {"TIMESTAMP", {35, 0, 0, 0, 0}, FieldType::DateTime, 0, 0},
      {"BLOB SUB_TYPE TEXT", {261, 1, 0, 0, 0}, FieldType::Memo, 0, 0},
      {"BLOB SUB_TYPE 0", {261, 0, 0, 0, 0}, FieldType::Blob, 0, 0},
      {"BLOB SUB_TYPE 5", {261, 5, 0, 0, 0}, FieldType::Blob, 0, 0},
      {"BOOLEAN", {23, 0, 0, 0, 0}, FieldType::Boolean, 0, 0},
      {"unknown", {45, 0, 0, 0, 0}, FieldType::Unknown, 0, 0},
  };
  for (const Case& c : cases) {
    db::FieldDef def = mapColumnType(c.column);
    EXPECT_EQ(def.type, c.type) << c.what;
    EXPECT_EQ(def.size, c.size) << c.what;
    EXPECT_EQ(def.scale, c.scale) << c.what;
  }
  // With BCD switched off, exact numbers are read as Float, as the old engine did.
  EXPECT_EQ(mapColumnType({16, 1, -2, 15, 0}, false).type, FieldType::Float);
  EXPECT_EQ(mapColumnType({16, 0, 0, 0, 0}, false).type, FieldType::LargeInt);
}

TEST(FirebirdTypeMapping, MessageTypesMeasureTextInCharacters) {
  // A VARCHAR(40) over a UTF8 connection is described as 160 bytes.
  auto c = db::firebird::columnTypeFromSqlType(448 + 1, 0, 0, 160, 4);
  EXPECT_EQ(mapColumnType(c).type, FieldType::String);
  EXPECT_EQ(mapColumnType(c).size, 40);
  EXPECT_EQ(mapColumnType(db::firebird::columnTypeFromSqlType(580, 1, -2, 8, 4)).type, FieldType::BCD);
  EXPECT_EQ(mapColumnType(db::firebird::columnTypeFromSqlType(520, 1, 0, 8, 4)).type, FieldType::Memo);
}

TEST(FirebirdDates, DayNumbersMatchTheEngineCalendar) {
  // ISC dates count from 1858-11-17; the engine from 1899-12-30.
  EXPECT_EQ(db::firebird::toIscDate(db::Date{0}), 15018);
  EXPECT_EQ(db::firebird::fromIscDate(15018 + 45000), db::Date{45000});
  EXPECT_EQ(db::firebird::toIscTime(db::Time{1234567}), 12345);
}

TEST(FirebirdDates, TextForms) {
  using db::firebird::parseDateTimeText;
  EXPECT_EQ(parseDateTimeText("2024-02-29")->date, db::dateFromYmd(2024, 2, 29));
  EXPECT_EQ(parseDateTimeText(" 01.03.2023 ")->date, db::dateFromYmd(2023, 3, 1));
  auto dt = parseDateTimeText("2023-03-01 13:45:07.25");
  ASSERT_TRUE(dt);
  EXPECT_EQ(dt->time.us, (13 * 3600 + 45 * 60 + 7) * 1000000LL + 250000);
  EXPECT_EQ(parseDateTimeText("08:30")->time.us, 8 * 3600 * 1000000LL + 30 * 60 * 1000000LL);
  EXPECT_EQ(parseDateTimeText("08:30")->date, db::Date{0});
  for (const char* bad : {"", "2023-02-29", "2023-13-01", "32.01.2023", "2023-01-01 25:00", "2023/01/01",
                          "abc", "2023-01-01x", "12:60"}) {
    EXPECT_FALSE(parseDateTimeText(bad)) << bad;
  }
}

TEST(FirebirdConnect, OptionsFromParameterLines) {
  auto o = db::firebird::connectOptions({"SERVER NAME=srv:/data/x.fdb", "USER NAME=SYSDBA",
                                         "PASSWORD=palisandr", "SQLQRYMODE=SERVER", "LANGDRIVER=anpolish",
                                         "ENABLE BCD=FALSE", "SQLDIALECT=3"});
  EXPECT_EQ(o.location, "srv:/data/x.fdb");
  EXPECT_EQ(o.user, "SYSDBA");
  EXPECT_EQ(o.password, "palisandr");
  EXPECT_EQ(o.dialect, 3u);
  EXPECT_FALSE(o.enableBcd);
  EXPECT_EQ(o.commitInterval, 50000);
  EXPECT_EQ(db::firebird::connectOptions({"SERVER NAME=x", "COMMIT INTERVAL=10"}).commitInterval, 10);
  EXPECT_THROW(db::firebird::connectOptions({"SERVER NAME=x", "COMMIT INTERVAL=co"}), db::EngineError);
  EXPECT_TRUE(db::firebird::connectOptions({"SERVER NAME=/x.fdb"}).enableBcd);
  EXPECT_EQ(o.charset, "WIN1250");
  EXPECT_EQ(o.timeout, 60);
  EXPECT_EQ(db::firebird::connectOptions({"SERVER NAME=/x.fdb"}).charset, "");
  EXPECT_EQ(db::firebird::connectOptions({"SERVER NAME=x", "TIMEOUT=2"}).timeout, 2);
  for (const char* bad : {"TIMEOUT=0", "TIMEOUT=-5", "TIMEOUT=2s", "TIMEOUT="}) {
    EXPECT_THROW(db::firebird::connectOptions({"SERVER NAME=x", bad}), db::EngineError) << bad;
  }
  try {
    db::firebird::connectOptions({"USER NAME=SYSDBA"});
    FAIL() << "no location accepted";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kConnect);
  }
}

TEST(FirebirdConnect, LocationsWithADriveLetterAreLocalFiles) {
  using db::firebird::attachLocation;
  using db::firebird::throughServer;
  EXPECT_TRUE(throughServer("localhost:C:\\KALMIRO\\DANE.GDB"));
  EXPECT_TRUE(throughServer("127.0.0.1/3051:/srv/dane.fdb"));
  EXPECT_FALSE(throughServer("C:\\KALMIRO\\DANE.GDB"));
  EXPECT_FALSE(throughServer("/srv/dane.fdb"));
  EXPECT_EQ(attachLocation("localhost:C:\\KALMIRO\\DANE.GDB"), "localhost:C:\\KALMIRO\\DANE.GDB");
  EXPECT_EQ(attachLocation("serwer:/srv/dane.fdb"), "serwer:/srv/dane.fdb");
  EXPECT_EQ(attachLocation("/srv/dane.fdb"), "/srv/dane.fdb");
  setenv("KONWERSJA_DRIVE_C", "/tmp", 1);
  std::string local = attachLocation("C:\\KALMIRO_NIE_MA\\DANE.GDB");
  unsetenv("KONWERSJA_DRIVE_C");
  EXPECT_EQ(local, "/tmp/KALMIRO_NIE_MA/DANE.GDB");
}

TEST(FirebirdConnect, FailureToConnectIsAnEngineError) {
  db::Session session;
  db::registerDriver("INTRBASE", [] { return db::firebird::makeDriver(); });
  db::Database d("DBi", session);
  d.setDriverName("INTRBASE");
  d.addParam("SERVER NAME=/tmp/konwersja-nie-ma-takiego-katalogu/baza.fdb");
  d.addParam("USER NAME=SYSDBA");
  d.addParam("PASSWORD=palisandr");
  try {
    d.connect();
    FAIL() << "connected to a missing file";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kConnect);
    EXPECT_NE(e.nativeCode(), 0);
  }
  EXPECT_FALSE(d.connected());
}

TEST(FirebirdConnect, OnlyAServerChecksThePassword) {
  fbtest::TempDatabase temp;
  auto options = temp.options();
  options.password = "zle-haslo";
  if (!fbtest::serverName()) {
    // In-process access is the file owner's: the engine takes any password, as the demo relies on.
    auto attachment = db::firebird::attach(options, false);
    db::firebird::Status st;
    attachment->detach(&st);
    EXPECT_FALSE(st.failed());
    attachment.forget();
    return;
  }
  try {
    db::firebird::attach(options, false);
    FAIL() << "wrong password accepted";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kConnect);
  }
}

}  // namespace
