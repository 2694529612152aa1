// The workstation identifier: the hardware address of the first network adapter.
#pragma once

#include <filesystem>
#include <string>

namespace konw {

// Twelve upper-case hexadecimal digits of the six-byte hardware address of the first network
// interface (lowest interface index) that is not the loopback and has a non-zero address; empty
// when there is none.
std::string PobierzAdresMAC();

// The same, read from a directory laid out as /sys/class/net (one subdirectory per interface with
// the files ifindex, flags, address).
std::string adresMACZKatalogu(const std::filesystem::path& sysClassNet);

// "00:e0:4c:6a:1b:2f" → "00E04C6A1B2F"; empty unless it is six bytes of which one is non-zero.
std::string formatujAdresMAC(const std::string& address);

}  // namespace konw
