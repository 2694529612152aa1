// Facts about the system for the error log.
#pragma once

#include <string>

namespace konw {

struct SystemFacts {
  std::string platform;  // "Linux"
  unsigned major = 0, minor = 0, build = 0;
  std::string servicePack;                // the kernel's version text
  double ramAvailable = 0, ramTotal = 0;  // bytes
  double swapFree = 0;                    // bytes
  double diskFree = 0;                    // bytes free on the current directory's file system
};

// Reads what it can; a fact that cannot be read stays zero or empty.
SystemFacts readSystemFacts();

// Splits a kernel release ("6.1.0-18-amd64") into major, minor and build (the third number).
void splitRelease(const std::string& release, unsigned& major, unsigned& minor, unsigned& build);

}  // namespace konw
