// The workstation identifier: the hardware address of the first Ethernet card with a device of its own.
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
// the files ifindex, flags, type, address and, for a card, the entry "device"). An interface does not
// qualify when it is the loopback, has no device behind it (bridges, bonds, veth, tun/tap, docker0,
// ifb0), is not Ethernet (type other than 1), or its address is zero or unreadable. A card with a device
// of its own (PCI, virtio, USB) qualifies even when its address is locally administered, as a virtual
// machine's is. Among the cards the lowest interface index wins (ties: the name): the kernel numbers
// them in the order it found them, as the old adapter enumeration gave adapter 0 the first one bound.
WyborKartySieciowej wybierzKarteSieciowa(const std::filesystem::path& sysClassNet = "/sys/class/net");

// The additional-information line for a choice that found no adapter: says that no workstation section
// of the configuration is used and lists the interfaces left out with their reasons.
std::string opisBrakuKartySieciowej(const WyborKartySieciowej& wybor);

// The additional-information line for any choice: which card and address name the workstation's section,
// or, when none qualified, opisBrakuKartySieciowej.
std::string opisKartySieciowej(const WyborKartySieciowej& wybor);

// The workstation identifier of this machine: wybierzKarteSieciowa().adres (empty when none qualifies).
std::string PobierzAdresMAC();

// The same, read from a directory laid out as /sys/class/net.
std::string adresMACZKatalogu(const std::filesystem::path& sysClassNet);

// "00:e0:4c:6a:1b:2f" → "00E04C6A1B2F"; empty unless it is six bytes of which one is non-zero.
std::string formatujAdresMAC(const std::string& address);

}  // namespace konw
