// The demo installation as the program will meet it: configuration found through the Wine prefix,
// Paradox tables readable with the product's password, control tables that agree with the real
// differences between the two databases, and the same bytes for the same parameters.
#include "tools/demo/demo.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "db/drivers.h"
#include "db/engine.h"
#include "db/paradox/reader.h"
#include "platform/hostpath.h"
#include "platform/ini.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> filesUnder(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    out[fs::relative(e.path(), root).string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return out;
}

konw::demo::Options paradoxOnly(const fs::path& dir, std::int64_t rows) {
  konw::demo::Options o;
  o.dir = dir;
  o.rows = rows;
  o.firebird = false;
  return o;
}

std::unique_ptr<db::Database> paradoxDatabase(db::Session& session, const fs::path& dir) {
  auto d = std::make_unique<db::Database>("DBp", session);
  d->setDriverName("STANDARD");
  d->addParam("PATH=" + dir.string());
  d->addParam("DEFAULT DRIVER=PARADOX");
  d->addParam("ENABLE BCD=FALSE");
  d->connect();
  return d;
}

}  // namespace

TEST(DemoFiles, SameRowCountGivesSameBytesAndOtherCountsScaleThePlans) {
  test::TempDir a, b, c;
  konw::demo::createDemo(paradoxOnly(a.path / "demo", 3000));
  konw::demo::createDemo(paradoxOnly(b.path / "demo", 3000));
  konw::demo::createDemo(paradoxOnly(c.path / "demo", 1000));
  const auto first = filesUnder(a.path / "demo");
  const auto second = filesUnder(b.path / "demo");
  ASSERT_GT(first.size(), 100u);
  ASSERT_EQ(first.size(), second.size());
  for (const auto& [name, bytes] : first) {
    auto it = second.find(name);
    ASSERT_NE(it, second.end()) << name;
    EXPECT_TRUE(bytes == it->second) << name << " differs between two runs with the same row count";
  }
  const auto third = filesUnder(c.path / "demo");
  EXPECT_LT(third.at("drive_c/Kalmiro/DANE/WYKWYD.DB").size(),
            first.at("drive_c/Kalmiro/DANE/WYKWYD.DB").size());
  EXPECT_TRUE(third.at("drive_c/Kalmiro/DANE/DZIALY.DB") == first.at("drive_c/Kalmiro/DANE/DZIALY.DB"));
}

TEST(DemoFiles, RefusesANonEmptyDirectoryUnlessForcedAndStaysInside) {
  test::TempDir t;
  const fs::path dir = t.path / "demo";
  fs::create_directories(dir);
  { std::ofstream(dir / "notatki.txt") << "moje"; }
  EXPECT_THROW(konw::demo::createDemo(paradoxOnly(dir, 10)), std::runtime_error);
  EXPECT_FALSE(fs::exists(dir / "drive_c"));

  auto forced = paradoxOnly(dir, 10);
  forced.force = true;
  konw::demo::createDemo(forced);
  konw::demo::createDemo(forced);  // over an earlier demo
  EXPECT_TRUE(fs::exists(dir / ".complete"));
  EXPECT_TRUE(fs::exists(dir / "notatki.txt"));
  std::set<std::string> top;
  for (const auto& e : fs::directory_iterator(t.path)) top.insert(e.path().filename().string());
  EXPECT_EQ(top, std::set<std::string>{"demo"});
}

