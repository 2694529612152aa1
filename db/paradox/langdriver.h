// Which code page a Paradox table's text is in: the header's own, else the one its language driver
// (sort order) implies, else the default of this system (Windows-1250).
#pragma once

#include <cstdint>
#include <string>

namespace db::paradox {

struct Header;

constexpr int kDefaultCodePage = 1250;

struct CodePageChoice {
  enum class Source {
    Override,        // given by the caller (the session or `dump --codepage`)
    Header,          // the header's code page word
    LanguageDriver,  // the language driver's name
    SortOrder,       // the sort-order byte alone (no name, and only one code page goes with that byte)
    Default,         // nothing said which
  };
  int codePage = kDefaultCodePage;
  Source source = Source::Default;
  std::string driver;  // the language driver's name as stored, "" when the header has none
  std::uint8_t sortOrder = 0;
};

// The code page of a language driver given by name (case ignored); 0 when the name is unknown or its
// code page cannot be decoded here.
int languageDriverCodePage(const std::string& name);
// The code page of a sort-order byte when every known driver with that byte agrees on one; else 0.
// Byte 0 says nothing: level-3 tables without a language driver carry it.
int sortOrderCodePage(std::uint8_t sortOrder);

// The choice for a table with this header; `overrideCodePage` (0 = none) wins over everything.
CodePageChoice chooseCodePage(const Header& header, int overrideCodePage);

// The choice in words, for the operator: "866 (z nagłówka tabeli)", "1252 (ze sterownika języka DBWINWE0)".
std::string describeCodePage(const CodePageChoice& choice);

}  // namespace db::paradox
