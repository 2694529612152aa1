// The C library's locale as the window's toolkit sets it on an operator's desktop (LANG=pl_PL.UTF-8: a
// comma for the decimal mark), undone at the end of a test. tools/install-deps makes the locale.
#pragma once

#include <clocale>
#include <cstdlib>
#include <string>

namespace test {

class PolishLocale {
 public:
  PolishLocale() {
    const char* before = std::setlocale(LC_ALL, nullptr);
    before_ = before ? before : "C";
    set_ = std::setlocale(LC_ALL, "pl_PL.UTF-8") != nullptr;
  }
  ~PolishLocale() { std::setlocale(LC_ALL, before_.c_str()); }
  PolishLocale(const PolishLocale&) = delete;
  PolishLocale& operator=(const PolishLocale&) = delete;

  // Whether the C library now reads "12,5" as twelve and a half (and so "12.5" as twelve): only then can
  // a conversion that follows the locale go wrong under the test.
  bool commaDecimal() const { return set_ && std::strtod("12,5", nullptr) == 12.5; }

 private:
  std::string before_;
  bool set_ = false;
};

}  // namespace test
