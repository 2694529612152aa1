#include "db/firebird/charset.h"

#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "db/error.h"
#include "platform/text.h"

namespace db::firebird {

namespace {

// The character starting at `i` (advanced past it); nullopt for a sequence that is not UTF-8.
std::optional<char32_t> nextUtf8(std::string_view s, std::size_t& i) {
  auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  int extra = (b >= 0xC2 && b < 0xE0) ? 1 : (b >= 0xE0 && b < 0xF0) ? 2 : (b >= 0xF0 && b < 0xF5) ? 3 : -1;
  if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return std::nullopt;
  }
  char32_t c = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((t & 0xC0) != 0x80) {
      ++i;
      return std::nullopt;
    }
    c = (c << 6) | (t & 0x3F);
  }
  i += static_cast<std::size_t>(extra) + 1;
  // Overlong forms and surrogates are not UTF-8.
  if ((extra == 2 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) ||
      (extra == 3 && (c < 0x10000 || c > 0x10FFFF))) {
    return std::nullopt;
  }
  return c;
}

// A code point as four (or more) hexadecimal digits.
std::string hex4(char32_t c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (int shift = c > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4) out += kDigits[(c >> shift) & 15];
  return out;
}

// The value as shown in a message: at most 60 characters of it.
std::string shown(std::string_view utf8) {
  std::size_t i = 0, chars = 0;
  while (i < utf8.size() && chars < 60) {
    if (!nextUtf8(utf8, i)) return std::string(utf8.substr(0, i));
    ++chars;
  }
  return i < utf8.size() ? std::string(utf8.substr(0, i)) + "…" : std::string(utf8);
}

const char* iconvName(const std::string& name) {
  static const std::map<std::string, std::string> names = [] {
    std::map<std::string, std::string> m;
    for (int n = 1250; n <= 1258; ++n) m["WIN" + std::to_string(n)] = "CP" + std::to_string(n);
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13})
      m["ISO8859_" + std::to_string(n)] = "ISO-8859-" + std::to_string(n);
    for (int n : {437, 737, 775, 850, 852, 857, 858, 860, 861, 862, 863, 864, 865, 866, 869}) {
      m["DOS" + std::to_string(n)] = "CP" + std::to_string(n);
    }
    m["KOI8R"] = "KOI8-R";
    m["KOI8U"] = "KOI8-U";
    m["ASCII"] = "ASCII";
    m["TIS620"] = "TIS-620";
    return m;
  }();
  auto it = names.find(name);
  return it == names.end() ? nullptr : it->second.c_str();
}

}  // namespace

Charset::Charset(std::string name, bool singleByte) : name_(std::move(name)), singleByte_(singleByte) {}

bool Charset::buildTable(const char* iconvName) {
  iconv_t cd = iconv_open("UTF-8", iconvName);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<std::pair<char32_t, unsigned char>> undefined;
  for (int b = 0x80; b <= 0xFF; ++b) {
    char in = static_cast<char>(b);
    char buf[8];
    char* inp = &in;
    char* outp = buf;
    std::size_t inLeft = 1, outLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string utf8;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1) && outp > buf) {
      utf8.assign(buf, outp);
      std::size_t i = 0;
      if (auto c = nextUtf8(utf8, i)) bytes_.emplace(*c, static_cast<unsigned char>(b));
    } else {
      // No character: the C1 control or Latin-1 letter of the same number, written back as that byte,
      // so that text read from a table of this page (0x81 in Windows-1250) is stored as it was.
      konw::appendUtf8(utf8, static_cast<char32_t>(b));
      undefined_[static_cast<std::size_t>(b - 0x80)] = true;
      undefined.emplace_back(static_cast<char32_t>(b), static_cast<unsigned char>(b));
    }
    auto& slot = high_[static_cast<std::size_t>(b - 0x80)];
    for (std::size_t k = 0; k < utf8.size() && k < 3; ++k) slot[k] = utf8[k];
    slot[3] = static_cast<char>(std::min<std::size_t>(utf8.size(), 3));
  }
  // A character the page has elsewhere keeps its own byte.
  for (const auto& [c, b] : undefined) bytes_.emplace(c, b);
  iconv_close(cd);
  return true;
}

bool Charset::defines(char32_t c) const {
  if (c < 0x80 || !singleByte_) return true;
  const auto found = bytes_.find(c);
  return found != bytes_.end() && definesByte(found->second);
}

