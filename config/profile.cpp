#include "config/profile.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/ini.h"
#include "platform/text.h"

namespace konw {

namespace {

// "TRUE" or "YES" in any letter case, or exactly "1".
bool countsAsTrue(const std::string& t) {
  const std::string upper = konw::upperAscii(t);
  return upper == "TRUE" || upper == "YES" || t == "1";
}

}  // namespace

std::string TProfile::Text() {
  lastCut_ = false;
  if (Section.empty() || Entry.empty() || FileName.empty()) {
    last_.clear();
    return last_;
  }
  last_ = readProfileString(Section, Entry, DefaultText, FileName, &lastCut_);
  return last_;
}

bool TProfile::State() {
  return countsAsTrue(Text());
}

int TProfile::Value() {
  std::string t = Text();
  // A decimal integer as a whole; anything else counts through State's reading.
  if (!t.empty()) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    bool digitsOnly = t.find_first_of(" \t\n\r\f\v") == std::string::npos;
    if (digitsOnly && end && *end == '\0' && errno == 0 && v >= INT32_MIN && v <= INT32_MAX)
      return static_cast<int>(v);
  }
  return countsAsTrue(t) ? 1 : 0;
}

}  // namespace konw
