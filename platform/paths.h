// Text functions on locations written the Windows way.
#pragma once

#include <string>

namespace konw {

// s without one trailing backslash (at most one is removed).
std::string UsunKoncowyUkosnik(const std::string& s);
// s with a trailing backslash (an empty s gives "\").
std::string DodajKoncowyUkosnik(const std::string& s);
// s cut before its last dot (anywhere, directories included), then without trailing dots.
std::string UsunRozszerzenie(const std::string& s);
// Where the error log of the program file `program` goes: beside the program as <program>.log (cut at
// its extension, a name without one kept whole), or, when the program's directory cannot be written
// (an installed program in /usr/bin), the same name in $XDG_STATE_HOME/konwersja, by default
// ~/.local/state/konwersja (created when missing).
std::string SciezkaDziennikaBledow(const std::string& program);

}  // namespace konw
