// Tables written and read back through the reader: every type, nulls, text, levels, key order, blobs
// and encryption.
#include "writer_test_support.h"

using namespace writer_test;
using db::Bytes;
using db::Date;
using db::DateTime;
using db::Decimal;
using db::Null;
using db::Row;
using db::Time;
using db::Value;
namespace errc = db::errc;

namespace {

const std::string kPolish = "Zażółć gęślą jaźń";

TableSpec everyType() {
  TableSpec s;
  s.fields = {{"Alfa", 'A', 30},    {"Data", 'D'},      {"Krotka", 'S'},  {"Dluga", 'I'},
              {"Kwota", '$'},       {"Liczba", 'N'},    {"Logika", 'L'},  {"Memo", 'M', 20},
              {"Binarne", 'B', 10}, {"Fmemo", 'F', 10}, {"Ole", 'O', 10}, {"Grafika", 'G', 10},
              {"Czas", 'T'},        {"Stempel", '@'},   {"Licznik", '+'}, {"Bcd", '#', 2},
              {"Bajty", 'Y', 6}};
  return s;
}

Row fullRow() {
  return Row{kPolish,
             Date{45000},
             std::int64_t{-32767},
             std::int64_t{2147483647},
             1234.5,
             -0.1,
             true,
             std::string("krótka"),
             Bytes{std::string("\x00\x01\x02\xff", 4)},
             std::string("f"),
             Bytes{"ole"},
             Bytes{std::string(300, 'g')},
             Time{(13 * 3600 + 14 * 60 + 15) * 1'000'000LL + 678'000},
             DateTime{Date{-693593}, Time{1'000'000}},
             std::int64_t{7},
             Decimal{-1234567, 2},
             Bytes{std::string("\x01\x00\x02\x00\x00\x00", 6)}};  // a Bytes field is read at its full width
}

TEST(WriterRoundTrip, EveryTypeKeepsItsValueAndItsNull) {
  TempDir dir;
  const fs::path db = dir.path() / "WSZYSTKO.DB";
  TableSpec tdef = everyType();
  Row nulls(tdef.fields.size(), Null{});
  db::paradox::writeTable(db, tdef, {fullRow(), nulls});

  const auto rows = readBack(db);
  ASSERT_EQ(rows.size(), 2u);
  const Row expected = fullRow();
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(rows[0][i], expected[i]) << "field " << tdef.fields[i].name;
    EXPECT_TRUE(db::isNull(rows[1][i])) << "null of field " << tdef.fields[i].name;
  }
  const auto h = headerOf(db);
  EXPECT_EQ(h.codePage, 1250);
  EXPECT_EQ(h.version, 12);
  EXPECT_EQ(h.records, 2u);
  EXPECT_EQ(h.fields[0].name, "Alfa");
  EXPECT_EQ(h.fields[15].size, 2);  // BCD: decimals
  EXPECT_EQ(h.autoInc, 7u);
}

TEST(WriterRoundTrip, ValuesAtTheEdgesOfTheirRanges) {
  TempDir dir;
  const fs::path db = dir.path() / "GRANICE.DB";
  TableSpec tdef;
  tdef.fields = {{"S", 'S'}, {"I", 'I'}, {"N", 'N'}, {"D", 'D'}, {"T", 'T'}, {"B", '#', 0}, {"Z", '#', 32}};
  std::vector<Row> in = {
      {std::int64_t{32767}, std::int64_t{-2147483647}, 0.0, Date{-693593}, Time{0}, Decimal{0, 0},
       Decimal::parse("0.12345678901234567890123456789012")},
      {std::int64_t{0}, std::int64_t{0}, -0.0, Date{2958465}, Time{86'399'999'000},
       Decimal::parse("-99999999999999999999999999999999"),
       Decimal::parse("-0.00000000000000000000000000000001")},
      {std::int64_t{-1}, std::int64_t{1}, 1e300, Date{0}, Time{999}, Decimal{5, 0}, Decimal::parse("0.5")},
  };
  db::paradox::writeTable(db, tdef, in);
  const auto rows = readBack(db);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], in[0]);
  EXPECT_EQ(std::get<double>(rows[1][2]), 0.0);
  EXPECT_FALSE(std::signbit(std::get<double>(rows[1][2])));
  EXPECT_EQ(rows[1][3], in[1][3]);
  EXPECT_EQ(rows[1][4], in[1][4]);
  EXPECT_EQ(rows[1][5], in[1][5]);
  EXPECT_EQ(rows[1][6], in[1][6]);
  EXPECT_EQ(rows[2][4], Value{Time{0}});  // stored as milliseconds
  EXPECT_EQ(rows[2][6], in[2][6]);
  // With 32 decimals no integral digit is left.
  in[2][6] = Decimal{1, 0};
  EXPECT_EQ(errorCode([&] { db::paradox::writeTable(db, tdef, in); }), errc::kConversion);
}

