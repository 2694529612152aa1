// A process-wide environment change undone at the end of a test.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace test {

// Sets `name` to `value` (or, with nullptr, removes it) for the guard's lifetime.
class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  EnvGuard(const char* name, const std::string& value) : EnvGuard(name, value.c_str()) {}
  ~EnvGuard() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace test
