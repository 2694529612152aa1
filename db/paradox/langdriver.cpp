#include "db/paradox/langdriver.h"

#include <cctype>

#include "db/paradox/codepage.h"
#include "db/paradox/format.h"

namespace db::paradox {

namespace {

struct LanguageDriver {
  const char* name;
  std::uint8_t sortOrder;
  int codePage;  // 1051 = HP Roman-8
};

// The language drivers a table may name after its field numbers, with the byte the same driver leaves
// at 0x29 and the code page of its text. Drivers whose page cannot be decoded here (867) are left out:
// their tables fall to the default.
constexpr LanguageDriver kDrivers[] = {
    {"DBWINUS0", 76, 1252},  {"BLLT1DA0", 20, 1252}, {"BLLT1DE0", 24, 1252},  {"BLLT1UK0", 47, 1252},
    {"BLLT1US0", 55, 1252},  {"BLLT1ES0", 39, 1252}, {"BLLT1FI0", 30, 1252},  {"BLLT1FR0", 39, 1252},
    {"BLLT1CA0", 19, 1252},  {"BLLT1IS0", 43, 1252}, {"BLLT1IT0", 44, 1252},  {"BLLT1NL0", 41, 1252},
    {"BLLT1NO0", 44, 1252},  {"BLLT1PT0", 51, 1252}, {"BLLT1SV0", 56, 1252},  {"DB852CZ0", 242, 852},
    {"DB865DA0", 222, 865},  {"DB437DE0", 221, 437}, {"DB850DE0", 220, 850},  {"db437gr0", 109, 737},
    {"DB437UK0", 244, 437},  {"DB850UK0", 243, 850}, {"DB437US0", 252, 437},  {"DB850US0", 251, 850},
    {"DB437ES1", 237, 437},  {"DB850ES0", 235, 850}, {"DB437FI0", 227, 437},  {"DB437FR0", 236, 437},
    {"DB850FR0", 235, 850},  {"DB850CF0", 220, 850}, {"DB863CF1", 225, 863},  {"db852hdc", 148, 852},
    {"DB437IT0", 241, 437},  {"DB850IT1", 241, 850}, {"DB437NL0", 238, 437},  {"DB850NL0", 237, 850},
    {"DB865NO0", 246, 865},  {"db852po0", 116, 852}, {"DB850PT0", 247, 850},  {"DB860PT0", 248, 860},
    {"db866ru0", 129, 866},  {"db852sl0", 116, 852}, {"DB437SV0", 253, 437},  {"DB850SV1", 253, 850},
    {"db437th0", 112, 437},  {"DB857TR0", 0, 857},   {"dbHebrew", 35, 862},   {"ORAWE850", 27, 850},
    {"ANHEBREW", 76, 1255},  {"ascii", 0, 850},      {"cyrr", 192, 866},      {"czech", 13, 852},
    {"SPANISH", 22, 437},    {"grcp437", 74, 737},   {"hebrew", 125, 862},    {"hun852dc", 177, 852},
    {"intl", 183, 437},      {"intl850", 84, 850},   {"iceland", 208, 861},   {"nordan", 130, 865},
    {"nordan40", 230, 865},  {"polish", 143, 852},   {"slovene", 252, 852},   {"swedfin", 240, 437},
    {"thai", 166, 437},      {"turk", 198, 857},     {"ancyrr", 143, 1251},   {"anczech", 220, 1250},
    {"angreek1", 14, 1253},  {"anhundc", 225, 1250}, {"ANSIINTL", 98, 1252},  {"ANSII850", 17, 1252},
    {"ANSINOR4", 78, 1252},  {"anpolish", 94, 1250}, {"ansislov", 111, 1250}, {"ANSISPAN", 93, 1252},
    {"ANSISWFN", 105, 1252}, {"anthai", 117, 1252},  {"ANTURK", 213, 1254},   {"DBWINES0", 60, 1252},
    {"BLROM800", 20, 1051},  {"SYDC437", 209, 437},  {"SYDC850", 208, 850},   {"DBWINWE0", 64, 1252},
};

bool sameName(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return i == a.size() && b[i] == 0;
}

}  // namespace

int languageDriverCodePage(const std::string& name) {
  for (const auto& d : kDrivers)
    if (sameName(name, d.name)) return CodePage::known(d.codePage) ? d.codePage : 0;
  return 0;
}

int sortOrderCodePage(std::uint8_t sortOrder) {
  if (sortOrder == 0) return 0;
  int found = 0;
  for (const auto& d : kDrivers) {
    if (d.sortOrder != sortOrder) continue;
    if (found != 0 && found != d.codePage) return 0;  // several drivers share the byte and disagree
    found = d.codePage;
  }
  return CodePage::known(found) ? found : 0;
}

CodePageChoice chooseCodePage(const Header& header, int overrideCodePage) {
  CodePageChoice c;
  c.driver = header.sortOrderName;
  c.sortOrder = header.sortOrder;
  if (overrideCodePage != 0) {
    c.codePage = overrideCodePage;
    c.source = CodePageChoice::Source::Override;
  } else if (header.codePage != 0) {
    c.codePage = header.codePage;
    c.source = CodePageChoice::Source::Header;
  } else if (int byName = languageDriverCodePage(header.sortOrderName); byName != 0) {
    c.codePage = byName;
    c.source = CodePageChoice::Source::LanguageDriver;
  } else if (int byByte = header.sortOrderName.empty() ? sortOrderCodePage(header.sortOrder) : 0;
             byByte != 0) {
    // A name we do not know outweighs the byte: the byte alone is trusted only when no name is stored.
    c.codePage = byByte;
    c.source = CodePageChoice::Source::SortOrder;
  }
  return c;
}

std::string describeCodePage(const CodePageChoice& c) {
  std::string s = std::to_string(c.codePage) + " (";
  switch (c.source) {
    case CodePageChoice::Source::Override:
      s += "podana z zewnątrz";
      break;
    case CodePageChoice::Source::Header:
      s += "z nagłówka tabeli";
      break;
    case CodePageChoice::Source::LanguageDriver:
      s += "ze sterownika języka " + c.driver + ", nagłówek jej nie podaje";
      break;
    case CodePageChoice::Source::SortOrder:
      s += "z kodu porządku sortowania " + std::to_string(c.sortOrder) +
           ", nagłówek nie podaje ani strony kodowej, ani sterownika języka";
      break;
    case CodePageChoice::Source::Default:
      s += "domyślna: nagłówek nie podaje strony kodowej";
      if (!c.driver.empty()) s += ", a sterownik języka " + c.driver + " jest nieznany";
      break;
  }
  return s + ")";
}

}  // namespace db::paradox