const Charset* Charset::find(std::string_view requested) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<Charset>> sets;
  std::string name = konw::upperAscii(std::string(requested));
  std::lock_guard lock(mutex);
  auto it = sets.find(name);
  if (it != sets.end()) return it->second.get();
  std::unique_ptr<Charset> set;
  if (name == "UTF8") {
    set.reset(new Charset(name, false));
  } else if (const char* iconv = iconvName(name)) {
    set.reset(new Charset(name, true));
    if (!set->buildTable(iconv)) set.reset();
  }
  return (sets[name] = std::move(set)).get();
}

namespace {

// Length of the run of ASCII bytes from `from` on, eight bytes at a time: most text is ASCII, and a
// run is copied in one go.
std::size_t asciiRun(std::string_view s, std::size_t from) {
  std::size_t i = from;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i - from;
}

}  // namespace

void Charset::encode(std::string_view utf8, std::string& out) const {
  if (!singleByte_) {
    out.assign(utf8);
    return;
  }
  std::size_t i = asciiRun(utf8, 0);
  out.assign(utf8.substr(0, i));
  while (i < utf8.size()) {
    if (const std::size_t run = asciiRun(utf8, i)) {
      out.append(utf8.substr(i, run));
      i += run;
      continue;
    }
    std::size_t start = i;
    std::optional<char32_t> c = nextUtf8(utf8, i);
    if (!c) {
      throw EngineError(errc::kConversion, "Tekst \"" + shown(utf8) + "\" nie jest poprawnym tekstem UTF-8");
    }
    auto found = bytes_.find(*c);
    if (found == bytes_.end()) {
      throw EngineError(errc::kConversion, "Tekstu \"" + shown(utf8) +
                                               "\" nie można zapisać w zestawie znaków " + name_ +
                                               " połączenia z bazą: brak znaku \"" +
                                               std::string(utf8.substr(start, i - start)) + "\"");
    }
    out += static_cast<char>(found->second);
  }
}

void Charset::decode(std::string_view bytes, std::string& out) const {
  std::size_t i = singleByte_ ? asciiRun(bytes, 0) : bytes.size();
  out.assign(bytes.substr(0, i));
  while (i < bytes.size()) {
    if (const std::size_t run = asciiRun(bytes, i)) {
      out.append(bytes.substr(i, run));
      i += run;
      continue;
    }
    const auto& slot = high_[static_cast<unsigned char>(bytes[i]) - 0x80];
    out.append(slot.data(), static_cast<std::size_t>(slot[3]));
    ++i;
  }
}

std::optional<TextOnItsWay> textOnItsWay(std::string_view utf8, const Charset& connection,
                                         const std::string& columnSet) {
  std::string wire;
  try {
    connection.encode(utf8, wire);
  } catch (const EngineError& e) {
    return TextOnItsWay{true, e.what()};
  }
  const std::string set = konw::upperAscii(konw::trim(columnSet));
  if (set.empty() || set == connection.name()) return std::nullopt;
  const Charset* column = Charset::find(set);
  for (std::size_t i = 0; i < utf8.size();) {
    const std::optional<char32_t> c = nextUtf8(utf8, i);
    if (!c || *c < 0x80) continue;
    if (column && !column->defines(*c))
      return TextOnItsWay{true, "brak znaku U+" + hex4(*c) + " w zestawie " + set +
                                    " kolumny; serwer nie przekształci go (Cannot transliterate character "
                                    "between character sets)"};
  }
  for (unsigned char b : wire)
    if (!connection.definesByte(b))
      return TextOnItsWay{false, "bajt 0x" + hex4(b).substr(2) + " nie oznacza żadnego znaku w zestawie " +
                                     connection.name() +
                                     " połączenia z bazą; serwer zapisze w jego miejscu w " + "zestawie " +
                                     set + " kolumny znak U+0000"};
  return std::nullopt;
}

std::optional<std::string> charsetForLanguageDriver(std::string_view driver) {
  std::string name = konw::upperAscii(std::string(driver));
  if (name.find("POLISH") != std::string::npos) return "WIN1250";
  if (name.find("CYR") != std::string::npos) return "WIN1251";
  if (name == "ANSIINTL") return "WIN1252";
  return std::nullopt;
}

std::string charsetForDatabaseDefault(std::string_view dbDefault) {
  std::string name = konw::upperAscii(std::string(dbDefault));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty() || name == "NONE" || name == "OCTETS") return "WIN1250";
  if (name == "UTF8" || name == "UNICODE_FSS") return "UTF8";
  return Charset::find(name) ? name : "UTF8";
}

}  // namespace db::firebird
