// The workstation identifier: the hardware address of the first physical Ethernet adapter.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace konw {

// One interface that does not qualify and why (Polish, for the log).
struct PominietaKarta {
  std::string interfejs;
  std::string powod;
};

// What the choice of the workstation's adapter found.
struct WyborKartySieciowej {
  std::string adres;      // twelve upper-case hexadecimal digits; empty when no adapter qualifies
  std::string interfejs;  // the chosen interface's name ("eth0"); empty when none
  std::vector<PominietaKarta> pominiete;  // the other interfaces, by name
};

// Chooses the adapter from a directory laid out as /sys/class/net (one subdirectory per interface with
// the files ifindex, flags, type, address and, for real hardware, the entry "device"). An interface does
// not qualify when it is the loopback, has no device behind it (bridges, tunnels, docker0, ifb0, veth),
// is not Ethernet (type other than 1), or its address is zero, unreadable or locally administered (bit
// 0x02 of the first byte: addresses that virtual machines' tools and containers make up). Among the rest
// the lowest interface index wins (ties: the name).
WyborKartySieciowej wybierzKarteSieciowa(const std::filesystem::path& sysClassNet = "/sys/class/net");

// The additional-information line for a choice that found no adapter: says that no workstation section
// of the configuration is used and lists the interfaces left out with their reasons.
std::string opisBrakuKartySieciowej(const WyborKartySieciowej& wybor);

// The workstation identifier of this machine: wybierzKarteSieciowa().adres (empty when none qualifies).
std::string PobierzAdresMAC();

// The same, read from a directory laid out as /sys/class/net.
std::string adresMACZKatalogu(const std::filesystem::path& sysClassNet);

// "00:e0:4c:6a:1b:2f" → "00E04C6A1B2F"; empty unless it is six bytes of which one is non-zero.
std::string formatujAdresMAC(const std::string& address);

}  // namespace konw
