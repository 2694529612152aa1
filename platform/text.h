// Text helpers shared by every layer: names compared and quoted the way the system does it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace konw {

// Upper- or lower-cases the letters a..z (A..Z) only, as names are compared in the system.
std::string upperAscii(std::string s);
std::string lowerAscii(std::string s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Without leading and trailing blanks, tabs and line ends.
std::string trim(std::string_view s);
// A list such as an index's fields "A;B": split at every separator, empty pieces and blanks kept.
std::vector<std::string> splitList(std::string_view list, char separator = ';');
// The text with every line end as CR LF (a bare LF or CR becomes CR LF).
std::string crLf(std::string_view text);
// A number written the one way the program reads and writes numbers ("12.5", "-3", "1.5E3"), read alike
// whatever locale the process is in: the window's toolkit takes the operator's, whose decimal mark may
// be a comma, and the C library's conversions follow it. Blanks before it and one leading "+" are
// allowed, nothing after it. None when the text is no such number or lies beyond a double's range.
std::optional<double> parseDouble(std::string_view text);
// Appends one character (a Unicode code point), encoded as UTF-8.
void appendUtf8(std::string& out, std::uint32_t cp);
// A name as an SQL identifier: in double quotes, with every quote inside doubled.
std::string quoteIdentifier(std::string_view name);
// Whether a name can stand in SQL unquoted, meaning what it says: a Latin letter, then Latin letters,
// digits, "_" or "$", 31 characters at most. `reservedToo`: also refuse the database's reserved words
// (a Firebird name; the Paradox engine's own SQL has other words).
bool isPlainIdentifier(std::string_view name, bool reservedToo = true);
// Whether the name is a reserved word of Firebird SQL (ignoring case).
bool isReservedWord(std::string_view name);

}  // namespace konw