TEST(WriterRoundTrip, TextInEveryWritableCodePage) {
  const std::vector<std::pair<int, std::string>> cases = {
      {1250, kPolish}, {852, kPolish}, {1252, "Größe ÀÉÎõü"}, {866, "Съешь же ещё"}, {437, "Ça ñ ü ß"}};
  for (const auto& [page, text] : cases) {
    TempDir dir;
    TableSpec tdef;
    tdef.codePage = page;
    tdef.fields = {{"Tekst", 'A', 40}, {"Notatka", 'M', 10}};
    db::paradox::writeTable(dir.path() / "T.DB", tdef, {{text, text + " " + text}});
    const auto rows = readBack(dir.path() / "T.DB");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(std::get<std::string>(rows[0][0]), text) << page;
    EXPECT_EQ(std::get<std::string>(rows[0][1]), text + " " + text) << page;
    EXPECT_EQ(headerOf(dir.path() / "T.DB").codePage, page);
  }
  // The bytes are the code page's, not UTF-8: "ż" is 0xBF in 1250.
  TempDir dir;
  TableSpec tdef;
  tdef.fields = {{"A", 'A', 5}};
  db::paradox::writeTable(dir.path() / "T.DB", tdef, {{std::string("ż")}});
  EXPECT_EQ(chainRecords(readBytes(dir.path() / "T.DB")).at(0), std::string("\xBF\0\0\0\0", 5));
}

TEST(WriterRoundTrip, OlderLevelsHoldTheirTypes) {
  struct Case {
    int level;
    std::uint8_t version;
    std::vector<FieldSpec> fields;
    Row row;
  };
  const std::vector<Case> cases = {
      {3,
       4,
       {{"A", 'A', 10}, {"N", 'N'}, {"S", 'S'}, {"D", 'D'}, {"K", '$'}},
       {std::string("abc"), 2.5, std::int64_t{-3}, Date{1}, 10.25}},
      {4,
       9,
       {{"A", 'A', 10}, {"M", 'M', 10}, {"B", 'B', 10}},
       {std::string("x"), std::string(50, 'm'), Bytes{"b"}}},
      {5,
       11,
       {{"I", 'I'}, {"L", 'L'}, {"C", '#', 4}, {"P", '+'}},
       {std::int64_t{5}, false, Decimal{12345, 4}, std::int64_t{3}}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    TableSpec tdef;
    tdef.level = c.level;
    tdef.codePage = 437;
    tdef.fields = c.fields;
    db::paradox::writeTable(dir.path() / "L.DB", tdef, {c.row});
    const auto h = headerOf(dir.path() / "L.DB");
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.codePage, c.level == 3 ? 0 : 437) << "level 3 declares no code page";
    const auto rows = readBack(dir.path() / "L.DB", 437);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], c.row) << "level " << c.level;
  }
  // A type the level does not know is refused.
  TableSpec tdef;
  tdef.level = 3;
  tdef.fields = {{"M", 'M', 10}};
  TempDir dir;
  EXPECT_EQ(errorCode([&] { db::paradox::writeTable(dir.path() / "L.DB", tdef, {}); }), errc::kNotSupported);
}