// The program's own discovery path: WIN.INI of the prefix, the product INI on drive C:, the data
// directory through the dosdevices link.
TEST(DemoFiles, ConfigurationLeadsToTheDataThroughThePrefix) {
  test::TempDir t;
  const fs::path dir = t.path / "demo";
  konw::demo::createDemo(paradoxOnly(dir, 10));
  const char* before = std::getenv("WINEPREFIX");
  const std::string saved = before ? before : "";
  ::setenv("WINEPREFIX", (dir / "wine").c_str(), 1);
  ::unsetenv("KONWERSJA_WININI");
  const std::string ini = konw::readProfileString("VELMARO", "Kalmiro", "", "WIN.INI");
  const std::string iniJb = konw::readProfileString("VELMARO", "DIZEZ", "", "WIN.INI");
  const std::string main = konw::readProfileString("configJST", "PathMain", "", ini);
  const std::string data = konw::readProfileString("configKalmiro", "PathData", "", ini);
  const std::string dataJb = konw::readProfileString("configJB", "PathData", "", iniJb);
  const std::string gdb = konw::readProfileString("configKalmiro", "GDBPath", "", ini);
  const fs::path dataHost = konw::hostPath(data);
  const fs::path dataJbHost = konw::hostPath(dataJb);
  const fs::path controlHost = konw::hostPath(main + "KONWERSJA\\");
  if (before)
    ::setenv("WINEPREFIX", saved.c_str(), 1);
  else
    ::unsetenv("WINEPREFIX");

  EXPECT_EQ(ini, "C:\\Kalmiro\\Kalmiro.ini");
  EXPECT_EQ(main, "C:\\Kalmiro\\");
  EXPECT_EQ(data, "C:\\Kalmiro\\DANE\\");
  EXPECT_EQ(dataJb, "C:\\Kalmiro\\DANEJB\\");
  EXPECT_EQ(gdb, "C:\\Kalmiro\\BAZA\\KALMIRO.FDB");
  EXPECT_TRUE(fs::exists(dataHost / "Params.DB")) << dataHost;
  EXPECT_TRUE(fs::exists(dataJbHost / "Params.DB")) << dataJbHost;
  EXPECT_TRUE(fs::exists(dataHost / "BUFOR" / "BUF_PLANDOCH.DB"));
  EXPECT_TRUE(fs::exists(dataHost / "BUFOR" / "JO" / "BUF_JBPLAN.DB"));
  EXPECT_TRUE(fs::exists(controlHost / "ListaTabel.db")) << controlHost;
  EXPECT_TRUE(fs::is_symlink(dir / "wine" / "dosdevices" / "c:"));
  EXPECT_TRUE(fs::read_symlink(dir / "wine" / "dosdevices" / "c:").is_relative());
}

// Reads the data back through the engine, as the program's start-up and run will.
class DemoData : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db::registerBuiltinDrivers();
    dir_ = new test::TempDir;
    auto o = paradoxOnly(dir_->path / "demo", 2000);
    o.firebird = true;
    konw::demo::createDemo(o);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static fs::path main() { return dir_->path / "demo" / "drive_c" / "Kalmiro"; }

  std::unique_ptr<db::Database> firebird(db::Session& session) {
    auto d = std::make_unique<db::Database>("DBi", session);
    d->setDriverName("INTRBASE");
    d->addParam("SERVER NAME=" + (main() / "BAZA" / "KALMIRO.FDB").string());
    for (const char* line : {"USER NAME=SYSDBA", "PASSWORD=palisandr", "SQLQRYMODE=SERVER",
                             "LANGDRIVER=anpolish", "ENABLE BCD=TRUE", "SQLDIALECT=3"})
      d->addParam(line);
    d->connect();
    return d;
  }

  // The index keys (field lists) of a table.
  static std::set<std::string> keysOf(db::Database& d, const std::string& table) {
    db::Table t;
    t.setDatabase(&d);
    t.setTableName(table);
    t.open();
    t.refreshIndexDefs();
    std::set<std::string> keys;
    for (const auto& i : t.indexDefs()) keys.insert(i.fields);
    return keys;
  }

  static test::TempDir* dir_;
};
test::TempDir* DemoData::dir_ = nullptr;

