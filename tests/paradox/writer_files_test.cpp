// The files a written table consists of: primary and secondary indexes, headers beside real ones,
// refusals that leave an existing table alone, replacement, and speed.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "db/paradox/index.h"
#include "writer_test_support.h"

using namespace writer_test;
using db::Null;
using db::Row;
namespace errc = db::errc;

namespace {

std::vector<Row> numberedRows(int n) {
  std::vector<Row> rows;
  for (int i = 0; i < n; ++i)
    rows.push_back({std::int64_t{(i * 7919) % n}, std::string("n") + std::to_string(i % 13), double(i % 5)});
  return rows;
}

TableSpec numberedSpec() {
  TableSpec s;
  s.fields = {{"Id", 'I'}, {"Nazwa", 'A', 12}, {"Kwota", 'N'}};
  s.keyFields = 1;
  return s;
}

// Walks a B-tree file from its root and returns the leaf entries in order, checking on the way that
// every upper entry carries the first key of the block it points to and the count of its entries.
std::vector<std::string> treeLeaves(const std::string& px, std::size_t keyLength) {
  const std::uint16_t recSize = u16(px, 0), headerSize = u16(px, 2);
  const std::size_t blockSize = byteAt(px, 5) * 1024u;
  EXPECT_EQ(recSize, keyLength + 6);
  auto entries = [&](std::uint16_t block) {
    const std::string b = px.substr(headerSize + (block - 1) * blockSize, blockSize);
    const int n = static_cast<std::int16_t>(u16(b, 4)) / recSize + 1;
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(b.substr(6 + i * recSize, recSize));
    return out;
  };
  auto sval = [](const std::string& e, std::size_t at) {
    return (static_cast<unsigned char>(e[at]) << 8 | static_cast<unsigned char>(e[at + 1])) ^ 0x8000;
  };
  std::vector<std::string> leaves;
  std::function<void(std::uint16_t, int)> walk = [&](std::uint16_t block, int level) {
    for (const std::string& e : entries(block)) {
      if (level == 1) {
        leaves.push_back(e);
        continue;
      }
      const auto child = static_cast<std::uint16_t>(sval(e, keyLength));
      const auto below = entries(child);
      EXPECT_EQ(e.substr(0, keyLength), below.front().substr(0, keyLength));
      EXPECT_EQ(sval(e, keyLength + 2), static_cast<int>(below.size()));
      walk(child, level - 1);
    }
  };
  walk(u16(px, 0x1E), byteAt(px, 0x20));
  return leaves;
}

TEST(WriterFiles, PrimaryIndexPointsAtEveryDataBlockInOrder) {
  for (int n : {1, 40, 5000}) {
    TempDir dir;
    TableSpec tdef = numberedSpec();
    tdef.blockSizeKb = 1;
    db::paradox::writeTable(dir.path() / "P.DB", tdef, numberedRows(n));
    const std::string table = readBytes(dir.path() / "P.DB"), px = readBytes(dir.path() / "P.PX");
    EXPECT_EQ(byteAt(px, 4), 1u);
    EXPECT_EQ(u16(px, 0x21), 1u) << "key fields";
    EXPECT_EQ(u16(px, 2), 2048u);
    if (n == 5000) {
      EXPECT_GE(byteAt(px, 0x20), 2u) << "many blocks need more than one index level";
    }

    // Leaf entry b: first key of data block b+1, its number and its record count.
    const std::size_t recSize = u16(table, 0), blockSize = 1024, headerSize = u16(table, 2);
    const auto leaves = treeLeaves(px, 4);
    ASSERT_EQ(leaves.size(), u16(table, 0x0A));
    std::uint32_t total = 0;
    std::string lastKey;
    for (std::size_t b = 0; b < leaves.size(); ++b) {
      const std::string block = table.substr(headerSize + b * blockSize, blockSize);
      EXPECT_EQ(leaves[b].substr(0, 4), block.substr(6, 4));
      EXPECT_EQ((byteAt(leaves[b], 4) << 8 | byteAt(leaves[b], 5)) ^ 0x8000, static_cast<unsigned>(b + 1));
      const unsigned count = (byteAt(leaves[b], 6) << 8 | byteAt(leaves[b], 7)) ^ 0x8000;
      EXPECT_EQ(count, static_cast<std::int16_t>(u16(block, 4)) / recSize + 1);
      EXPECT_GT(leaves[b].substr(0, 4), lastKey);
      lastKey = leaves[b].substr(0, 4);
      total += count;
    }
    EXPECT_EQ(total, static_cast<std::uint32_t>(n));
  }
}

TEST(WriterFiles, SecondaryIndexesAreFoundAndMatchTheRows) {
  TempDir dir;
  const fs::path db = dir.path() / "S.DB";
  TableSpec tdef = numberedSpec();
  tdef.secondary = {{"", {"Kwota"}, true}, {"PoNazwie", {"Nazwa", "Id"}, false}};
  std::vector<Row> rows = numberedRows(300);
  rows[5][1] = std::string("ŻABA");
  rows[6][1] = std::string("żaba");
  db::paradox::writeTable(db, tdef, rows);
  EXPECT_TRUE(fs::exists(dir.path() / "S.X03"));
  EXPECT_TRUE(fs::exists(dir.path() / "S.Y03"));
  EXPECT_TRUE(fs::exists(dir.path() / "S.XG0"));
  EXPECT_TRUE(fs::exists(dir.path() / "S.YG0"));

  const auto table = headerOf(db);
  const auto found = db::paradox::readSecondaryIndexes(db, table, 0);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].fields, std::vector<int>{2});
  EXPECT_TRUE(found[0].caseSensitive);
  EXPECT_FALSE(found[0].composite);
  EXPECT_EQ(found[1].name, "PoNazwie");
  EXPECT_EQ(found[1].fields, (std::vector<int>{1, 0}));
  EXPECT_FALSE(found[1].caseSensitive);

  // Every index record holds the values of the table row it locates, in index order.
  const auto tableRecs = chainRecords(readBytes(db));
  const auto xg = chainRecords(readBytes(dir.path() / "S.XG0"));
  ASSERT_EQ(xg.size(), tableRecs.size());
  std::string prev;
  for (const std::string& x : xg) {
    const std::string values = x.substr(0, 16);
    const unsigned tup =
        ((byteAt(x, 16) << 24 | byteAt(x, 17) << 16 | byteAt(x, 18) << 8 | byteAt(x, 19)) ^ 0x80000000u);
    const unsigned blk = (byteAt(x, 20) << 8 | byteAt(x, 21)) ^ 0x8000;
    const unsigned off = (byteAt(x, 22) << 8 | byteAt(x, 23)) ^ 0x8000;
    const std::size_t perBlock = (2048 - 6) / 24;
    ASSERT_GE(tup, 1u);
    EXPECT_EQ(blk, (tup - 1) / perBlock + 1);
    EXPECT_EQ(off, ((tup - 1) % perBlock) * 24);
    const std::string& row = tableRecs[tup - 1];
    EXPECT_EQ(values, row.substr(4, 12) + row.substr(0, 4));
    // Case is ignored: compare the capitals (ASCII here, plus Ż/ż = 0xAF/0xBF in 1250).
    std::string folded = values.substr(0, 12);
    for (char& c : folded) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (static_cast<unsigned char>(c) == 0xBF) c = static_cast<char>(0xAF);
    }
    EXPECT_LE(prev, folded + values.substr(12));
    prev = folded + values.substr(12);
  }
  const auto y = treeLeaves(readBytes(dir.path() / "S.YG0"), 16 + 6);
  EXPECT_EQ(y.front().substr(0, 22), xg.front().substr(0, 22));
}

