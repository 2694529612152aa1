// Database files as installations have them: under folders with Polish names. Embedded, or through the
// test server when one is named.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "firebird/fb_fixture.h"

namespace {

using fbtest::TempDatabase;

// A connected db::Database on `location` with the program's parameter lines, the language driver
// replaced (none: the database's default character set).
std::unique_ptr<db::Database> connect(db::Session& session, const std::string& location,
                                      const std::optional<std::string>& langDriver) {
  auto d = std::make_unique<db::Database>("DBi", session);
  d->setDriverName("INTRBASE");
  for (const std::string& line : {"SERVER NAME=" + location, std::string("USER NAME=SYSDBA"),
                                  std::string("PASSWORD=palisandr"), std::string("SQLDIALECT=3")})
    d->addParam(line);
  if (langDriver) d->addParam("LANGDRIVER=" + *langDriver);
  d->connect();
  return d;
}

class PlikiBazy : public ::testing::Test {
 protected:
  void SetUp() override {
    db::registerDriver("INTRBASE", [] { return db::firebird::makeDriver(); });
  }
  db::Session session;
};

TEST_F(PlikiBazy, PolishLettersInThePathWhateverTheConnectionsCharacterSet) {
  TempDatabase baza("WIN1250", "Urząd Gminy/BAZA ŁÓDŹ/KALMIRO żółć.FDB");
  const struct {
    std::optional<std::string> sterownik;  // none: the database's default character set (WIN1250)
    bool polskieLitery;                    // the connection's character set holds Polish letters
  } przypadki[] = {{"anpolish", true}, {std::nullopt, true}, {"ancyrr", false}};
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.sterownik.value_or("(the database's default)"));
    auto d = connect(session, baza.location(), p.sterownik);
    if (p.polskieLitery) {
      db::Query q;
      q.setDatabase(d.get());
      q.addSql("SELECT MON$DATABASE_NAME FROM MON$DATABASE");
      q.open();
      // The engine's own name of the file: the same letters, not their bytes read in another character set.
      EXPECT_EQ(q.field(0).asString(), baza.file().string());
      q.close();
    }
    d->disconnect();
  }
}

}  // namespace
