// The connection's character set: inside the program text is UTF-8; on the wire it is the connection's
// set, converted here in both directions.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace db::firebird {

class Charset {
 public:
  // The set Firebird calls `name` (WIN1250, ISO8859_2, UTF8, ...), shared and never destroyed; nullptr
  // when the program cannot convert it (multibyte sets other than UTF8).
  static const Charset* find(std::string_view name);

  const std::string& name() const { return name_; }
  // Bytes a character takes at most.
  unsigned bytesPerChar() const { return singleByte_ ? 1 : 4; }
  // UTF8: text crosses unchanged (the server checks and converts it).
  bool passthrough() const { return !singleByte_; }

  // UTF-8 text in this set. A character the set has no byte for, or text that is not UTF-8, is an
  // EngineError (kConversion) naming the value: never a replacement character.
  void encode(std::string_view utf8, std::string& out) const;
  std::string encode(std::string_view utf8) const {
    std::string out;
    encode(utf8, out);
    return out;
  }
  // Text of this set as UTF-8. A byte without a character becomes the control character of the same
  // number, as Windows does, so nothing read is lost; encode turns that character back into the byte.
  void decode(std::string_view bytes, std::string& out) const;
  std::string decode(std::string_view bytes) const {
    std::string out;
    decode(bytes, out);
    return out;
  }
  // Whether the set has a character of its own for `c` (a byte the set leaves undefined, which decode
  // gives as the control character of its number, does not count), and for the byte `b`. A multibyte set
  // has every character.
  bool defines(char32_t c) const;
  bool definesByte(unsigned char b) const { return b < 0x80 || !singleByte_ || !undefined_[b - 0x80]; }

 private:
  Charset(std::string name, bool singleByte);
  bool buildTable(const char* iconvName);

  std::string name_;
  bool singleByte_;
  // For each byte 0x80..0xFF: its UTF-8 form (up to 3 bytes) and the length in the last element.
  std::array<std::array<char, 4>, 128> high_{};
  std::unordered_map<char32_t, unsigned char> bytes_;  // characters above ASCII and their byte
  std::array<bool, 128> undefined_{};                  // bytes 0x80..0xFF without a character
};

// Text that does not reach a column as it was sent: refused (the statement fails) or stored changed.
struct TextOnItsWay {
  bool refused = false;
  std::string reason;  // Polish, for the operator
};

// What becomes of UTF-8 text sent as a parameter through a connection in the set `connection` into a
// column in the set `columnSet` (its catalogue name; "" for one of no set, which keeps bytes), when it does
// not arrive as sent: the driver refuses a character the connection's set lacks; the server converts the
// text into the column's set unless the two are one, refuses a character that set lacks, and stores U+0000
// for a byte the connection's set leaves undefined. Nullopt when it arrives as sent.
std::optional<TextOnItsWay> textOnItsWay(std::string_view utf8, const Charset& connection,
                                         const std::string& columnSet);

// The connection's character set for a LANGDRIVER parameter line: the Polish drivers name WIN1250 (the
// product's code page), the Cyrillic ones WIN1251, the Western ones WIN1252; nullopt for any other
// name (the database's default then applies).
std::optional<std::string> charsetForLanguageDriver(std::string_view driver);

// The connection's set for a database whose default character set is `dbDefault`: itself where the
// program can convert it; NONE and OCTETS (no set) are taken as WIN1250, the product's code page; UTF8
// for the multibyte sets, which the server then converts.
std::string charsetForDatabaseDefault(std::string_view dbDefault);

}  // namespace db::firebird
