// The reader on real tables: values and nulls of every type, code pages, and damaged files.
#include "db/paradox/reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "db/error.h"
#include "db/paradox/dump.h"
#include "db/paradox/format.h"
#include "db/paradox/index.h"
#include "db/paradox/sha256.h"
#include "paradox_support.h"

using namespace paradox_test;
using db::EngineError;
using db::paradox::TableReader;
namespace errc = db::errc;

namespace {

std::vector<db::Row> readAll(TableReader& r) {
  std::vector<db::Row> rows(r.rowCount());
  for (std::size_t i = 0; i < rows.size(); ++i) r.readRow(i, rows[i]);
  return rows;
}

// Runs `f` and returns the engine error code it throws (0 when it throws nothing).
template <class F>
std::uint16_t errorCode(F&& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.code();
  }
  return 0;
}

TEST(Reader, NullsAreDistinctFromZeroForEveryType) {
  SKIP_WITHOUT_SAMPLES();
  auto r = TableReader::open(kSamples / "pxlib/TypSammlung.DB", 0);
  auto rows = readAll(*r);
  ASSERT_EQ(rows.size(), 5u);
  const db::Row& zeros = rows[3];  // "Null-Werte": zeros stored, not nulls
  EXPECT_EQ(std::get<double>(zeros[1]), 0.0);
  EXPECT_EQ(std::get<double>(zeros[2]), 0.0);
  EXPECT_EQ(std::get<std::int64_t>(zeros[3]), 0);
  EXPECT_EQ(std::get<std::int64_t>(zeros[4]), 0);
  EXPECT_EQ(std::get<db::Decimal>(zeros[5]).unscaled, 0);
  EXPECT_TRUE(db::isNull(zeros[6]));
  const db::Row& nulls = rows[1];  // "Erste Zeile": nothing but the key, a false and the counter
  for (int i : {2, 3, 4, 5, 6, 7, 8, 9, 12, 13}) EXPECT_TRUE(db::isNull(nulls[i])) << "field " << i;
  EXPECT_EQ(std::get<bool>(nulls[10]), false);
}

TEST(Reader, DatesTimesAndDecimalsAreExact) {
  SKIP_WITHOUT_SAMPLES();
  auto r = TableReader::open(kSamples / "pxlib/TypSammlung.DB", 0);
  auto rows = readAll(*r);
  EXPECT_EQ(std::get<db::Date>(rows[0][6]), db::dateFromYmd(1970, 1, 1));
  EXPECT_EQ(std::get<db::Time>(rows[4][7]).us, (11 * 3600 + 11 * 60 + 11) * 1000000LL);
  auto ts = std::get<db::DateTime>(rows[4][8]);
  EXPECT_EQ(ts.date, db::dateFromYmd(2003, 6, 10));
  EXPECT_EQ(ts.time.us, (11 * 3600 + 11 * 60 + 11) * 1000000LL);
  auto bcd = std::get<db::Decimal>(rows[2][5]);
  EXPECT_EQ(bcd.scale, 6);
  EXPECT_EQ(bcd.toString(), "13.123457");
  EXPECT_EQ(std::get<db::Decimal>(rows[4][5]).toString(), "-40.000000");
  // Day numbers below 1 exist in real tables: -0001-12-31 is the day before 0001-01-01 minus a year.
  EXPECT_EQ(std::get<db::Date>(rows[2][6]).day, db::dateFromYmd(1, 1, 1).day - 367);
}

TEST(Reader, EngineFieldTypes) {
  SKIP_WITHOUT_SAMPLES();
  auto r = TableReader::open(kSamples / "pxlib/TypSammlung.DB", 0);
  using db::FieldType;
  std::vector<FieldType> want = {
      FieldType::String,  FieldType::Float,   FieldType::Currency, FieldType::Smallint, FieldType::Integer,
      FieldType::BCD,     FieldType::Date,    FieldType::Time,     FieldType::DateTime, FieldType::Memo,
      FieldType::Boolean, FieldType::AutoInc, FieldType::Blob,     FieldType::Bytes};
  ASSERT_EQ(r->fieldDefs().size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(r->fieldDefs()[i].type, want[i]) << i;
  EXPECT_EQ(r->fieldDefs()[0].size, 30);
  EXPECT_EQ(r->fieldDefs()[5].scale, 6);
  EXPECT_EQ(r->fieldDefs()[0].number, 1);
}

TEST(Reader, CodePageFromHeaderAndOverride) {
  SKIP_WITHOUT_SAMPLES();
  auto r = TableReader::open(kSamples / "Rparadox/of_cp866.db", 0);
  EXPECT_EQ(r->codePage(), 866);
  EXPECT_EQ(r->header().fields[3].name, "Наименование");
  db::Row row;
  r->readRow(0, row);
  EXPECT_EQ(std::get<std::string>(row[3]), "АП-Т УЗТ-ПЕРЕНОСНОЙ");
  auto wrong = TableReader::open(kSamples / "Rparadox/of_cp866.db", 1251);
  wrong->readRow(0, row);
  EXPECT_NE(std::get<std::string>(row[3]), "АП-Т УЗТ-ПЕРЕНОСНОЙ");
}

TEST(Reader, TableWithoutCodePageReadsAsWindows1250) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto db = copyTable("paradoxdriver/areas/STATES.DB", dir.path());
  std::string bytes = readBytes(db);
  auto r0 = TableReader::open(db, 0);
  ASSERT_EQ(r0->header().codePage, 0);
  db::Row row;
  r0->readRow(0, row);
  const std::string first = std::get<std::string>(row[0]);
  // Put Polish letters (Windows-1250 bytes B9 and B3) into the first value of the first record.
  const std::size_t at = r0->header().headerSize + 6;
  bytes[at] = '\xB9';
  bytes[at + 1] = '\xB3';
  writeBytes(db, bytes);
  auto r = TableReader::open(db, 0);
  r->readRow(0, row);
  EXPECT_EQ(std::get<std::string>(row[0]).substr(0, 4), "ął");
  auto r852 = TableReader::open(db, 852);
  r852->readRow(0, row);
  EXPECT_EQ(std::get<std::string>(row[0]).substr(0, 6), "╣│");
}