TEST_F(DemoData, ParamsAndConfIdentifyTheUnitAndARecentVersion) {
  // The product's tables carry its password; the control tables none.
  EXPECT_NE(db::paradox::TableReader::open(main() / "DANE" / "Params.DB", 0)->header().encryption, 0u);
  EXPECT_NE(db::paradox::TableReader::open(main() / "DANE" / "PLANWYD.DB", 0)->header().encryption, 0u);
  EXPECT_EQ(db::paradox::TableReader::open(main() / "KONWERSJA" / "ListaTabel.db", 0)->header().encryption,
            0u);
  db::Session session;
  session.addPassword("wrzo");
  auto d = paradoxDatabase(session, main() / "DANE");
  db::Table params;
  params.setDatabase(d.get());
  params.setTableName("Params.DB");
  params.open();
  const std::vector<std::pair<std::string, db::FieldType>> declared = {
      {"TypUzytk", db::FieldType::String},  {"IdJST", db::FieldType::Integer},
      {"TYPJST", db::FieldType::String},    {"JedB", db::FieldType::String},
      {"NAZWA", db::FieldType::String},     {"REGON", db::FieldType::String},
      {"WK", db::FieldType::String},        {"PK", db::FieldType::String},
      {"GK", db::FieldType::String},        {"GT", db::FieldType::String},
      {"PT", db::FieldType::String},        {"Wojewodztwo", db::FieldType::String},
      {"Powiat", db::FieldType::String},    {"Gmina", db::FieldType::String},
      {"TypGminy", db::FieldType::String},  {"RIOw", db::FieldType::String},
      {"PostName", db::FieldType::String},  {"MailAdr", db::FieldType::String},
      {"POP3", db::FieldType::String},      {"SMTP", db::FieldType::String},
      {"POP3port", db::FieldType::Integer}, {"SMTPport", db::FieldType::Integer},
      {"UserId", db::FieldType::String},    {"PostPass", db::FieldType::String},
      {"SerwTime", db::FieldType::Integer}, {"KodRIO", db::FieldType::String},
      {"IsPost", db::FieldType::Boolean},   {"ConectType", db::FieldType::Integer}};
  ASSERT_EQ(params.fieldCount(), static_cast<int>(declared.size()));
  for (int i = 0; i < params.fieldCount(); ++i) {
    EXPECT_EQ(params.field(i).name(), declared[static_cast<std::size_t>(i)].first);
    EXPECT_EQ(params.field(i).dataType(), declared[static_cast<std::size_t>(i)].second)
        << params.field(i).name();
  }
  EXPECT_EQ(params.fieldByName("NAZWA").size(), 252);
  EXPECT_EQ(params.fieldByName("TYPJST").asString(), "G");
  EXPECT_EQ(params.fieldByName("Gmina").asString(), "Łubowo");
  EXPECT_EQ(params.fieldByName("Powiat").asString(), "gnieźnieński");
  EXPECT_EQ(params.fieldByName("WK").asString() + params.fieldByName("PK").asString() +
                params.fieldByName("GK").asString() + params.fieldByName("GT").asString(),
            "3003072");

  db::Query conf;
  conf.setDatabase(d.get());
  conf.addSql("Select ParStr,Kod From Conf");
  conf.open();
  ASSERT_TRUE(conf.locate("KOD", {db::Value(std::string("WerPl"))}, false));
  EXPECT_GE(conf.fieldByName("ParStr").asString(), std::string("3.65"));
}

