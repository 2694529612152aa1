// TProfile: reads one key of an INI file with the semantics of the Windows private-profile read.
#pragma once

#include <string>

namespace konw {

class TProfile {
 public:
  std::string DefaultText;
  std::string Entry;
  std::string FileName = "WIN.INI";  // a bare name means the system's WIN.INI (see platform/ini.h)
  std::string Section;

  // Reads the key (at most 255 characters); DefaultText when missing; empty when a name is empty.
  std::string Text();
  bool State();
  int Value();
  // The value last read, and whether it was longer in the file and is cut to 255 characters.
  const std::string& last() const { return last_; }
  bool lastCut() const { return lastCut_; }

 private:
  std::string last_;
  bool lastCut_ = false;
};

}  // namespace konw