TEST(CodePages, DecodeEachSupportedPage) {
  using db::paradox::CodePage;
  const unsigned char b[] = {0xA5, 0xE6};
  std::string s;
  CodePage::get(1250).toUtf8(s, b, 2);
  EXPECT_EQ(s, "Ąć");
  CodePage::get(1252).toUtf8(s, b, 2);
  EXPECT_EQ(s, "¥æ");
  CodePage::get(852).toUtf8(s, b, 2);
  EXPECT_EQ(s, "ąŠ");
  CodePage::get(437).toUtf8(s, b, 2);
  EXPECT_EQ(s, "Ñµ");
  CodePage::get(850).toUtf8(s, b, 2);
  EXPECT_EQ(s, "Ñµ");
  CodePage::get(866).toUtf8(s, b, 2);
  EXPECT_EQ(s, "ец");
  CodePage::get(1251).toUtf8(s, b, 2);
  EXPECT_EQ(s, "Ґж");
  const unsigned char gbk[] = {0xD6, 0xD0, 0xCE, 0xC4, 'x'};
  CodePage::get(936).toUtf8(s, gbk, 5);
  EXPECT_EQ(s, "中文x");
  // An unknown page falls back to Windows-1252.
  CodePage::get(12345).toUtf8(s, b, 2);
  EXPECT_EQ(s, "¥æ");
}

TEST(Reader, IndexDefinitionsBesideTheTable) {
  SKIP_WITHOUT_SAMPLES();
  auto r = TableReader::open(kSamples / "pxlib/TypSammlung.DB", 0);
  auto ix = db::paradox::readSecondaryIndexes(kSamples / "pxlib/TypSammlung.DB", r->header(), 0);
  ASSERT_EQ(ix.size(), 2u);
  EXPECT_EQ(ix[0].name, "Numerisch");
  EXPECT_EQ(ix[0].fields, std::vector<int>{1});
  EXPECT_TRUE(ix[0].caseSensitive);
  EXPECT_EQ(ix[1].name, "Zähler");
  auto rd = TableReader::open(kSamples / "paradoxdriver/joins/indexed.db", 0);
  auto named =
      db::paradox::readSecondaryIndexes(kSamples / "paradoxdriver/joins/indexed.db", rd->header(), 0);
  ASSERT_EQ(named.size(), 1u);
  EXPECT_EQ(named[0].name, "Descending");
  EXPECT_FALSE(named[0].caseSensitive);
  EXPECT_TRUE(named[0].descending.at(0));
}

TEST(Reader, EncryptedTableNeedsNoPassword) {
  SKIP_WITHOUT_SAMPLES();
  auto r = TableReader::open(kSamples / "paradoxdriver/encrypt/encrypted.db", 0);
  EXPECT_NE(r->header().encryption, 0u);
  db::Row row;
  r->readRow(3, row);
  EXPECT_EQ(std::get<std::string>(row[1]), "Last one");
}