TEST_F(DemoData, ControlTablesAgreeWithBothDatabases) {
  db::Session session;
  session.addPassword("wrzo");
  auto control = paradoxDatabase(session, main() / "KONWERSJA");
  auto data = paradoxDatabase(session, main() / "DANE");
  auto fb = firebird(session);

  auto open = [](db::Database& d, const std::string& name) {
    auto t = std::make_unique<db::Table>();
    t->setDatabase(&d);
    t->setTableName(name);
    t->open();
    return t;
  };
  auto fbScalar = [&](const std::string& sql) {
    db::Query q;
    q.setDatabase(fb.get());
    q.addSql(sql);
    q.open();
    return q.eof() ? std::int64_t{-1} : q.field(0).asInteger();
  };
  for (const char* name : {"ListaTabelPola.db", "ListaTabelRozmiary.db", "ListaTabelKolejnosc.db",
                           "ListaTabelSkip.DB", "ListaIndekSkip.db"})
    EXPECT_NO_THROW(open(*control, name)) << name;

  auto lista = open(*control, "ListaTabel.db");
  ASSERT_EQ(lista->fieldByName("IDTF").dataType(), db::FieldType::AutoInc);
  ASSERT_EQ(lista->fieldByName("SLOWNIK").dataType(), db::FieldType::Boolean);
  ASSERT_EQ(lista->fieldByName("TABELA").size(), 25);
  std::map<std::int64_t, std::pair<std::string, std::string>> names;  // IDTF -> (Paradox, Firebird)
  int withIdentity = 0, dictionaries = 0;
  for (lista->first(); !lista->eof(); lista->next()) {
    const std::string pdx = lista->fieldByName("TABELA").asString();
    const std::string ib = lista->fieldByName("TABELA_IB").asString();
    names[lista->fieldByName("IDTF").asInteger()] = {pdx, ib};
    EXPECT_EQ(fbScalar("select count(*) from rdb$relations where rdb$relation_name = '" + ib + "'"), 1) << ib;
    const std::string trigger = lista->fieldByName("TRIGGER_IB").asString();
    if (!trigger.empty()) {
      ++withIdentity;
      EXPECT_EQ(fbScalar("select count(*) from rdb$triggers where rdb$trigger_name = '" + trigger +
                         "' and rdb$relation_name = '" + ib + "'"),
                1)
          << trigger;
      EXPECT_EQ(fbScalar("select count(*) from rdb$generators where rdb$generator_name = '" +
                         lista->fieldByName("GENERATOR_IB").asString() + "'"),
                1);
      auto t = open(*data, pdx + ".DB");
      EXPECT_EQ(t->fieldByName(lista->fieldByName("AUTOINC_PDX").asString()).dataType(),
                db::FieldType::AutoInc)
          << pdx;
    }
    if (lista->fieldByName("SLOWNIK").asBoolean()) {
      ++dictionaries;
      // Dictionary keys name real fields on both sides.
      auto p = open(*data, pdx + ".DB");
      for (const auto& side : {std::string("KLUCZ_SLOWNIKA"), std::string("KLUCZ_SLOWNIKA_IB")}) {
        std::string keys = lista->fieldByName(side).asString();
        ASSERT_FALSE(keys.empty()) << pdx;
        std::size_t pos = 0;
        while (pos <= keys.size()) {
          std::size_t end = keys.find(';', pos);
          if (end == std::string::npos) end = keys.size();
          const std::string key = keys.substr(pos, end - pos);
          if (side == "KLUCZ_SLOWNIKA")
            EXPECT_NE(p->findField(key), nullptr) << pdx << "." << key;
          else
            EXPECT_EQ(fbScalar("select count(*) from rdb$relation_fields where rdb$relation_name = '" + ib +
                               "' and rdb$field_name = '" + key + "'"),
                      1)
                << ib << "." << key;
          pos = end + 1;
        }
      }
      // The product's dictionary differs from the user's, but both are filled.
      EXPECT_GT(fbScalar("select count(*) from \"" + ib + "\""), 0) << ib;
    }
  }
  EXPECT_GE(names.size(), 25u);
  EXPECT_GE(withIdentity, 10);
  EXPECT_GE(dictionaries, 5);

  // Accepted sizes are the real sizes on both sides, or they would accept nothing.
  auto rozmiary = open(*control, "ListaTabelRozmiary.db");
  int sizes = 0;
  for (rozmiary->first(); !rozmiary->eof(); rozmiary->next(), ++sizes) {
    const auto& [pdx, ib] = names.at(rozmiary->fieldByName("TABELA").asInteger());
    const std::string field = rozmiary->fieldByName("POLE_IB").asString();
    auto p = open(*data, pdx + ".DB");
    auto f = open(*fb, ib);
    EXPECT_EQ(p->fieldByName(field).size(), rozmiary->fieldByName("ROZMIAR_PDX").asInteger())
        << pdx << "." << field;
    EXPECT_EQ(f->fieldByName(field).size(), rozmiary->fieldByName("ROZMIAR_IB").asInteger())
        << ib << "." << field;
    EXPECT_NE(p->fieldByName(field).size(), f->fieldByName(field).size());
  }
  EXPECT_GE(sizes, 2);

  // Accepted positions likewise; position 0 marks a field Paradox lacks.
  auto kolejnosc = open(*control, "ListaTabelKolejnosc.db");
  int orders = 0;
  for (kolejnosc->first(); !kolejnosc->eof(); kolejnosc->next(), ++orders) {
    const auto& [pdx, ib] = names.at(kolejnosc->fieldByName("TABELA").asInteger());
    const std::string field = kolejnosc->fieldByName("POLE_IB").asString();
    auto p = open(*data, pdx + ".DB");
    auto f = open(*fb, ib);
    const std::int64_t pdxNo = kolejnosc->fieldByName("NR_POLA_PDX").asInteger();
    if (pdxNo == 0)
      EXPECT_EQ(p->findField(field), nullptr) << pdx << "." << field;
    else
      EXPECT_EQ(p->fieldByName(field).fieldNo(), pdxNo) << pdx << "." << field;
    EXPECT_EQ(f->fieldByName(field).fieldNo(), kolejnosc->fieldByName("NR_POLA_IB").asInteger())
        << ib << "." << field;
  }
  EXPECT_GE(orders, 4);

  // Mapped field names exist under their own name on each side.
  auto pola = open(*control, "ListaTabelPola.db");
  for (pola->first(); !pola->eof(); pola->next()) {
    const auto& [pdx, ib] = names.at(pola->fieldByName("TABELA").asInteger());
    EXPECT_NE(open(*data, pdx + ".DB")->findField(pola->fieldByName("POLE_PDX").asString()), nullptr);
    EXPECT_NE(open(*fb, ib)->findField(pola->fieldByName("POLE_IB").asString()), nullptr);
  }

  // Skipped tables are real Paradox tables that Firebird does not have.
  auto skip = open(*control, "ListaTabelSkip.DB");
  ASSERT_FALSE(skip->isEmpty());
  for (skip->first(); !skip->eof(); skip->next()) {
    const std::string name = skip->fieldByName("TABELA").asString();
    EXPECT_NO_THROW(open(*data, name + ".DB")) << name;
    EXPECT_EQ(fbScalar("select count(*) from rdb$relations where rdb$relation_name = '" + name + "'"), 0);
  }
}