TEST(WriterFiles, HeadersLookLikeRealTablesOfTheSameLevel) {
  SKIP_WITHOUT_SAMPLES();
  struct Case {
    int level;
    const char* sample;
  };
  for (const Case& c :
       {Case{7, "pxlib/TypSammlung.DB"}, Case{5, "paradoxdriver/fields/date7.db"},
        Case{4, "paradoxdriver/fields/date4.db"}, Case{3, "paradoxdriver/fields/date35.db"}}) {
    const std::string real = readBytes(kSamples / c.sample);
    TempDir dir;
    TableSpec tdef;
    tdef.level = c.level;
    tdef.codePage = 1252;
    tdef.fields = {{"DATE", 'D'}, {"TEKST", 'A', 10}};
    tdef.keyFields = byteAt(real, 4) == 0 ? 1 : 0;
    db::paradox::writeTable(dir.path() / "H.DB", tdef, {{db::Date{1}, std::string("a")}});
    const std::string ours = readBytes(dir.path() / "H.DB");
    SCOPED_TRACE(c.sample);
    for (std::size_t at : {0x02, 0x04, 0x05, 0x39})
      EXPECT_EQ(byteAt(ours, at), byteAt(real, at)) << "offset " << at;
    for (std::size_t at : {0x25, 0x26, 0x27, 0x28, 0x3C, 0x3D, 0x3E, 0x3F, 0x56})
      EXPECT_EQ(byteAt(ours, at), byteAt(real, at)) << "offset " << at;
    if (c.level >= 4) {
      for (std::size_t at = 0x58; at < 0x5C; ++at)
        EXPECT_EQ(byteAt(ours, at), byteAt(real, at)) << "offset " << at;
      EXPECT_EQ(byteAt(ours, 0x6C), byteAt(real, 0x6C));
      EXPECT_EQ(u16(ours, 0x64), u16(ours, 0x21) + 1);
      // The offsets in the extension lead to the field numbers and the sort-order name.
      EXPECT_EQ(u16(ours, 0x58 + u16(ours, 0x66)), 1u);
      EXPECT_EQ(ours.substr(0x58 + u16(ours, 0x6E), 9), std::string("ANSIINTL\0", 9));
      EXPECT_EQ(u16(ours, 0x51), 0x58 + u16(ours, 0x6E) + 9) << "end of the used header";
    } else {
      EXPECT_EQ(byteAt(ours, 0x29), byteAt(real, 0x29)) << "no sort order at level 3";
    }
    // Descriptors and the file's own name where the real one has them.
    const std::size_t var = c.level >= 4 ? 0x78 : 0x58;
    EXPECT_EQ(byteAt(ours, var), 0x02u);
    EXPECT_EQ(byteAt(ours, var + 1), 4u);
    EXPECT_EQ(ours.substr(var + 4 + 4 + 8, 5), std::string("H.DB\0", 5));
    EXPECT_EQ(headerOf(dir.path() / "H.DB").fields[1].name, "TEKST");
  }
}

