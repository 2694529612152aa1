// What the reader repairs, skips or doubts reaches the engine's caller as warnings: tables written by the
// writer, then damaged byte by byte, read through the "STANDARD" driver as the copy reads them.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>

#include "db/engine.h"
#include "db/paradox/driver.h"
#include "db/paradox/reader.h"
#include "db/paradox/writer.h"
#include "paradox_support.h"

using namespace paradox_test;
using db::ReadWarning;

namespace {

constexpr int kRows = 60;

// PLANY: 60 rows over several 1 KiB blocks; every field kind the reader may doubt, memos in the .MB.
class ReadWarnings : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    db::registerDriver("STANDARD", [] { return db::paradox::makeDriver(); });
  }
  void SetUp() override {
    db::paradox::TableSpec definicja;
    definicja.fields = {{"Id", 'I', 4},     {"Kwota", '#', 2}, {"Data", 'D', 4},  {"Godz", 'T', 4},
                        {"Chwila", '@', 8}, {"Opis", 'M', 10}, {"Nazwa", 'A', 15}};
    definicja.keyFields = 1;
    definicja.blockSizeKb = 1;
    std::vector<db::Row> rows;
    for (int i = 1; i <= kRows; ++i)
      rows.push_back({std::int64_t{i}, db::Decimal{1234 + i, 2}, db::dateFromYmd(2024, 1, 1 + i % 28),
                      db::Time{3600000000LL}, db::DateTime{db::dateFromYmd(2024, 2, 2), db::Time{0}},
                      std::string("notatka ") + std::to_string(i), std::string("nazwa")});
    db_ = dir_.path() / "PLANY.DB";
    mb_ = dir_.path() / "PLANY.MB";
    db::paradox::writeTable(db_, definicja, rows);
    header_ = db::paradox::TableReader::open(db_, 0)->header();
    bytes_ = readBytes(db_);
    database_.setDriverName("STANDARD");
    database_.addParam("PATH=" + dir_.path().string());
  }

  // Offset in the .DB of field `field` of record `record` (1-based, chain order of the undamaged file).
  std::size_t at(int record, int field) const {
    std::size_t left = static_cast<std::size_t>(record - 1);
    for (std::uint32_t k = header_.firstBlock; k != 0;) {
      const std::size_t block = header_.headerSize + (k - 1) * header_.blockSize;
      const auto add = static_cast<std::int16_t>(le16(block + 4));
      const std::size_t count = add < 0 ? 0 : static_cast<std::size_t>(add) / header_.recordSize + 1;
      if (left < count)
        return block + 6 + left * header_.recordSize +
               static_cast<std::size_t>(header_.fields[static_cast<std::size_t>(field)].offset);
      left -= count;
      k = le16(block);
    }
    ADD_FAILURE() << "no record " << record;
    return 0;
  }
  std::uint16_t le16(std::size_t offset) const {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes_[offset]) |
                                      static_cast<unsigned char>(bytes_[offset + 1]) << 8);
  }
  void put(std::size_t offset, std::initializer_list<unsigned> values) {
    for (unsigned v : values) bytes_[offset++] = static_cast<char>(v);
  }
  // A double as an N, $ or @ field stores it (positive values only).
  void putDouble(std::size_t offset, double v) {
    const std::uint64_t x = std::bit_cast<std::uint64_t>(v) | 0x8000000000000000ull;
    for (int i = 0; i < 8; ++i)
      bytes_[offset + static_cast<std::size_t>(i)] = static_cast<char>(x >> (56 - 8 * i));
  }

  // Reads every row through the engine (twice, as the run may) and returns the values of `field` and
  // the warnings.
  std::vector<ReadWarning> readAll(std::vector<db::Value>* values = nullptr,
                                   const std::string& field = "Id") {
    writeBytes(db_, bytes_);
    db::Table t;
    t.setDatabase(&database_);
    t.setTableName("PLANY");
    t.setReadOnly(true);
    t.open();
    for (int pass = 0; pass < 2; ++pass)
      for (t.first(); !t.eof(); t.next())
        if (values && pass == 0) values->push_back(t.fieldByName(field).value());
    auto out = t.takeWarnings();
    EXPECT_TRUE(t.takeWarnings().empty()) << "taken warnings are forgotten";
    return out;
  }

  TempDir dir_;
  fs::path db_;
  fs::path mb_;
  db::paradox::Header header_;
  std::string bytes_;
  db::Session session_;
  db::Database database_{"dane", session_};
};

std::string lines(const std::vector<ReadWarning>& warnings) {
  std::string out;
  for (const auto& w : warnings) out += db::paradox::warningLine(w) + "\n";
  return out;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(ReadWarnings, AnUndamagedTableGivesNone) {
  std::vector<db::Value> ids;
  EXPECT_TRUE(readAll(&ids).empty());
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kRows));
}

