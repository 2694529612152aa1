// Text of Paradox tables: code-page bytes to UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <string>

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

 private:
  explicit CodePage(int number);
  void appendMultibyte(std::string& out, const unsigned char* p, std::size_t n) const;

  int number_;
  bool multibyte_ = false;
  // For each byte 0x80..0xFF: its UTF-8 bytes (up to 3) and their count in the last element.
  std::array<std::array<char, 4>, 128> high_{};
};

}  // namespace db::paradox