TEST(WriterFiles, InvalidSpecsAreRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  const fs::path db = dir.path() / "Z.DB";
  auto refused = [&](TableSpec tdef, std::vector<Row> rows = {}) {
    return errorCode([&] { db::paradox::writeTable(db, tdef, rows); });
  };
  TableSpec ok;
  ok.fields = {{"A", 'A', 10}, {"M", 'M', 10}, {"N", 'N'}};
  ok.keyFields = 1;
  auto with = [&](auto change) {
    TableSpec s = ok;
    change(s);
    return s;
  };
  EXPECT_EQ(refused(with([](TableSpec& s) { s.fields[0].type = 'Q'; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.fields[0].size = 0; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.fields[0].size = 256; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.fields[1].size = 5; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.keyFields = 2; })), errc::kNotSupported) << "blob in the key";
  EXPECT_EQ(refused(with([](TableSpec& s) { s.keyFields = 9; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.level = 6; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.blockSizeKb = 5; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.codePage = 65001; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.fields[2].name = "a"; })), errc::kNotSupported)
      << "duplicate name";
  EXPECT_EQ(refused(with([](TableSpec& s) { s.fields[2].name = std::string(26, 'n'); })),
            errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.fields[2].name = "名"; })), errc::kConversion);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.secondary = {{"", {"Nic"}, true}}; })), errc::kNotFound);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.secondary = {{"", {"A", "N"}, true}}; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) { s.secondary = {{"I", {"M"}, true}}; })), errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) {
              s.level = 3;
              s.fields[1].type = 'N';
              s.secondary = {{"", {"N"}, true}};
            })),
            errc::kNotSupported);
  EXPECT_EQ(refused(with([](TableSpec& s) {
              s.fields = {{"A", 'A', 255}, {"B", 'A', 255}, {"C", 'A', 255}, {"D", 'A', 255}, {"E", 'A', 255},
                          {"F", 'A', 255}, {"G", 'A', 255}, {"H", 'A', 255}, {"I", 'A', 255}};
            })),
            errc::kNotSupported)
      << "record larger than a block";
  EXPECT_TRUE(listDir(dir.path()).empty());
}