// One damaged value per case: the warning names its record and field, says what was done, and the value
// read is the one the text announces.
TEST_F(ReadWarnings, EachDamagedValueIsNamedByRecordAndField) {
  struct Case {
    const char* field;
    int record;
    std::function<void(ReadWarnings&, std::size_t)> damage;
    std::string text;
    db::Value read;
  };
  const std::vector<Case> cases = {
      // The last of the 32 BCD digits becomes F: the reader keeps the digits before it.
      {"Kwota", 3,
       [](ReadWarnings& t, std::size_t p) { t.bytes_[p + 16] = static_cast<char>(t.bytes_[p + 16] | 0x0F); },
       "cyfry BCD większe niż 9; odczytano 12.30", db::Decimal{1230, 2}},
      {"Data", 5,
       [](ReadWarnings& t, std::size_t p) {
         t.put(p, {0x80, 0, 0, 0});
       },
       "data 0000-12-31 spoza zakresu 0001-01-01 – 9999-12-31", db::Date{-693594}},
      {"Godz", 7,
       [](ReadWarnings& t, std::size_t p) {
         t.put(p, {0x85, 0x5D, 0x4A, 0x80});
       },
       "czas 90000000 ms spoza doby; odczytano jako pusty", db::Null{}},
      {"Chwila", 9, [](ReadWarnings& t, std::size_t p) { t.putDouble(p, 1e18); },
       "spoza zakresu; odczytano jako pusty", db::Null{}},
      {"Chwila", 10, [](ReadWarnings& t, std::size_t p) { t.putDouble(p, 86400000.0 * 4000000); },
       "data znacznika czasu 10952-", db::Value{}},
      {"Opis", 11,
       [](ReadWarnings& t, std::size_t p) {
         t.put(p, {0x00, 0xFF, 0xFF, 0x7F});
       },
       "uszkodzone odwołanie 7FFFFF00 (blok poza plikiem) w pliku .MB; odczytano jako pustą", db::Null{}},
      {"Opis", 12,
       [](ReadWarnings& t, std::size_t p) {
         t.put(p + 8, {0x42, 0x42});
       },
       "a rekord podaje 10 i 16962", std::string("notatka 12")},
  };
  const std::string clean = bytes_;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    bytes_ = clean;
    int field = 0;
    while (header_.fields[static_cast<std::size_t>(field)].name != c.field) ++field;
    c.damage(*this, at(c.record, field));
    std::vector<db::Value> values;
    auto warnings = readAll(&values, c.field);
    ASSERT_EQ(warnings.size(), 1u) << lines(warnings);
    EXPECT_EQ(warnings[0].record, c.record);
    EXPECT_EQ(warnings[0].field, c.field);
    EXPECT_EQ(warnings[0].table, "PLANY.DB");
    EXPECT_TRUE(contains(warnings[0].text, c.text)) << warnings[0].text;
    if (!std::holds_alternative<db::Null>(c.read) || contains(c.text, "pust")) {
      EXPECT_EQ(values.at(static_cast<std::size_t>(c.record - 1)), c.read);
    }
    EXPECT_EQ(values.size(), static_cast<std::size_t>(kRows)) << "the rows after it are still read";
  }
}

// Alpha text ends at its first NUL, as the old engine read it; bytes left after that NUL are noted (an
// informational note, not a doubt about the value), NULs alone are not.
TEST_F(ReadWarnings, AlphaTextEndsAtItsFirstNul) {
  struct Case {
    const char* name;
    std::string stored;  // the field's 15 bytes
    db::Value read;
    std::string note;  // "" when nothing is noted
  };
  const std::vector<Case> cases = {
      {"13 NULs, then letters left from an earlier value", std::string(13, '\0') + "Fe", db::Null{},
       "tekst kończy się znakiem NUL na pozycji 1, po nim pole zawiera \"Fe\"; odczytano tekst do znaku "
       "NUL (pusty)"},
      {"text, a NUL, more text", std::string("ab\0cd\0\xB3", 7) + std::string(8, '\0'), std::string("ab"),
       "na pozycji 3, po nim pole zawiera \"cd\\0ł\""},
      {"text padded with NULs", std::string("ab") + std::string(13, '\0'), std::string("ab"), ""},
      {"text filling the field", std::string("abcdefghijklmno"), std::string("abcdefghijklmno"), ""},
  };
  const std::string clean = bytes_;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bytes_ = clean;
    bytes_.replace(at(4, 6), c.stored.size(), c.stored);
    std::vector<db::Value> values;
    const auto warnings = readAll(&values, "Nazwa");
    EXPECT_EQ(values.at(3), c.read);
    if (c.note.empty()) {
      EXPECT_TRUE(warnings.empty()) << lines(warnings);
      continue;
    }
    ASSERT_EQ(warnings.size(), 1u) << lines(warnings);
    EXPECT_EQ(warnings[0].record, 4);
    EXPECT_EQ(warnings[0].field, "Nazwa");
    EXPECT_TRUE(warnings[0].note);
    EXPECT_TRUE(contains(warnings[0].text, c.note)) << warnings[0].text;
  }
  // Any other doubt is no note.
  bytes_ = clean;
  put(at(7, 3), {0x85, 0x5D, 0x4A, 0x80});
  const auto warnings = readAll();
  ASSERT_EQ(warnings.size(), 1u) << lines(warnings);
  EXPECT_FALSE(warnings[0].note);
}