TEST_F(DemoData, SkippedIndexesAreMissingOnTheOtherSide) {
  db::Session session;
  session.addPassword("wrzo");
  auto control = paradoxDatabase(session, main() / "KONWERSJA");
  auto data = paradoxDatabase(session, main() / "DANE");
  auto fb = firebird(session);
  db::Table skip;
  skip.setDatabase(control.get());
  skip.setTableName("ListaIndekSkip.db");
  skip.open();
  int rows = 0;
  for (skip.first(); !skip.eof(); skip.next(), ++rows) {
    const std::string ib = skip.fieldByName("TABELA_IB").asString();
    const std::string pdx = skip.fieldByName("TABELA_PDX").asString();
    const std::string key = skip.fieldByName("IDX_KLUCZ").asString();
    if (!pdx.empty()) {
      // A Firebird key that Paradox lacks.
      EXPECT_EQ(keysOf(*data, pdx + ".DB").count(key), 0u) << pdx << " " << key;
      EXPECT_EQ(keysOf(*fb, pdx).count(key), 1u) << pdx << " " << key;
    } else if (key == "*") {
      EXPECT_TRUE(keysOf(*fb, ib).empty()) << ib;
    } else {
      EXPECT_EQ(keysOf(*fb, ib).count(key), 0u) << ib << " " << key;
    }
  }
  EXPECT_GE(rows, 4);
  // The matching keys really match: the plan's classification index is on both sides.
  EXPECT_EQ(keysOf(*data, "WYKWYD.DB"), keysOf(*fb, "WYKWYD"));
}