TEST(Sha256, KnownVectors) {
  using db::paradox::sha256Hex;
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256Hex(std::string(1000, 'a')),
            "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

// ---- damaged files: an engine error, never a crash or a hang

TEST(Damaged, TruncatedTable) {
  SKIP_WITHOUT_SAMPLES();
  // An encrypted table cut short is no more readable than a plain one: zeros decrypted are no rows.
  for (const char* tabela : {"Rparadox/of_cp866.db", "paradoxdriver/encrypt/encrypted.db"}) {
    TempDir dir;
    auto db = copyTable(tabela, dir.path());
    std::string bytes = readBytes(db);
    for (std::size_t cut : {std::size_t{10}, std::size_t{100}, std::size_t{2047}, std::size_t{2048 + 3},
                            bytes.size() / 2 + 17}) {
      writeBytes(db, bytes.substr(0, cut));
      EXPECT_EQ(errorCode([&] {
                  auto r = TableReader::open(db, 0);
                  db::Row row;
                  for (std::size_t i = 0; i < r->rowCount(); ++i) r->readRow(i, row);
                }),
                errc::kCorrupt)
          << tabela << " cut at " << cut;
    }
  }
}

TEST(Damaged, FileEndingAfterItsLastRecordStillReads) {
  SKIP_WITHOUT_SAMPLES();
  // Real tables may stop inside their last block, right after the last record.
  TempDir dir;
  auto db = copyTable("Rparadox/of_cp866.db", dir.path());
  std::string bytes = readBytes(db);
  auto whole = TableReader::open(db, 0);
  db::Row last;
  whole->readRow(whole->rowCount() - 1, last);
  writeBytes(db, bytes.substr(0, bytes.size() - 1));
  auto cut = TableReader::open(db, 0);
  db::Row row;
  cut->readRow(cut->rowCount() - 1, row);
  EXPECT_EQ(row, last);
}

TEST(Damaged, BlockPointerOutOfRangeAndLoop) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto db = copyTable("Rparadox/of_cp866.db", dir.path());
  const std::string bytes = readBytes(db);
  auto r = TableReader::open(db, 0);
  const std::size_t block1 = r->header().headerSize;
  const std::size_t bs = r->header().blockSize;
  std::string bad = bytes;
  bad[block1] = '\xFF';  // next block 0x??FF, far past the end
  bad[block1 + 1] = '\x7F';
  writeBytes(db, bad);
  EXPECT_EQ(errorCode([&] { TableReader::open(db, 0); }), errc::kCorrupt);
  std::string loop = bytes;
  loop[block1 + bs] = 1;  // block 2 points back to block 1
  loop[block1 + bs + 1] = 0;
  writeBytes(db, loop);
  EXPECT_EQ(errorCode([&] { TableReader::open(db, 0); }), errc::kCorrupt);
  std::string self = bytes;
  self[block1] = 1;  // block 1 points to itself
  self[block1 + 1] = 0;
  writeBytes(db, self);
  EXPECT_EQ(errorCode([&] { TableReader::open(db, 0); }), errc::kCorrupt);
}

TEST(Damaged, BadHeaderValues) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto db = copyTable("pxlib/TypSammlung.DB", dir.path(), false);
  const std::string bytes = readBytes(db);
  struct Patch {
    std::size_t at;
    char value;
  };
  for (Patch p : {Patch{0x00, 0x01}, Patch{0x05, 0x07}, Patch{0x21, 0x7F}, Patch{0x22, '\x80'},
                  Patch{0x02, 0x10}, Patch{0x03, 0x7F}, Patch{0x78, 0x33}}) {
    std::string bad = bytes;
    bad[p.at] = p.value;
    writeBytes(db, bad);
    EXPECT_EQ(errorCode([&] { TableReader::open(db, 0); }), errc::kCorrupt) << "byte " << p.at;
  }
}

TEST(Damaged, MissingBlobFile) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto db = copyTable("paradoxdriver/fields/memo.db", dir.path(), false);
  auto r = TableReader::open(db, 0);
  db::Row row;
  EXPECT_EQ(errorCode([&] { r->readRow(0, row); }), errc::kNotFound);
  std::ostringstream out;
  std::vector<std::string> warnings;
  EXPECT_EQ(errorCode([&] { db::paradox::dumpTable(db, 0, out, warnings); }), errc::kNotFound);
}

TEST(Damaged, BlobReferencePastTheBlobFile) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto db = copyTable("paradoxdriver/fields/graphic240.db", dir.path());
  auto mb = dir.path() / "graphic240.mb";
  std::string blob = readBytes(mb);
  writeBytes(mb, blob.substr(0, 5000));
  auto r = TableReader::open(db, 0);
  db::Row row;
  EXPECT_EQ(errorCode([&] { r->readRow(0, row); }), errc::kCorrupt);
}

TEST(Damaged, IndexFileOfAnotherShape) {
  SKIP_WITHOUT_SAMPLES();
  TempDir dir;
  auto db = copyTable("paradoxdriver/joins/C.DB", dir.path());
  // Field number 9 does not exist in C.DB.
  auto x = dir.path() / "C.X02";
  std::string bytes = readBytes(x);
  auto src = db::paradox::memorySource(bytes);
  auto h = db::paradox::readHeader(*src, 0, "C.X02");
  ASSERT_FALSE(h.fieldNumbers.empty());
  auto r = TableReader::open(db, 0);
  std::size_t at = bytes.find(std::string("\x02\x00\x02\x00\x03\x00", 6));
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 9;
  writeBytes(x, bytes);
  EXPECT_EQ(errorCode([&] { db::paradox::readSecondaryIndexes(db, r->header(), 0); }), errc::kCorrupt);
}

}  // namespace
