// The engine's error: a list of entries, each a 16-bit code and a message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace db {

// Codes of the entries the engine raises itself. Drivers may add the server's own code as a further entry.
namespace errc {
constexpr std::uint16_t kNotFound = 0x2701;        // table, file or field not found
constexpr std::uint16_t kCorrupt = 0x2101;         // damaged file (header, block chain, blob)
constexpr std::uint16_t kIo = 0x2102;              // read or write failure
constexpr std::uint16_t kReadOnly = 0x2A04;        // change refused on a read-only table
constexpr std::uint16_t kKeyViolation = 0x2601;    // duplicate primary key
constexpr std::uint16_t kNotSupported = 0x3E06;    // operation or SQL the driver cannot do
constexpr std::uint16_t kSqlError = 0x3303;        // statement refused by the server
constexpr std::uint16_t kConnect = 0x2C08;         // database cannot be connected
constexpr std::uint16_t kDatabaseFormat = 0x2C09;  // the file is no database the engine can open
constexpr std::uint16_t kMissingParam = 0x2F0A;    // a query parameter has neither type nor value
constexpr std::uint16_t kConversion = 0x2F07;      // a value cannot be converted to the wanted type
constexpr std::uint16_t kState = 0x2E01;           // dataset or database not in the right state
constexpr std::uint16_t kPassword = 0x2B02;        // password needed
}  // namespace errc

class EngineError : public std::runtime_error {
 public:
  struct Entry {
    std::uint16_t code;
    std::string message;
  };

  EngineError(std::uint16_t code, const std::string& message);
  explicit EngineError(std::vector<Entry> entries);

  const std::vector<Entry>& entries() const { return entries_; }
  // Code of the first entry.
  std::uint16_t code() const { return entries_.front().code; }
  // The server's own error number, when the error came from a server (Firebird's gds code), else 0.
  std::int64_t nativeCode() const { return nativeCode_; }
  EngineError& withNative(std::int64_t code) {
    nativeCode_ = code;
    return *this;
  }

 private:
  std::vector<Entry> entries_;
  std::int64_t nativeCode_ = 0;
};

}  // namespace db