// Each dictionary gives the comparison something to report: entries the user added, entries of the
// product the user removed, and entries the user renamed.
TEST_F(DemoData, DictionariesDifferFromTheProductsInAllThreeWays) {
  db::Session session;
  session.addPassword("wrzo");
  auto control = paradoxDatabase(session, main() / "KONWERSJA");
  auto data = paradoxDatabase(session, main() / "DANE");
  auto fb = firebird(session);

  // Entries of a table by key text, each with the text of its first field after the key.
  auto entries = [](db::Dataset& d, const std::string& keyList) {
    std::vector<std::string> keys;
    for (std::size_t pos = 0; pos <= keyList.size();) {
      std::size_t end = keyList.find(';', pos);
      if (end == std::string::npos) end = keyList.size();
      keys.push_back(keyList.substr(pos, end - pos));
      pos = end + 1;
    }
    std::map<std::string, std::string> out;
    for (d.first(); !d.eof(); d.next()) {
      std::string key;
      for (const auto& k : keys) key += d.fieldByName(k).asString() + ";";
      out[key] = d.fieldByName("NAZWA").asString();
    }
    return out;
  };
  db::Table lista;
  lista.setDatabase(control.get());
  lista.setTableName("ListaTabel.db");
  lista.open();
  int added = 0, removed = 0, changed = 0, dictionaries = 0;
  for (lista.first(); !lista.eof(); lista.next()) {
    if (!lista.fieldByName("SLOWNIK").asBoolean()) continue;
    ++dictionaries;
    db::Table p;
    p.setDatabase(data.get());
    p.setTableName(lista.fieldByName("TABELA").asString() + ".DB");
    p.open();
    db::Query f;
    f.setDatabase(fb.get());
    f.addSql("Select * From\"" + lista.fieldByName("TABELA_IB").asString() + "\"");
    f.open();
    const auto user = entries(p, lista.fieldByName("KLUCZ_SLOWNIKA").asString());
    const auto product = entries(f, lista.fieldByName("KLUCZ_SLOWNIKA_IB").asString());
    int tableDiffs = 0;
    for (const auto& [key, name] : user) {
      auto it = product.find(key);
      if (it == product.end())
        ++added, ++tableDiffs;
      else if (it->second != name)
        ++changed, ++tableDiffs;
    }
    for (const auto& [key, name] : product)
      if (!user.count(key)) ++removed, ++tableDiffs;
    // Most entries agree: the dictionaries are the same classification.
    EXPECT_LT(tableDiffs * 2, static_cast<int>(user.size()))
        << p.tableName() << " " << added << "/" << removed << "/" << changed;
  }
  EXPECT_GE(dictionaries, 5);
  EXPECT_GE(added, 5);
  EXPECT_GE(removed, 5);
  EXPECT_GE(changed, 5);
}

TEST_F(DemoData, PlansAndExecutionsHoldTheRequestedRowsInAll) {
  db::Session session;
  session.addPassword("wrzo");
  auto data = paradoxDatabase(session, main() / "DANE");
  std::int64_t total = 0;
  for (const char* name : {"PLANDOCH.DB", "PLANWYD.DB", "WYKDOCH.DB", "WYKWYD.DB"}) {
    db::Table t;
    t.setDatabase(data.get());
    t.setTableName(name);
    t.open();
    EXPECT_GT(t.recordCount(), 0) << name;
    total += t.recordCount();
  }
  EXPECT_EQ(total, 2000);
}