// 104-byte records: 19 a 2 KiB block, 39 a 4 KiB block, 315 a 32 KiB block; a file has 65,535 blocks.
TEST(WriterFiles, BlockSizeIsTheSmallestThatHoldsTheRows) {
  struct Case {
    int level;
    std::uint64_t rows;
    int kb;
  };
  const Case cases[] = {
      {7, 1000, 2},     {7, 2000000, 4}, {7, 20000000, 32},
      {7, 30000000, 2},                   // more than any block size holds: as given, and the writer says why
      {5, 2000000, 4},  {5, 5000000, 2},  // level 5 has no blocks above 4 KiB
  };
  for (const Case& c : cases) {
    TableSpec t;
    t.level = c.level;
    t.fields = {{"ID", 'I', 0}, {"T", 'A', 100}};
    EXPECT_EQ(db::paradox::blockSizeKbFor(t, c.rows), c.kb)
        << "level " << c.level << ", " << c.rows << " rows";
  }
}

TEST(WriterFiles, BadValuesFailAndLeaveTheExistingTableIntact) {
  TempDir dir;
  const fs::path db = dir.path() / "W.DB";
  TableSpec tdef;
  tdef.fields = {{"Id", 'S'}, {"Tekst", 'A', 5}, {"Memo", 'M', 10}, {"Bcd", '#', 1}};
  tdef.secondary = {{"", {"Tekst"}, true}};
  db::paradox::writeTable(db, tdef, {{std::int64_t{1}, std::string("stary"), std::string(100, 'o'), Null{}}});
  std::map<std::string, std::string> before;
  for (const auto& name : listDir(dir.path())) before[name] = readBytes(dir.path() / name);

  const std::vector<std::pair<Row, std::uint16_t>> bad = {
      {{std::int64_t{40000}, Null{}, Null{}, Null{}}, errc::kConversion},      // out of range
      {{std::int64_t{-32768}, Null{}, Null{}, Null{}}, errc::kConversion},     // would read as null
      {{std::string("1"), Null{}, Null{}, Null{}}, errc::kConversion},         // wrong type
      {{Null{}, std::string("za długi"), Null{}, Null{}}, errc::kConversion},  // too long
      {{Null{}, std::string("名"), Null{}, Null{}}, errc::kConversion},        // not in 1250
      {{Null{}, std::string("\xC3"), Null{}, Null{}}, errc::kConversion},      // not UTF-8
      {{Null{}, Null{}, std::string("ok") + "\xE2\x82", Null{}}, errc::kConversion},
      {{Null{}, Null{}, Null{}, db::Decimal{125, 2}}, errc::kConversion},  // would be rounded
      {{Null{}, Null{}, Null{}}, errc::kConversion},                       // too few values
  };
  for (const auto& [row, code] : bad) {
    // The bad row comes after good ones with blobs, so that files are already being written.
    std::vector<Row> rows(
        50, Row{std::int64_t{2}, std::string("nowy"), std::string(3000, 'n'), db::Decimal{5, 1}});
    rows.push_back(row);
    EXPECT_EQ(errorCode([&] { db::paradox::writeTable(db, tdef, rows); }), code);
    for (const auto& [name, bytes] : before) EXPECT_EQ(readBytes(dir.path() / name), bytes) << name;
    EXPECT_EQ(listDir(dir.path()).size(), before.size()) << "no temporary file may stay behind";
  }
}

