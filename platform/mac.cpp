#include "platform/mac.h"

#include <climits>
#include <fstream>
#include <string>
#include <system_error>

namespace konw {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kIffLoopback = 0x8;

std::string firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string formatujAdresMAC(const std::string& address) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  bool nonZero = false;
  std::size_t i = 0;
  for (int byte = 0; byte < 6; ++byte) {
    if (byte > 0) {
      if (i >= address.size() || address[i] != ':') return {};
      ++i;
    }
    if (i + 2 > address.size()) return {};
    int hi = hexDigit(address[i]), lo = hexDigit(address[i + 1]);
    if (hi < 0 || lo < 0) return {};
    i += 2;
    nonZero = nonZero || hi != 0 || lo != 0;
    out += kHex[hi];
    out += kHex[lo];
  }
  if (i != address.size() || !nonZero) return {};
  return out;
}

std::string adresMACZKatalogu(const fs::path& sysClassNet) {
  std::error_code ec;
  fs::directory_iterator it(sysClassNet, ec);
  if (ec) return {};
  long bestIndex = LONG_MAX;
  std::string best;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const fs::path dir = it->path();
    std::string flagsText = firstLine(dir / "flags");
    unsigned long flags = 0;
    try {
      flags = std::stoul(flagsText, nullptr, 0);
    } catch (...) {
      flags = 0;
    }
    if ((flags & kIffLoopback) != 0) continue;
    std::string formatted = formatujAdresMAC(firstLine(dir / "address"));
    if (formatted.empty()) continue;
    long index = LONG_MAX - 1;
    try {
      index = std::stol(firstLine(dir / "ifindex"));
    } catch (...) {
    }
    if (index < bestIndex) {
      bestIndex = index;
      best = formatted;
    }
  }
  return best;
}

std::string PobierzAdresMAC() {
  return adresMACZKatalogu("/sys/class/net");
}

}  // namespace konw
