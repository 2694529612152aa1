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

}  // namespace konw