TEST(WriterFiles, UnwritableOrMissingDirectoryIsAnError) {
  TempDir dir;
  TableSpec tdef;
  tdef.fields = {{"A", 'A', 5}};
  EXPECT_EQ(errorCode([&] { db::paradox::writeTable(dir.path() / "brak" / "T.DB", tdef, {}); }),
            errc::kNotFound);
  EXPECT_EQ(errorCode([&] { db::paradox::writeTable(dir.path() / "T.TXT", tdef, {}); }), errc::kNotSupported);
  // A directory we may not write into (skipped for a superuser, who may write anywhere).
  const fs::path locked = dir.path() / "zamkniety";
  fs::create_directory(locked);
  ::chmod(locked.c_str(), 0555);
  if (::geteuid() != 0) {
    EXPECT_EQ(errorCode([&] { db::paradox::writeTable(locked / "T.DB", tdef, {{std::string("a")}}); }),
              errc::kIo);
    EXPECT_TRUE(listDir(locked).empty());
  }
  ::chmod(locked.c_str(), 0755);
  // /proc takes no new files, whoever asks.
  if (fs::is_directory("/proc")) {
    EXPECT_EQ(errorCode([&] { db::paradox::writeTable("/proc/T.DB", tdef, {{std::string("a")}}); }),
              errc::kIo);
  }
}

TEST(WriterFiles, ReplacementRemovesFilesTheNewTableNoLongerUses) {
  TempDir dir;
  TableSpec tdef;
  tdef.fields = {{"Id", 'I'}, {"Memo", 'M', 10}};
  tdef.keyFields = 1;
  tdef.secondary = {{"", {"Memo"}, true}};
  EXPECT_NE(errorCode([&] { db::paradox::writeTable(dir.path() / "R.db", tdef, {}); }), 0) << "blob index";
  tdef.secondary.clear();
  db::paradox::writeTable(dir.path() / "R.db", tdef, {{std::int64_t{1}, std::string(200, 'x')}});
  EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"R.db", "R.mb", "R.px"}));
  writeBytes(dir.path() / "R.X02", "stale index");  // left by another program, in another case
  writeBytes(dir.path() / "R.VAL", "checks");

  TableSpec plain;
  plain.fields = {{"Id", 'I'}, {"Nazwa", 'A', 5}};
  db::paradox::writeTable(dir.path() / "R.db", plain, {{std::int64_t{1}, std::string("a")}});
  EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"R.VAL", "R.db"}));
  EXPECT_EQ(readBack(dir.path() / "R.db").size(), 1u);
}

