// Naming of the conversion log files.
#pragma once

#include <ctime>
#include <string>

namespace konw {

// Prepends `fill` to `text` until it is at least `width` long (an empty fill changes nothing).
std::string UzupelnijDoDlugosci(std::string text, const std::string& fill, std::size_t width);

// "C:\DANE\Konwersja.log" → "C:\DANE\Konwersja_20070305090407.log" for the given local time.
std::string NazwaPlikuZDataICzasem(const std::string& name, const std::tm& when);
// The same for the current local time.
std::string NazwaPlikuZDataICzasem(const std::string& name);

// The first of name-without-".log" + 1, 2, ... + ".log" that names no existing file. Numbering goes
// on past 100 when the first hundred are taken, so an existing log is never overwritten.
std::string NazwaPlikuZNumerem(const std::string& name);

// Whether the file holds anything other than spaces, tabs and line ends (false when it cannot be read).
bool PlikZawieraDane(const std::string& location);

}  // namespace konw
