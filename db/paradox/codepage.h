// Text of Paradox tables: code-page bytes to UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <unordered_map>

namespace db::paradox {

// Decodes one code page to UTF-8. Single-byte pages go through a table; the multibyte Far East pages
// (932, 936, 949, 950) through iconv. A page we do not know decodes as Windows-1252.
class CodePage {
 public:
  // The decoder for `number` (shared, never destroyed).
  static const CodePage& get(int number);
  // Whether `number` is decoded as itself (not by the 1252 fallback).
  static bool known(int number);

  int number() const { return number_; }
  // Appends the UTF-8 form of `n` bytes at `p` to `out`.
  void appendUtf8(std::string& out, const unsigned char* p, std::size_t n) const;
  // Replaces `out` with the UTF-8 form of the bytes.
  void toUtf8(std::string& out, const unsigned char* p, std::size_t n) const;
  // The bytes of UTF-8 text in this page: the exact inverse of toUtf8 for the single-byte pages (a byte
  // the page leaves undefined comes back from the character it was read as). EngineError (kConversion)
  // naming the text when the page has no byte for one of its characters.
  std::string fromUtf8(const std::string& utf8) const;

 private:
  explicit CodePage(int number);
  void appendMultibyte(std::string& out, const unsigned char* p, std::size_t n) const;

  int number_;
  bool multibyte_ = false;
  // For each byte 0x80..0xFF: its UTF-8 bytes (up to 3) and their count in the last element.
  std::array<std::array<char, 4>, 128> high_{};
  std::unordered_map<char32_t, unsigned char> bytes_;  // the characters of the upper half and their bytes
};

}  // namespace db::paradox
