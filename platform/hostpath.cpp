#include "platform/hostpath.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/cp1250.h"
#include "platform/text.h"

namespace konw {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> components(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

fs::path wineDriveRoot(char upperLetter) {
  std::string var = std::string("KONWERSJA_DRIVE_") + upperLetter;
  if (const char* dir = std::getenv(var.c_str()); dir && *dir) return fs::path(dir);
  fs::path link = winePrefix() / "dosdevices" / (lowerAscii(std::string(1, upperLetter)) + ":");
  // The link's own name holds a colon, which a Firebird location would take for a server name:
  // hand on the directory it leads to.
  std::error_code ec;
  fs::path target = fs::canonical(link, ec);
  return ec ? link : target;
}

// The variable's text for one name: upper-cased, anything but an ASCII letter or digit as '_' (a character
// written in several UTF-8 bytes gives one '_').
std::string variablePart(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if ((c & 0xC0) == 0x80) continue;  // continuation byte of a UTF-8 sequence
    if (c >= 'a' && c <= 'z')
      out += static_cast<char>(c - 'a' + 'A');
    else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
      out += static_cast<char>(c);
    else
      out += '_';
  }
  return out;
}

// Appends each component to `base`, taking the existing entry when the name only differs in case.
fs::path resolve(fs::path base, const std::vector<std::string>& parts) {
  std::error_code ec;
  for (const auto& part : parts) {
    if (part == ".") continue;
    fs::path exact = base / part;
    if (part == ".." || fs::exists(fs::symlink_status(exact, ec))) {
      base = std::move(exact);
      continue;
    }
    fs::path found = findIgnoringCase(base.empty() ? fs::path(".") : base, part);
    base = found.empty() ? std::move(exact) : base / found.filename();
  }
  return base;
}

}  // namespace

bool isDriveLocation(const std::string& location) {
  if (location.size() < 2 || location[1] != ':') return false;
  char c = location[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isUncLocation(const std::string& location) {
  return location.size() >= 2 && location[0] == '\\' && location[1] == '\\';
}

std::string uncVariable(const std::string& server, const std::string& share) {
  return "KONWERSJA_UNC_" + variablePart(server) + "_" + variablePart(share);
}

fs::path findIgnoringCase(const fs::path& directory, const std::string& name) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(directory / name, ec))) return directory / name;
  fs::directory_iterator it(directory, ec);
  if (ec) return {};
  const std::string wanted = lowerCp1250Letters(name);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return {};
    if (lowerCp1250Letters(it->path().filename().string()) == wanted) return it->path();
  }
  return {};
}

fs::path winePrefix() {
  if (const char* wp = std::getenv("WINEPREFIX"); wp && *wp) return wp;
  if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".wine";
  return ".wine";
}

fs::path hostPath(const std::string& location) {
  if (location.empty()) return {};
  if (isDriveLocation(location)) {
    char letter = location[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return resolve(wineDriveRoot(letter), components(location.substr(2)));
  }
  if (isUncLocation(location)) {
    std::vector<std::string> parts = components(location);
    if (parts.size() >= 2) {
      const std::string var = uncVariable(parts[0], parts[1]);
      if (const char* dir = std::getenv(var.c_str()); dir && *dir)
        return resolve(fs::path(dir), std::vector<std::string>(parts.begin() + 2, parts.end()));
    }
    return resolve(winePrefix() / "dosdevices" / "unc", parts);
  }
  std::error_code ec;
  if (location.find('\\') == std::string::npos && fs::exists(fs::symlink_status(location, ec)))
    return fs::path(location);
  bool absolute = location[0] == '/' || location[0] == '\\';
  return resolve(absolute ? fs::path("/") : fs::path(), components(location));
}

}  // namespace konw