TEST(WriterRoundTrip, ManyFieldsNeedALargerHeader) {
  TempDir dir;
  TableSpec tdef;
  tdef.blockSizeKb = 4;
  Row row;
  for (int i = 0; i < 250; ++i) {
    tdef.fields.push_back({"Pole numer " + std::to_string(i) + " ąęłńóśźż", 'S'});
    row.push_back(std::int64_t{i - 125});
  }
  db::paradox::writeTable(dir.path() / "SZEROKA.DB", tdef, {row});
  const auto h = headerOf(dir.path() / "SZEROKA.DB");
  EXPECT_GT(h.headerSize, 2048);
  EXPECT_EQ(h.headerSize % 2048, 0);
  EXPECT_EQ(h.fields.back().name, "Pole numer 249 ąęłńóśźż");
  EXPECT_EQ(h.sortOrderName, "anpolish");
  EXPECT_EQ(readBack(dir.path() / "SZEROKA.DB").at(0), row);
}

TEST(WriterRoundTrip, KeyedRowsComeBackInKeyOrder) {
  TempDir dir;
  TableSpec tdef;
  tdef.fields = {{"Grupa", 'A', 10}, {"Numer", 'N'}, {"Opis", 'A', 10}};
  tdef.keyFields = 2;
  std::vector<Row> in = {
      {std::string("b"), 2.0, std::string("4")},   {std::string("a"), 10.0, std::string("2")},
      {std::string("a"), -5.5, std::string("1")},  {std::string("ą"), 0.0, std::string("6")},
      {std::string("b"), -1.0, std::string("3")},  {Null{}, 3.0, std::string("0")},
      {std::string("ab"), 1.0, std::string("2b")}, {std::string("a"), 1e9, std::string("2c")},
  };
  db::paradox::writeTable(dir.path() / "K.DB", tdef, in);
  std::vector<std::string> order;
  for (const Row& r : readBack(dir.path() / "K.DB")) order.push_back(std::get<std::string>(r[2]));
  // Blank first, then text by code-page bytes ("ą" is 0xB9 in 1250), numbers numerically within.
  EXPECT_EQ(order, (std::vector<std::string>{"0", "1", "2", "2c", "2b", "3", "4", "6"}));
  EXPECT_EQ(headerOf(dir.path() / "K.DB").keyFields, 2);
  EXPECT_EQ(headerOf(dir.path() / "K.DB").fileType, 0);
}

TEST(WriterRoundTrip, DuplicateKeyIsRefusedAndTheOldTableStays) {
  TempDir dir;
  TableSpec tdef;
  tdef.fields = {{"Id", 'I'}, {"Nazwa", 'A', 10}};
  tdef.keyFields = 1;
  db::paradox::writeTable(dir.path() / "K.DB", tdef, {{std::int64_t{1}, std::string("x")}});
  const std::string before = readBytes(dir.path() / "K.DB");
  EXPECT_EQ(errorCode([&] {
              db::paradox::writeTable(
                  dir.path() / "K.DB", tdef,
                  {{std::int64_t{2}, std::string("a")}, {std::int64_t{2}, std::string("b")}});
            }),
            errc::kKeyViolation);
  EXPECT_EQ(readBytes(dir.path() / "K.DB"), before);
  EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"K.DB", "K.PX"}));
}

