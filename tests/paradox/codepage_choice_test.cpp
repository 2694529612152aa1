// The code page of a table's text: the header's, else its language driver's, else the default; and the
// decoding of text, plain ASCII or not.
#include <gtest/gtest.h>

#include <sstream>

#include "db/paradox/codepage.h"
#include "db/paradox/dump.h"
#include "db/paradox/langdriver.h"
#include "db/paradox/reader.h"
#include "db/paradox/writer.h"
#include "paradox_support.h"

using namespace paradox_test;
using db::paradox::CodePageChoice;
using Source = db::paradox::CodePageChoice::Source;

namespace {

// Tables written in one code page under a language driver, then with the header's code page word
// cleared (0x6A), as tables of other installations come: the driver alone must lead to the page.
TEST(CodePageChoice, FromTheHeaderElseTheLanguageDriverElseTheDefault) {
  struct Case {
    const char* what;
    int level;
    int writtenIn;       // the page the writer encodes the text with
    const char* driver;  // "" = the writer's usual one for the page (levels 4+), none at level 3
    int sortOrder;       // -1 = the writer's usual byte
    bool clearHeaderPage;
    int overridePage;
    int want;
    Source source;
    const char* text;  // the value and field name as they must read
  };
  const std::vector<Case> cases = {
      {"header page", 7, 866, "cyrr", -1, false, 0, 866, Source::Header, "Имя"},
      {"Cyrillic driver", 7, 866, "cyrr", -1, true, 0, 866, Source::LanguageDriver, "Имя"},
      {"Cyrillic ANSI driver", 5, 1251, "ancyrr", 143, true, 0, 1251, Source::LanguageDriver, "Имя"},
      {"Western European driver", 7, 1252, "DBWINWE0", 64, true, 0, 1252, Source::LanguageDriver, "Crème"},
      {"driver name in another case", 7, 1252, "dbwinwe0", 64, true, 0, 1252, Source::LanguageDriver,
       "Crème"},
      {"HP Roman-8 driver", 7, 1051, "BLROM800", 20, true, 0, 1051, Source::LanguageDriver, "Crème"},
      {"Polish DOS driver", 4, 852, "polish", 143, true, 0, 852, Source::LanguageDriver, "Zażółć"},
      {"unknown driver, byte not trusted", 7, 1250, "nieznany", 192, true, 0, 1250, Source::Default,
       "Zażółć"},
      {"level 3, Cyrillic byte", 3, 866, "", 192, false, 0, 866, Source::SortOrder, "Имя"},
      {"level 3, byte shared by two pages", 3, 1250, "", 143, false, 0, 1250, Source::Default, "Zażółć"},
      {"level 3, nothing said", 3, 1250, "", -1, false, 0, 1250, Source::Default, "Zażółć"},
      {"given by the caller", 7, 1251, "cyrr", -1, true, 1251, 1251, Source::Override, "Имя"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    db::paradox::TableSpec definicja;
    definicja.fields = {{c.text, 'A', 20}};
    definicja.level = c.level;
    definicja.codePage = c.writtenIn;
    definicja.sortOrder = c.driver;
    if (c.sortOrder >= 0) definicja.sortOrderCode = static_cast<std::uint8_t>(c.sortOrder);
    const fs::path file = dir.path() / "T.DB";
    db::paradox::writeTable(file, definicja, {{std::string(c.text)}});
    if (c.clearHeaderPage) {
      std::string bytes = readBytes(file);
      bytes[0x6A] = bytes[0x6B] = 0;
      writeBytes(file, bytes);
    }
    auto r = db::paradox::TableReader::open(file, c.overridePage);
    EXPECT_EQ(r->codePage(), c.want);
    EXPECT_EQ(r->codePageChoice().source, c.source);
    EXPECT_EQ(r->header().fields[0].name, c.text);
    db::Row row;
    r->readRow(0, row);
    EXPECT_EQ(row[0], db::Value{std::string(c.text)});
  }
}

TEST(CodePageChoice, SortOrderBytesOnlyWhenUnambiguous) {
  using db::paradox::sortOrderCodePage;
  EXPECT_EQ(sortOrderCodePage(192), 866);  // cyrr
  EXPECT_EQ(sortOrderCodePage(64), 1252);  // DBWINWE0
  EXPECT_EQ(sortOrderCodePage(94), 1250);  // anpolish
  EXPECT_EQ(sortOrderCodePage(39), 1252);  // two drivers, one page
  EXPECT_EQ(sortOrderCodePage(143), 0);    // polish (852) and ancyrr (1251)
  EXPECT_EQ(sortOrderCodePage(20), 0);     // a Latin-1 driver and HP Roman-8
  EXPECT_EQ(sortOrderCodePage(0), 0);      // what level-3 tables carry
  EXPECT_EQ(sortOrderCodePage(1), 0);      // no driver at all
  EXPECT_EQ(db::paradox::languageDriverCodePage("cskamen"), 0) << "867 cannot be decoded here";
}

// The dump says which page it used and why, in words the operator reads.
TEST(CodePageChoice, DumpExplainsTheChoice) {
  TempDir dir;
  db::paradox::TableSpec definicja;
  definicja.fields = {{"Nazwa", 'A', 10}};
  definicja.codePage = 1252;
  definicja.sortOrder = "DBWINWE0";
  const fs::path file = dir.path() / "W.DB";
  db::paradox::writeTable(file, definicja, {{std::string("Crème")}});
  auto dumpNote = [&](int page) {
    std::ostringstream out;
    std::vector<std::string> warnings;
    std::string note;
    db::paradox::dumpTable(file, page, out, warnings, &note);
    return note;
  };
  EXPECT_EQ(dumpNote(0), "1252 (z nagłówka tabeli)");
  std::string bytes = readBytes(file);
  bytes[0x6A] = bytes[0x6B] = 0;
  writeBytes(file, bytes);
  EXPECT_EQ(dumpNote(0), "1252 (ze sterownika języka DBWINWE0, nagłówek jej nie podaje)");
  EXPECT_EQ(dumpNote(1250), "1250 (podana z zewnątrz)");
  const std::size_t name = bytes.find("DBWINWE0");
  ASSERT_NE(name, std::string::npos);
  bytes[name] = 'X';
  writeBytes(file, bytes);
  EXPECT_EQ(dumpNote(0),
            "1250 (domyślna: nagłówek nie podaje strony kodowej, a sterownik języka XBWINWE0 jest "
            "nieznany)");
}

// Plain ASCII goes through a faster path: every length and every place of a non-ASCII byte must still
// decode exactly as byte-by-byte decoding does.
TEST(CodePageDecoding, AsciiRunsOfEveryLengthAroundOtherBytes) {
  const auto& cp = db::paradox::CodePage::get(1250);
  auto slow = [](const unsigned char* p, std::size_t n) {
    static const char* const kHigh[] = {"ą", "ł"};
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
      if (p[i] < 0x80)
        out.push_back(static_cast<char>(p[i]));
      else
        out += kHigh[p[i] == 0xB9 ? 0 : 1];
    }
    return out;
  };
  std::string decoded;
  for (std::size_t n = 0; n <= 40; ++n) {
    std::vector<unsigned char> text(n);
    for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<unsigned char>('a' + i % 26);
    cp.toUtf8(decoded, text.data(), n);
    EXPECT_EQ(decoded, slow(text.data(), n)) << n;
    for (std::size_t at = 0; at < n; ++at) {
      auto mixed = text;
      mixed[at] = 0xB9;                      // ą
      if (at + 9 < n) mixed[at + 9] = 0xB3;  // ł, after a run of eight
      cp.toUtf8(decoded, mixed.data(), n);
      EXPECT_EQ(decoded, slow(mixed.data(), n)) << n << " at " << at;
    }
  }
  decoded = "left over";
  cp.toUtf8(decoded, nullptr, 0);
  EXPECT_EQ(decoded, "");
}

}  // namespace
