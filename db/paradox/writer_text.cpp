#include "db/paradox/writer_text.h"

#include <map>
#include <memory>
#include <mutex>

#include "db/error.h"
#include "db/paradox/codepage_tables.h"

namespace db::paradox::wr {

namespace {

// Decodes one UTF-8 sequence at `pos`; returns false on malformed input (overlong forms and surrogates
// included), so that text which is not UTF-8 is refused rather than stored as garbage.
bool nextCodePoint(std::string_view s, std::size_t& pos, char32_t& out) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    out = b0;
    ++pos;
    return true;
  }
  int len = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0)
    len = 2, c = b0 & 0x1F;
  else if ((b0 & 0xF0) == 0xE0)
    len = 3, c = b0 & 0x0F;
  else if ((b0 & 0xF8) == 0xF0)
    len = 4, c = b0 & 0x07;
  else
    return false;
  if (pos + len > s.size()) return false;
  for (int i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  pos += len;
  out = c;
  return true;
}

// Capital of a letter in the ranges our code pages hold (Latin-1, Latin Extended-A, Cyrillic, Greek);
// other characters are their own capital.
char32_t capital(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c & 1) ? c - 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  return c;
}

}  // namespace

const TextEncoder& TextEncoder::get(int codePage) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<TextEncoder>> encoders;
  std::lock_guard lock(mutex);
  auto& slot = encoders[codePage];
  if (!slot) slot.reset(new TextEncoder(codePage));
  return *slot;
}

TextEncoder::TextEncoder(int codePage) : codePage_(codePage), fromUnicode_(0x10000, -1) {
  const detail::CodePageTable* table = nullptr;
  for (const auto& t : detail::kCodePages)
    if (t.number == codePage) table = &t;
  if (table == nullptr)
    throw EngineError(errc::kNotSupported,
                      "Tabeli Paradoxu nie można zapisać w stronie kodowej " + std::to_string(codePage));
  std::array<char32_t, 256> toUnicode{};
  for (int b = 0; b < 256; ++b) toUnicode[b] = b < 0x80 ? char32_t(b) : char32_t(table->high[b - 0x80]);
  // Later bytes never displace an earlier one, so a character that two bytes decode to keeps the first.
  for (int b = 255; b >= 0; --b) fromUnicode_[toUnicode[b]] = static_cast<std::int16_t>(b);
  for (int b = 0; b < 256; ++b) {
    const int cap = byteFor(capital(toUnicode[b]));
    upper_[b] = static_cast<unsigned char>(cap >= 0 ? cap : b);
  }
}

int TextEncoder::byteFor(char32_t c) const {
  return c < 0x10000 ? fromUnicode_[c] : -1;
}

void TextEncoder::encode(std::string_view text, std::string& out, const std::string& what) const {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    char32_t c = 0;
    if (!nextCodePoint(text, pos, c))
      throw EngineError(errc::kConversion,
                        what + ": tekst nie jest poprawnym UTF-8 od bajtu " + std::to_string(start));
    const int b = byteFor(c);
    if (b < 0)
      throw EngineError(errc::kConversion, what + ": znaku \"" +
                                               std::string(text.substr(start, pos - start)) +
                                               "\" nie ma w stronie kodowej " + std::to_string(codePage_));
    out.push_back(static_cast<char>(b));
  }
}

std::string TextEncoder::encodeLossy(std::string_view text) const {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c = 0;
    if (!nextCodePoint(text, pos, c)) {
      ++pos;
      c = '_';
    }
    const int b = byteFor(c);
    out.push_back(b > 0 ? static_cast<char>(b) : '_');
  }
  return out;
}

}  // namespace db::paradox::wr
