// Database files as installations have them: under folders with Polish names, of an older or newer
// on-disk structure, or no database at all. Embedded, or through the test server when one is named.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "firebird/fb_fixture.h"

namespace {

namespace fs = std::filesystem;
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

// The header page's on-disk structure number (ODS) lies at byte 18, little-endian, with the flag 0x8000
// that marks Firebird's own numbering.
void setOds(const fs::path& file, std::uint16_t ods) {
  std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(18);
  f.put(static_cast<char>(ods & 0xFF));
  f.put(static_cast<char>(ods >> 8));
  ASSERT_TRUE(f.good()) << file;
}

TEST_F(PlikiBazy, FilesTheEngineCannotOpenAreNamedWithWhatToDo) {
  TempDatabase wzor;
  const fs::path katalog = wzor.file().parent_path();
  struct Przypadek {
    const char* plik;
    std::vector<std::string> fragmenty;  // in the message, in this order
  };
  const std::vector<Przypadek> przypadki = {
      {"starsza.fdb",
       {"ma strukturę zapisu ODS 11.0 (Firebird 2.x)", "otwiera tylko bazy o strukturze ODS 12.",
        "(Firebird 3)", "kopię bezpieczeństwa", "gbak -b", "gbak -c", "wskazać w położeniu bazy serwer",
        "unsupported on-disk structure"}},
      {"nowsza.fdb",
       {"ma strukturę zapisu ODS 13.0 (Firebird 4 lub 5)", "wskazać w położeniu bazy serwer",
        "unsupported on-disk structure"}},
      {"zera.fdb", {"nie jest bazą danych Firebird", "not a valid database"}},
      {"tekst.fdb", {"nie udało się odczytać jako bazy danych Firebird", "krótszy niż nagłówek bazy"}},
  };
  fs::copy_file(wzor.file(), katalog / "starsza.fdb");
  setOds(katalog / "starsza.fdb", 0x800B);
  fs::copy_file(wzor.file(), katalog / "nowsza.fdb");
  setOds(katalog / "nowsza.fdb", 0x800D);
  std::ofstream(katalog / "zera.fdb", std::ios::binary) << std::string(16384, '\0');
  std::ofstream(katalog / "tekst.fdb") << "[configJST]\r\nPathMain=C:\\Kalmiro\\\r\n";

  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.plik);
    const std::string location = TempDatabase::at(katalog / p.plik);
    try {
      connect(session, location, "anpolish");
      ADD_FAILURE() << "connected";
    } catch (const db::EngineError& e) {
      EXPECT_EQ(e.code(), db::errc::kDatabaseFormat);
      const std::string tekst = e.what();
      EXPECT_NE(tekst.find(location), std::string::npos) << tekst;
      std::size_t od = 0;
      for (const std::string& f : p.fragmenty) {
        const std::size_t at = tekst.find(f, od);
        EXPECT_NE(at, std::string::npos) << f << " in\n" << tekst;
        if (at != std::string::npos) od = at + f.size();
      }
    }
  }
  // A database still opens; a missing file stays the connection error it was.
  EXPECT_NO_THROW(connect(session, wzor.location(), "anpolish"));
  try {
    connect(session, TempDatabase::at(katalog / "brak.fdb"), "anpolish");
    ADD_FAILURE() << "connected to a missing file";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kConnect) << e.what();
  }
}

}  // namespace
