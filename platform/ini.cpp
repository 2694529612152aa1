#include "platform/ini.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/cp1250.h"
#include "platform/hostpath.h"

namespace konw {

namespace fs = std::filesystem;

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A letter and its other case take as many UTF-8 bytes: names of different lengths never match.
bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && lowerCp1250Letters(a) == lowerCp1250Letters(b);
}

// Cuts UTF-8 text to at most `max` characters without splitting one.
std::string cutCharacters(std::string_view s, std::size_t max) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == max) return std::string(s.substr(0, i));
      ++count;
    }
  }
  return std::string(s);
}

std::string defaultValue(const std::string& defaultText) {
  std::string_view d = defaultText;
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  return cutCharacters(d, kProfileValueMax);
}

bool isBareName(const std::string& name) {
  return name.find_first_of("\\/:") == std::string::npos;
}

}  // namespace

std::string profileText(std::string_view raw) {
  // Notepad's "Unicode" and "Unicode big endian" start with their byte order mark.
  if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE') return utf16ToUtf8(raw.substr(2), false);
  if (raw.size() >= 2 && raw[0] == '\xFE' && raw[1] == '\xFF') return utf16ToUtf8(raw.substr(2), true);
  return toUtf8Guess(raw);
}

std::string profileValue(std::string_view content, const std::string& section, const std::string& key,
                         const std::string& defaultText, bool* cut) {
  if (cut) *cut = false;
  if (content.size() >= 3 && content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  const std::string_view wantSection = trim(section);
  const std::string_view wantKey = trim(key);
  bool inSection = false;
  bool sectionSeen = false;
  std::size_t pos = 0;
  while (pos <= content.size()) {
    std::size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = trim(content.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      // Only the first section of a name is read; a later one of the same name is ignored.
      if (inSection) return defaultValue(defaultText);
      std::size_t close = line.rfind(']');
      std::string_view name =
          trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      inSection = !sectionSeen && sameName(name, wantSection);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      if (sameName(line, wantKey)) return defaultValue(defaultText);
      continue;
    }
    if (!sameName(trim(line.substr(0, eq)), wantKey)) continue;
    std::string_view value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    std::string whole = cutCharacters(value, kProfileValueMax);
    if (cut) *cut = whole.size() < value.size();
    return whole;
  }
  return defaultValue(defaultText);
}

fs::path profileFilePath(const std::string& fileName) {
  if (!isBareName(fileName)) return hostPath(fileName);
  if (sameName(fileName, "WIN.INI")) {
    if (const char* env = std::getenv("KONWERSJA_WININI"); env && *env) return fs::path(env);
  }
  fs::path windows = winePrefix() / "drive_c";
  fs::path found = findIgnoringCase(windows, "windows");
  windows = found.empty() ? windows / "windows" : found;
  found = findIgnoringCase(windows, fileName);
  return found.empty() ? windows / fileName : found;
}

std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultText, const std::string& fileName, bool* cut) {
  if (cut) *cut = false;
  std::ifstream in(profileFilePath(fileName), std::ios::binary);
  if (!in) return defaultValue(defaultText);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return defaultValue(defaultText);
  return profileValue(profileText(raw), section, key, defaultText, cut);
}

}  // namespace konw