TEST(WriterFiles, AKilledWriteLeavesTheOldOrTheNewTable) {
  TempDir dir;
  const fs::path db = dir.path() / "P.DB";
  TableSpec tdef = numberedSpec();
  tdef.fields.push_back({"Uwagi", 'M', 10});
  tdef.secondary = {{"", {"Kwota"}, true}};
  auto withMemo = [](std::vector<Row> rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].push_back(std::string(20 + i % 200, 'u'));
    return rows;
  };
  db::paradox::writeTable(db, tdef, withMemo(numberedRows(100)));
  const std::vector<Row> next = withMemo(numberedRows(100000));
  // Runs the write in a child process and kills it after `delay` (never when negative); returns the time
  // the child lived.
  auto runChild = [&](std::chrono::milliseconds delay) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
      try {
        db::paradox::writeTable(db, tdef, next);
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    EXPECT_GT(child, 0);
    if (delay.count() >= 0) {
      std::this_thread::sleep_for(delay);
      ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return std::chrono::steady_clock::now() - start;
  };
  // A first, complete run tells how long a write takes; kills then land at fractions of that time.
  const auto full =
      std::chrono::duration_cast<std::chrono::milliseconds>(runChild(std::chrono::milliseconds(-1)));
  ASSERT_EQ(readBack(db).size(), next.size());
  db::paradox::writeTable(db, tdef, withMemo(numberedRows(100)));
  bool leftBehind = false;
  for (int percent : {40, 60, 80, 95}) {
    runChild(full * percent / 100);
    leftBehind = leftBehind || listDir(dir.path()).size() > 5;
    const auto rows = readBack(db);  // blobs included, without a warning
    EXPECT_TRUE(rows.size() == 100 || rows.size() == next.size())
        << rows.size() << " rows, killed at " << percent << "%";
  }
  EXPECT_TRUE(leftBehind) << "no kill hit a write in progress";
  // The next write completes and clears what the killed ones left behind.
  db::paradox::writeTable(db, tdef, withMemo(numberedRows(10)));
  EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"P.DB", "P.MB", "P.PX", "P.X03", "P.Y03"}));
  EXPECT_EQ(readBack(db).size(), 10u);
}

TEST(WriterFiles, AFixedTimeStampGivesTheSameBytes) {
  TableSpec tdef = numberedSpec();
  tdef.fields.push_back({"Uwagi", 'M', 10});
  tdef.secondary = {{"", {"Kwota"}, true}, {"Nazwy", {"Nazwa"}, false}};
  tdef.password = "tajne";
  tdef.timeStamp = 1711640520u;
  std::vector<Row> rows = numberedRows(500);
  for (Row& r : rows) r.push_back(std::string(300, 'u'));
  TempDir a, b;
  db::paradox::writeTable(a.path() / "T.DB", tdef, rows);
  db::paradox::writeTable(b.path() / "T.DB", tdef, rows);
  ASSERT_EQ(listDir(a.path()), listDir(b.path()));
  for (const auto& name : listDir(a.path()))
    EXPECT_EQ(readBytes(a.path() / name), readBytes(b.path() / name)) << name;
  EXPECT_EQ(u32(readBytes(a.path() / "T.DB"), 0x60), 1711640520u);
}

TEST(WriterFiles, AMillionRowsTakeSeconds) {
  TempDir dir;
  TableSpec tdef;
  tdef.fields = {{"Id", 'I'},   {"Nazwa", 'A', 20}, {"Kwota", '$'},
                 {"Data", 'D'}, {"Ilosc", 'S'},     {"Znak", 'L'}};
  tdef.keyFields = 1;
  const int n = 1'000'000;
  std::vector<Row> rows;
  rows.reserve(n);
  for (int i = 0; i < n; ++i)
    rows.push_back({std::int64_t{n - i}, std::string("pozycja ") + std::to_string(i), i * 0.01,
                    db::Date{i % 40000}, std::int64_t{i % 1000}, i % 2 == 0});
  const auto start = std::chrono::steady_clock::now();
  db::paradox::writeTable(dir.path() / "DUZA.DB", tdef, std::move(rows));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 30.0);
  auto r = db::paradox::TableReader::open(dir.path() / "DUZA.DB", 0);
  ASSERT_EQ(r->rowCount(), static_cast<std::size_t>(n));
  Row first, last;
  r->readRow(0, first);
  r->readRow(n - 1, last);
  EXPECT_EQ(first[0], db::Value{std::int64_t{1}});
  EXPECT_EQ(last[0], db::Value{std::int64_t{n}});
}

}  // namespace