// Apart from the differences the demo makes on purpose, every listed table has the same index keys on
// both sides (names mapped through ListaTabelPola), so the comparison finds its matches.
TEST_F(DemoData, IndexesMatchExceptTheDeliberateDifferences) {
  db::Session session;
  session.addPassword("wrzo");
  auto control = paradoxDatabase(session, main() / "KONWERSJA");
  auto data = paradoxDatabase(session, main() / "DANE");
  auto fb = firebird(session);
  std::map<std::pair<std::int64_t, std::string>, std::string> fieldMap;  // (IDTF, Paradox) -> Firebird
  db::Table pola;
  pola.setDatabase(control.get());
  pola.setTableName("ListaTabelPola.db");
  pola.open();
  for (pola.first(); !pola.eof(); pola.next())
    fieldMap[{pola.fieldByName("TABELA").asInteger(), pola.fieldByName("POLE_PDX").asString()}] =
        pola.fieldByName("POLE_IB").asString();
  std::set<std::pair<std::string, std::string>> skipped;  // (table, key) as ListaIndekSkip names them
  db::Table skip;
  skip.setDatabase(control.get());
  skip.setTableName("ListaIndekSkip.db");
  skip.open();
  for (skip.first(); !skip.eof(); skip.next())
    skipped.insert({skip.fieldByName("TABELA_IB").asString() + skip.fieldByName("TABELA_PDX").asString(),
                    skip.fieldByName("IDX_KLUCZ").asString()});

  db::Table lista;
  lista.setDatabase(control.get());
  lista.setTableName("ListaTabel.db");
  lista.open();
  std::set<std::string> reported;
  for (lista.first(); !lista.eof(); lista.next()) {
    const std::int64_t id = lista.fieldByName("IDTF").asInteger();
    const std::string pdx = lista.fieldByName("TABELA").asString();
    const std::string ib = lista.fieldByName("TABELA_IB").asString();
    // Table files are found as the program finds them, ignoring letter case.
    const fs::path found = konw::findIgnoringCase(main() / "DANE", pdx + ".DB");
    if (found.empty()) continue;  // the listed table this unit never used
    const std::string file = found.filename().string();
    std::set<std::string> paradox;
    for (const auto& key : keysOf(*data, file)) {
      std::string mapped;
      std::size_t pos = 0;
      while (pos <= key.size()) {
        std::size_t end = key.find(';', pos);
        if (end == std::string::npos) end = key.size();
        const std::string name = key.substr(pos, end - pos);
        auto it = fieldMap.find({id, name});
        mapped += (mapped.empty() ? "" : ";") + (it == fieldMap.end() ? name : it->second);
        for (char& c : mapped) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        pos = end + 1;
      }
      paradox.insert(mapped);
    }
    const auto firebirdKeys = keysOf(*fb, ib);
    for (const auto& k : firebirdKeys)
      if (!paradox.count(k) && !skipped.count({pdx, k})) reported.insert(ib + " " + k);
    for (const auto& k : paradox)
      if (!firebirdKeys.count(k) && !skipped.count({ib, k})) reported.insert(pdx + " " + k);
  }
  // Only the execution of revenue keeps an unaccepted difference: ROK in Paradox, ROK;MIESIAC in Firebird.
  EXPECT_EQ(reported, (std::set<std::string>{"WYKDOCH ROK", "WYKDOCH ROK;MIESIAC"}));
}