// The header's first-block pointer moved to block 2 (the damage behind a copy of 11 rows out of 50
// reported as success): the chain and the count are doubted for the table as a whole.
TEST_F(ReadWarnings, ABrokenChainAndAWrongRecordCountAreTableWide) {
  ASSERT_GT(header_.blocksInUse, 2);
  put(0x0E, {2, 0});
  std::vector<db::Value> ids;
  auto warnings = readAll(&ids);
  ASSERT_LT(ids.size(), static_cast<std::size_t>(kRows));
  const std::string held = std::to_string(ids.size());
  std::vector<std::string> texts;
  for (const auto& w : warnings) {
    EXPECT_EQ(w.record, 0) << w.text;
    EXPECT_EQ(w.field, "") << w.text;
    texts.push_back(w.text);
  }
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "blok 2 wskazuje jako poprzedni blok 1, a łańcuch doszedł do niego z bloku 0");
  EXPECT_TRUE(contains(
      texts[1], "łańcuch bloków przechodzi przez " + std::to_string(header_.blocksInUse - 1) + " bloków"))
      << texts[1];
  EXPECT_EQ(texts[2],
            "nagłówek podaje liczbę rekordów 60, a bloki zawierają " + held + "; odczytano " + held);

  // A count alone that disagrees (the blocks intact) is reported too.
  bytes_ = readBytes(db_);
  put(0x0E, {1, 0});
  put(0x06, {65, 0, 0, 0});
  warnings = readAll();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].text, "nagłówek podaje liczbę rekordów 65, a bloki zawierają 60; odczytano 60");
}

TEST_F(ReadWarnings, ManyAlikeAreSummedUpAfterTheFirstTwenty) {
  const std::size_t detailed = db::paradox::TableReader::kDetailedWarnings;
  for (int r = 1; r <= 25; ++r) bytes_[at(r, 1) + 16] = static_cast<char>(bytes_[at(r, 1) + 16] | 0x0F);
  auto warnings = readAll();
  ASSERT_EQ(warnings.size(), detailed + 1);
  for (std::size_t i = 0; i < detailed; ++i) EXPECT_EQ(warnings[i].record, static_cast<long>(i + 1));
  EXPECT_EQ(warnings.back().record, 0);
  EXPECT_EQ(warnings.back().field, "Kwota");
  EXPECT_EQ(warnings.back().text,
            "niepoprawne cyfry BCD także w 5 dalszych rekordach (wymieniono pierwsze 20)");
}

TEST_F(ReadWarnings, ClosingKeepsThemAndLocalSqlPassesThemOn) {
  put(0x06, {61, 0, 0, 0});
  writeBytes(db_, bytes_);
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("plany");
  t.open();
  t.close();
  auto warnings = t.takeWarnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(contains(warnings[0].text, "liczbę rekordów 61")) << warnings[0].text;

  for (const char* sql :
       {"select max(Id) from plany", "select count(*) from plany", "select Id from plany"}) {
    db::Query q;
    q.setDatabase(&database_);
    q.addSql(sql);
    q.open();
    warnings = q.takeWarnings();
    ASSERT_EQ(warnings.size(), 1u) << sql;
    EXPECT_TRUE(contains(warnings[0].text, "liczbę rekordów 61")) << sql;
  }
}

// A value read as null because its blob is lost must not be written back as null by an edit of another
// row: the table refuses the change and the file stays as it was.
TEST_F(ReadWarnings, ATableWithReplacedValuesRefusesChanges) {
  put(at(4, 5), {0x00, 0xFF, 0xFF, 0x7F});
  writeBytes(db_, bytes_);
  const std::string mbBefore = readBytes(mb_);
  db::Table t;
  t.setDatabase(&database_);
  t.setTableName("PLANY");
  t.open();
  ASSERT_TRUE(t.locate("Id", {std::int64_t{30}}, false));
  t.edit();
  t.fieldByName("Kwota").setValue(db::Decimal{1, 2});
  try {
    t.post();
    ADD_FAILURE() << "the change was written";
  } catch (const db::EngineError& e) {
    EXPECT_EQ(e.code(), db::errc::kCorrupt);
    EXPECT_TRUE(contains(e.what(), "uszkodzone wartości")) << e.what();
  }
  t.cancel();
  EXPECT_EQ(readBytes(db_), bytes_);
  EXPECT_EQ(readBytes(mb_), mbBefore);
  EXPECT_FALSE(t.takeWarnings().empty());
}

}  // namespace
