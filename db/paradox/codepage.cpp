#include "db/paradox/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "db/error.h"
#include "db/paradox/codepage_tables.h"
#include "platform/text.h"

namespace db::paradox {

namespace {

bool isMultibyte(int number) {
  return number == 932 || number == 936 || number == 949 || number == 950;
}

// Length of the plain-ASCII prefix of the bytes, eight at a time: text of these tables is mostly
// ASCII, and a value without any other byte is copied whole.
std::size_t asciiPrefix(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if ((word & 0x8080808080808080ull) != 0) break;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

const detail::CodePageTable* findTable(int number) {
  for (const auto& t : detail::kCodePages)
    if (t.number == number) return &t;
  return nullptr;
}

}  // namespace

bool CodePage::known(int number) {
  return findTable(number) != nullptr || isMultibyte(number);
}

const CodePage& CodePage::get(int number) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<CodePage>> pages;
  if (!known(number)) number = 1252;
  std::lock_guard lock(mutex);
  auto& slot = pages[number];
  if (!slot) slot.reset(new CodePage(number));
  return *slot;
}

CodePage::CodePage(int number) : number_(number), multibyte_(isMultibyte(number)) {
  // Multibyte pages still use the 1252 table for bytes iconv cannot place.
  const detail::CodePageTable* table = findTable(multibyte_ ? 1252 : number);
  for (int i = 0; i < 128; ++i) {
    std::string s;
    konw::appendUtf8(s, table->high[i]);
    auto& slot = high_[i];
    for (std::size_t k = 0; k < s.size(); ++k) slot[k] = s[k];
    slot[3] = static_cast<char>(s.size());
    if (!multibyte_) bytes_.emplace(table->high[i], static_cast<unsigned char>(0x80 + i));
  }
}

std::string CodePage::fromUtf8(const std::string& utf8) const {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t ascii = asciiPrefix(p, utf8.size());
  if (ascii == utf8.size()) return utf8;
  const auto refuse = [&] {
    return EngineError(errc::kConversion, "Tekstu \"" + utf8 + "\" nie można zapisać w stronie kodowej " +
                                              std::to_string(number_) + " tabeli");
  };
  std::string out(utf8, 0, ascii);
  if (multibyte_) {
    iconv_t cd = iconv_open(("CP" + std::to_string(number_)).c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw refuse();
    char* in = const_cast<char*>(utf8.data() + ascii);
    std::size_t inLeft = utf8.size() - ascii;
    char buf[512];
    while (inLeft > 0) {
      char* o = buf;
      std::size_t outLeft = sizeof buf;
      const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
      out.append(buf, static_cast<std::size_t>(o - buf));
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        iconv_close(cd);
        throw refuse();
      }
    }
    iconv_close(cd);
    return out;
  }
  for (std::size_t i = ascii; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= utf8.size()) throw refuse();
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    const auto found = bytes_.find(cp);
    if (found == bytes_.end()) throw refuse();
    out.push_back(static_cast<char>(found->second));
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

void CodePage::toUtf8(std::string& out, const unsigned char* p, std::size_t n) const {
  if (multibyte_ || n == 0) {
    out.clear();
    if (n != 0) appendMultibyte(out, p, n);
    return;
  }
  const std::size_t ascii = asciiPrefix(p, n);
  out.assign(reinterpret_cast<const char*>(p), ascii);
  if (ascii < n) appendUtf8(out, p + ascii, n - ascii);
}

void CodePage::appendUtf8(std::string& out, const unsigned char* p, std::size_t n) const {
  if (multibyte_) {
    appendMultibyte(out, p, n);
    return;
  }
  // Most text is ASCII: copy runs of it in one go.
  std::size_t i = 0;
  while (i < n) {
    const std::size_t run = asciiPrefix(p + i, n - i);
    if (run > 0) out.append(reinterpret_cast<const char*>(p + i), run);
    i += run;
    while (i < n && p[i] >= 0x80) {
      const auto& u = high_[p[i] - 0x80];
      out.append(u.data(), static_cast<std::size_t>(u[3]));
      ++i;
    }
  }
}

void CodePage::appendMultibyte(std::string& out, const unsigned char* p, std::size_t n) const {
  // iconv descriptors are not thread-safe: one per call keeps this simple; Far East tables are rare.
  iconv_t cd = iconv_open("UTF-8", ("CP" + std::to_string(number_)).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (std::size_t i = 0; i < n; ++i) {
      if (p[i] < 0x80) {
        out.push_back(static_cast<char>(p[i]));
      } else {
        const auto& u = high_[p[i] - 0x80];
        out.append(u.data(), static_cast<std::size_t>(u[3]));
      }
    }
    return;
  }
  char* in = const_cast<char*>(reinterpret_cast<const char*>(p));
  std::size_t inLeft = n;
  char buf[512];
  while (inLeft > 0) {
    char* o = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    out.append(buf, static_cast<std::size_t>(o - buf));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // An invalid or cut sequence: keep the byte as Windows-1252 and go on after it.
      auto b = static_cast<unsigned char>(*in);
      if (b < 0x80) {
        out.push_back(static_cast<char>(b));
      } else {
        const auto& u = high_[b - 0x80];
        out.append(u.data(), static_cast<std::size_t>(u[3]));
      }
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
}

}  // namespace db::paradox
