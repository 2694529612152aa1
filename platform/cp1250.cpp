#include "platform/cp1250.h"

#include <array>
#include <cstdint>

#include "platform/text.h"

namespace konw {

namespace {

// Unicode characters of the bytes 0x80..0xFF.
constexpr std::array<std::uint16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Decodes one character at `i`; returns false for an invalid sequence (i then moves past one byte).
bool decodeUtf8(std::string_view s, std::size_t& i, std::uint32_t& cp) {
  auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    ++i;
    return true;
  }
  int extra;
  std::uint32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return false;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return false;
  }
  for (int k = 1; k <= extra; ++k) {
    auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return false;
  }
  i += extra + 1;
  return true;
}

// The lower-case byte of an upper-case letter of the code page; the byte itself otherwise.
unsigned char lowerByte(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b - 'A' + 'a');
  // Š Ś Ť Ž Ź and the rest of the row: their small letters lie 0x10 further.
  if (b == 0x8A || (b >= 0x8C && b <= 0x8F)) return static_cast<unsigned char>(b + 0x10);
  switch (b) {
    case 0xA3:  // Ł
      return 0xB3;
    case 0xA5:  // Ą
      return 0xB9;
    case 0xAA:  // Ş
      return 0xBA;
    case 0xAF:  // Ż
      return 0xBF;
    case 0xBC:  // Ľ
      return 0xBE;
    default:
      break;
  }
  // Ŕ to Ţ, but for the multiplication sign.
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<unsigned char>(b + 0x20);
  return b;
}

}  // namespace

std::string cp1250ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    appendUtf8(out, b < 0x80 ? b : kHigh[b - 0x80]);
  }
  return out;
}

std::string utf8ToCp1250(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t cp = 0;
    if (!decodeUtf8(text, i, cp)) {
      out += '?';
      continue;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    char byte = '?';
    for (std::size_t k = 0; k < kHigh.size(); ++k) {
      if (kHigh[k] == cp) {
        byte = static_cast<char>(0x80 + k);
        break;
      }
    }
    out += byte;
  }
  return out;
}

std::string escapeControls(std::string_view text) {
  auto shown = [](std::uint32_t cp) {
    return (cp >= 0x20 && cp < 0x7F) || cp > 0x9F || cp == '\r' || cp == '\n';
  };
  std::size_t i = 0;
  std::uint32_t cp = 0;
  // Most lines hold nothing to escape: they are returned as they are.
  while (i < text.size()) {
    const std::size_t start = i;
    if (!decodeUtf8(text, i, cp) || !shown(cp)) {
      i = start;
      break;
    }
  }
  if (i == text.size()) return std::string(text);
  std::string out(text.substr(0, i));
  while (i < text.size()) {
    const std::size_t start = i;
    const bool utf8 = decodeUtf8(text, i, cp);
    if (utf8 && shown(cp)) {
      out.append(text.substr(start, i - start));
      continue;
    }
    const unsigned value = utf8 ? cp : static_cast<unsigned char>(text[start]);
    constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[value >> 4];
    out += kHex[value & 0xF];
  }
  return out;
}

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  std::uint32_t cp;
  while (i < text.size()) {
    if (!decodeUtf8(text, i, cp)) return false;
  }
  return true;
}

std::string toUtf8Guess(std::string_view text) {
  return isValidUtf8(text) ? std::string(text) : cp1250ToUtf8(text);
}

std::string lowerCp1250Letters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    std::uint32_t cp = 0;
    if (!decodeUtf8(text, i, cp)) {
      out.append(text.substr(start, i - start));
      continue;
    }
    if (cp < 0x80) {
      out += static_cast<char>(lowerByte(static_cast<unsigned char>(cp)));
      continue;
    }
    std::size_t k = 0;
    while (k < kHigh.size() && kHigh[k] != cp) ++k;
    if (k == kHigh.size()) {
      out.append(text.substr(start, i - start));
      continue;
    }
    appendUtf8(out, kHigh[lowerByte(static_cast<unsigned char>(0x80 + k)) - 0x80]);
  }
  return out;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t at) -> std::uint32_t {
    const auto a = static_cast<unsigned char>(bytes[at]), b = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  constexpr std::uint32_t kReplacement = 0xFFFD;
  std::size_t i = 0;
  while (i + 1 < bytes.size()) {
    std::uint32_t cp = unit(i);
    i += 2;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < bytes.size() && unit(i) >= 0xDC00 && unit(i) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    appendUtf8(out, cp);
  }
  if (i < bytes.size()) appendUtf8(out, kReplacement);
  return out;
}

}  // namespace konw
