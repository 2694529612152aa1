// Text on its way into a Paradox table: UTF-8 to the bytes of a single-byte code page.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace db::paradox::wr {

class TextEncoder {
 public:
  // The encoder for `codePage` (shared, never destroyed); EngineError kNotSupported for a page without a
  // table.
  static const TextEncoder& get(int codePage);

  int codePage() const { return codePage_; }
  // Appends the code-page bytes of UTF-8 `text` to `out`. EngineError kConversion names `what` when the
  // text is not UTF-8 or holds a character the page cannot represent.
  void encode(std::string_view text, std::string& out, const std::string& what) const;
  // Like encode, but replaces what cannot be represented by '_' (for names that only inform).
  std::string encodeLossy(std::string_view text) const;
  // The byte that sorts in place of `b` when case is ignored (its capital, where the page has one).
  unsigned char upper(unsigned char b) const { return upper_[b]; }

 private:
  explicit TextEncoder(int codePage);
  // Byte for a code point, or -1 when the page has none.
  int byteFor(char32_t c) const;

  int codePage_;
  std::vector<std::int16_t> fromUnicode_;  // indexed by code point < 0x10000
  std::array<unsigned char, 256> upper_{};
};

}  // namespace db::paradox::wr