TEST(WriterRoundTrip, BlobsInRecordSubAllocatedAndInTheirOwnBlocks) {
  TempDir dir;
  const fs::path db = dir.path() / "BLOBY.DB";
  TableSpec tdef;
  tdef.fields = {{"Nr", 'S'}, {"Memo", 'M', 30}, {"Obraz", 'G', 10}};
  std::string large(20000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7);
  std::vector<Row> in;
  in.push_back({std::int64_t{1}, std::string("krótki"), Null{}});  // stays in the record
  in.push_back(
      {std::int64_t{2}, std::string(500, 'x') + "ż", Bytes{std::string(100, 'p')}});  // sub-allocated
  in.push_back({std::int64_t{3}, std::string(5000, 'y'), Bytes{large}});              // blocks of their own
  for (int i = 0; i < 70; ++i)
    in.push_back({std::int64_t{10 + i}, std::string(40 + i, 'a' + i % 26), Null{}});
  db::paradox::writeTable(db, tdef, in);

  const auto rows = readBack(db);
  ASSERT_EQ(rows.size(), in.size());
  for (std::size_t i = 0; i < in.size(); ++i) EXPECT_EQ(rows[i], in[i]) << "row " << i;

  const std::string dbBytes = readBytes(db), mb = readBytes(dir.path() / "BLOBY.MB");
  const auto recs = chainRecords(dbBytes);
  // Row 1: reference 0, the text in the leader.
  EXPECT_EQ(u32(recs[0], 2 + 20), 0u);
  EXPECT_EQ(recs[0].substr(2, 7), std::string("kr\xF3tki\0", 7));
  // Row 2: a sub-allocated block (type 3) entry; the leader holds the first 20 bytes.
  const std::uint32_t ref2 = u32(recs[1], 2 + 20);
  EXPECT_EQ(byteAt(mb, ref2 & ~0xFFu), 3u);
  EXPECT_NE(ref2 & 0xFFu, 0xFFu);
  EXPECT_EQ(u32(recs[1], 2 + 24), 501u);
  EXPECT_EQ(recs[1].substr(2, 20), std::string(20, 'x'));
  // Row 3: type-2 blocks, 5 units of 4 KiB for the picture.
  const std::uint32_t ref3 = u32(recs[2], 32 + 0);
  EXPECT_EQ(ref3 & 0xFFu, 0xFFu);
  EXPECT_EQ(byteAt(mb, ref3 & ~0xFFu), 2u);
  EXPECT_EQ(u16(mb, (ref3 & ~0xFFu) + 1), 5u);
  EXPECT_EQ(u32(mb, (ref3 & ~0xFFu) + 3), 20000u);
  EXPECT_EQ(mb.size() % 4096, 0u);
  EXPECT_EQ(byteAt(mb, 0), 0u);  // header block
  // More than 64 small blobs need a second sub-allocated block.
  int shared = 0;
  for (std::size_t off = 4096; off < mb.size(); off += 4096)
    if (byteAt(mb, off) == 3) ++shared;
  EXPECT_GE(shared, 2);
}

TEST(WriterRoundTrip, EncryptedTableReadsBackWithoutPassword) {
  TempDir dir;
  const fs::path db = dir.path() / "TAJNE.DB";
  TableSpec tdef;
  tdef.fields = {{"Id", 'I'}, {"Tekst", 'A', 20}, {"Memo", 'M', 10}};
  tdef.keyFields = 1;
  tdef.password = "hasło";
  tdef.blockSizeKb = 1;
  std::vector<Row> in;
  for (int i = 0; i < 8000; ++i)
    in.push_back(
        {std::int64_t{i}, std::string("wiersz ") + std::to_string(i), std::string(20 + i % 300, 'm')});
  db::paradox::writeTable(db, tdef, in);

  const auto h = headerOf(db);
  EXPECT_EQ(h.rawEncryption, 0xFF00FF00u);
  EXPECT_NE(h.encryption, 0u);
  EXPECT_GT(h.blocksInUse, 255) << "block numbers past 255 exercise the cipher's wrap-around";
  EXPECT_EQ(readBytes(db).find("wiersz 1"), std::string::npos) << "data must not be stored in clear";
  EXPECT_EQ(readBytes(dir.path() / "TAJNE.MB").find("mmmmmmmm"), std::string::npos);
  EXPECT_EQ(readBack(db), in);

  // A given key is written as it is, so a rewritten table keeps its encryption.
  TableSpec again = tdef;
  again.password.clear();
  again.encryption = h.encryption;
  db::paradox::writeTable(db, again, in);
  EXPECT_EQ(headerOf(db).encryption, h.encryption);
  EXPECT_EQ(readBack(db), in);

  again.password = "x";
  EXPECT_EQ(errorCode([&] { db::paradox::writeTable(db, again, in); }), errc::kNotSupported);
}

TEST(WriterRoundTrip, LevelThreeCarriesTheKeyInTheMainWord) {
  TempDir dir;
  TableSpec tdef;
  tdef.level = 3;
  tdef.fields = {{"A", 'A', 8}};
  tdef.encryption = 0x12345678u;
  db::paradox::writeTable(dir.path() / "S.DB", tdef, {{std::string("tajne")}});
  const auto h = headerOf(dir.path() / "S.DB");
  EXPECT_EQ(h.rawEncryption, 0x12345678u);
  EXPECT_EQ(readBack(dir.path() / "S.DB").at(0).at(0), Value{std::string("tajne")});
}

}  // namespace
