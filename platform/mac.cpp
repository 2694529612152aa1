#include "platform/mac.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>

namespace konw {

namespace fs = std::filesystem;

namespace {

constexpr unsigned long kIffLoopback = 0x8;
constexpr long kArphrdEther = 1;
constexpr long kArphrdLoopback = 772;

std::string firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

// The file's number (decimal, or hexadecimal with 0x); nothing when absent or not a number.
std::optional<long> number(const fs::path& file) {
  const std::string text = firstLine(file);
  if (text.empty()) return std::nullopt;
  try {
    std::size_t used = 0;
    long value = std::stol(text, &used, 0);
    if (used != text.size()) return std::nullopt;
    return value;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Why the interface cannot identify the workstation; empty when it can.
std::string powodPominiecia(const fs::path& dir, const std::string& formatted) {
  std::error_code ec;
  const std::optional<long> flags = number(dir / "flags");
  const std::optional<long> type = number(dir / "type");
  if ((flags && (static_cast<unsigned long>(*flags) & kIffLoopback) != 0) ||
      (type && *type == kArphrdLoopback))
    return "pętla zwrotna";
  if (!fs::exists(fs::symlink_status(dir / "device", ec))) return "interfejs wirtualny, bez urządzenia";
  if (type && *type != kArphrdEther) return "nie jest kartą Ethernet";
  // A locally administered address (bit 0x02 of the first byte) still counts: it is the only one a
  // virtual machine's card has (52:54:00:..., 02:fc:00:...), and it stays with the card as a burnt-in one
  // does. The interfaces whose addresses are made up anew (bridges, veth, tun/tap) have no device.
  if (formatted.empty()) return "adres zerowy lub nieczytelny";
  return {};
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

WyborKartySieciowej wybierzKarteSieciowa(const fs::path& sysClassNet) {
  WyborKartySieciowej wybor;
  std::error_code ec;
  fs::directory_iterator it(sysClassNet, ec);
  if (ec) return wybor;
  std::tuple<long, std::string> best{LONG_MAX, {}};
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const fs::path dir = it->path();
    const std::string name = dir.filename().string();
    const std::string formatted = formatujAdresMAC(firstLine(dir / "address"));
    std::string powod = powodPominiecia(dir, formatted);
    if (!powod.empty()) {
      wybor.pominiete.push_back({name, std::move(powod)});
      continue;
    }
    const std::tuple<long, std::string> key{number(dir / "ifindex").value_or(LONG_MAX - 1), name};
    if (wybor.interfejs.empty() || key < best) {
      if (!wybor.interfejs.empty()) wybor.pominiete.push_back({wybor.interfejs, "nie jest pierwszą kartą"});
      best = key;
      wybor.interfejs = name;
      wybor.adres = formatted;
    } else {
      wybor.pominiete.push_back({name, "nie jest pierwszą kartą"});
    }
  }
  std::sort(wybor.pominiete.begin(), wybor.pominiete.end(),
            [](const PominietaKarta& a, const PominietaKarta& b) { return a.interfejs < b.interfejs; });
  return wybor;
}

std::string opisBrakuKartySieciowej(const WyborKartySieciowej& wybor) {
  std::string text =
      "Nie znaleziono fizycznej karty sieciowej: sekcja stanowiska w pliku konfiguracji nie jest używana.";
  if (wybor.pominiete.empty()) return text + " Komputer nie ma żadnego interfejsu sieciowego.";
  text += " Pominięto:";
  for (std::size_t i = 0; i < wybor.pominiete.size(); ++i)
    text += (i ? ", " : " ") + wybor.pominiete[i].interfejs + " (" + wybor.pominiete[i].powod + ")";
  return text + ".";
}

std::string opisKartySieciowej(const WyborKartySieciowej& wybor) {
  if (wybor.adres.empty()) return opisBrakuKartySieciowej(wybor);
  return "Stanowisko rozpoznano po karcie sieciowej " + wybor.interfejs + " (adres " + wybor.adres +
         "): jego sekcją w pliku konfiguracji jest [" + wybor.adres + "].";
}

std::string adresMACZKatalogu(const fs::path& sysClassNet) {
  return wybierzKarteSieciowa(sysClassNet).adres;
}

std::string PobierzAdresMAC() {
  return wybierzKarteSieciowa().adres;
}

}  // namespace konw