// Field by field, the two sides agree in the comparison's terms (type pairs, sizes of equal types,
// positions) except where the control tables accept a difference or the demo shows an unaccepted one.
TEST_F(DemoData, FieldsMatchExceptTheDeliberateDifferences) {
  db::Session session;
  session.addPassword("wrzo");
  auto control = paradoxDatabase(session, main() / "KONWERSJA");
  auto data = paradoxDatabase(session, main() / "DANE");
  auto fb = firebird(session);
  auto upper = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  auto rowsOf = [&](const std::string& table) {
    auto t = std::make_unique<db::Table>();
    t->setDatabase(control.get());
    t->setTableName(table);
    t->open();
    return t;
  };
  std::map<std::int64_t, std::map<std::string, std::string>> map;  // IDTF -> Firebird -> Paradox
  std::set<std::tuple<std::int64_t, std::string, std::int64_t, std::int64_t>> sizes, orders;
  for (auto t = rowsOf("ListaTabelPola.db"); !t->eof(); t->next())
    map[t->fieldByName("TABELA").asInteger()][upper(t->fieldByName("POLE_IB").asString())] =
        upper(t->fieldByName("POLE_PDX").asString());
  for (auto t = rowsOf("ListaTabelRozmiary.db"); !t->eof(); t->next())
    sizes.insert({t->fieldByName("TABELA").asInteger(), upper(t->fieldByName("POLE_IB").asString()),
                  t->fieldByName("ROZMIAR_PDX").asInteger(), t->fieldByName("ROZMIAR_IB").asInteger()});
  for (auto t = rowsOf("ListaTabelKolejnosc.db"); !t->eof(); t->next())
    orders.insert({t->fieldByName("TABELA").asInteger(), upper(t->fieldByName("POLE_IB").asString()),
                   t->fieldByName("NR_POLA_PDX").asInteger(), t->fieldByName("NR_POLA_IB").asInteger()});

  auto sameType = [](db::FieldType ib, db::FieldType pdx) {
    using T = db::FieldType;
    return ib == pdx || (ib == T::Integer && pdx == T::AutoInc) || (ib == T::Date && pdx == T::DateTime) ||
           (ib == T::String && pdx == T::Boolean);
  };
  std::set<std::string> reported;
  for (auto lista = rowsOf("ListaTabel.db"); !lista->eof(); lista->next()) {
    const std::int64_t id = lista->fieldByName("IDTF").asInteger();
    const fs::path file =
        konw::findIgnoringCase(main() / "DANE", lista->fieldByName("TABELA").asString() + ".DB");
    if (file.empty()) continue;
    const std::string ib = lista->fieldByName("TABELA_IB").asString();
    db::Table p, f;
    p.setDatabase(data.get());
    p.setTableName(file.filename().string());
    p.open();
    f.setDatabase(fb.get());
    f.setTableName(ib);
    f.open();
    std::set<std::string> seen;
    for (int i = 0; i < f.fieldCount(); ++i) {
      const db::Field& column = f.field(i);
      const std::string a = upper(column.name());
      const std::string b = map[id].count(a) ? map[id][a] : a;
      seen.insert(b);
      const db::Field* field = p.findField(b);
      if (!field) {
        bool accepted = false;
        for (const auto& o : orders)
          accepted = accepted || (std::get<0>(o) == id && std::get<1>(o) == a && std::get<2>(o) == 0);
        if (!accepted) reported.insert(ib + "." + a + " missing in Paradox");
        continue;
      }
      if (!sameType(column.dataType(), field->dataType()))
        reported.insert(ib + "." + a + " type " + db::fieldTypeName(column.dataType()) + "/" +
                        db::fieldTypeName(field->dataType()));
      else if (column.dataType() == field->dataType() && column.dataType() != db::FieldType::Blob &&
               field->dataType() != db::FieldType::Memo && column.size() != field->size() &&
               !sizes.count({id, a, field->size(), column.size()}))
        reported.insert(ib + "." + a + " size");
      if (column.fieldNo() != field->fieldNo() && !orders.count({id, a, field->fieldNo(), column.fieldNo()}))
        reported.insert(ib + "." + a + " position");
    }
    for (int i = 0; i < p.fieldCount(); ++i)
      if (!seen.count(upper(p.field(i).name())))
        reported.insert(ib + "." + upper(p.field(i).name()) + " missing in Firebird");
  }
  EXPECT_EQ(reported,
            (std::set<std::string>{"WIELOLETNIA.KWOTA type BCD/Currency", "DOTACJE.BENEFICJENT size",
                                   "DOTACJE.DATAUMOWY position", "DOTACJE.KWOTA position",
                                   "POWIADOMIENIA.PRIORYTET missing in Paradox",
                                   "ZMIANYPLANU.STARYKOD missing in Firebird"}));
}

// The program opens the database by the INI's GDBPath, a path on drive C: of the prefix.
TEST_F(DemoData, DatabaseOpensByItsWindowsPath) {
  const char* before = std::getenv("WINEPREFIX");
  const std::string saved = before ? before : "";
  ::setenv("WINEPREFIX", (dir_->path / "demo" / "wine").c_str(), 1);
  db::Session session;
  db::Database d("DBi", session);
  d.setDriverName("INTRBASE");
  for (const char* line :
       {"SERVER NAME=C:\\Kalmiro\\BAZA\\KALMIRO.FDB", "USER NAME=SYSDBA", "PASSWORD=palisandr",
        "SQLQRYMODE=SERVER", "LANGDRIVER=anpolish", "ENABLE BCD=TRUE", "SQLDIALECT=3"})
    d.addParam(line);
  std::string error;
  try {
    d.connect();
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (before)
    ::setenv("WINEPREFIX", saved.c_str(), 1);
  else
    ::unsetenv("WINEPREFIX");
  EXPECT_EQ(error, "");
  EXPECT_TRUE(d.connected());
}
