// Fuzz target: any bytes as an INI file (UTF-8, Windows-1250 or UTF-16, as a user's WIN.INI may be) give
// a value or the default, never a crash. Input: the section name and the key name, each ended by a
// newline, then the file's content.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/cp1250.h"
#include "platform/ini.h"

namespace {

std::string_view takeLine(std::string_view& in) {
  const std::size_t end = in.find('\n');
  const std::string_view line = in.substr(0, end);
  in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
  return line;
}

std::size_t characters(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string section = konw::toUtf8Guess(takeLine(in));
  const std::string key = konw::toUtf8Guess(takeLine(in));
  const std::string content = konw::profileText(in);
  check(konw::isValidUtf8(content));
  // Names are compared folded; folding never changes a text's length, which the comparison relies on.
  check(konw::lowerCp1250Letters(in).size() == in.size());
  // Text round-trips through the code page when every character has a byte in it.
  const std::string back = konw::cp1250ToUtf8(konw::utf8ToCp1250(content));
  check(konw::isValidUtf8(back));

  const std::string value = konw::profileValue(content, section, key, "brak");
  check(konw::isValidUtf8(value));
  check(characters(value) <= konw::kProfileValueMax);
  // The same file as raw bytes (what a Windows-1250 file looks like before decoding) never crashes either.
  konw::profileValue(in, section, key, std::string(300, 'x'));
  return 0;
}
