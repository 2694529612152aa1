#include "platform/mac.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace konw {
namespace {

namespace fs = std::filesystem;

// One interface of a fake /sys/class/net.
struct Interfejs {
  std::string nazwa;
  int ifindex;
  std::string flags;
  int type;  // 0: no type file
  std::string address;
  bool device;
};

struct Ksztalt {
  const char* opis;
  std::vector<Interfejs> interfejsy;
  std::string adres;
  std::string wybrany;
};

void utworz(const fs::path& root, const Interfejs& i) {
  const fs::path dir = root / i.nazwa;
  fs::create_directories(dir);
  std::ofstream(dir / "ifindex") << i.ifindex << "\n";
  std::ofstream(dir / "flags") << i.flags << "\n";
  if (i.type) std::ofstream(dir / "type") << i.type << "\n";
  std::ofstream(dir / "address") << i.address << "\n";
  // On a real system "device" is a link into the bus's device tree.
  if (i.device) fs::create_directory_symlink(root / ".." / "devices", dir / "device");
}

const Interfejs kLo{"lo", 1, "0x9", 772, "00:00:00:00:00:00", false};

TEST(AdresStanowiska, PierwszaFizycznaKartaEthernet) {
  const std::vector<Ksztalt> ksztalty = {
      {"virtual interfaces with lower indexes come first",
       {kLo,
        {"docker0", 2, "0x1003", 1, "02:42:ac:11:00:01", false},
        {"br0", 3, "0x1003", 1, "00:11:22:33:44:55", false},
        {"tun0", 4, "0x1091", 65534, "", false},
        {"ifb0", 5, "0x82", 1, "3e:8a:11:00:22:33", false},
        {"enp3s0", 6, "0x1003", 1, "00:e0:4c:6a:1b:2f", true}},
       "00E04C6A1B2F",
       "enp3s0"},
      {"a global address without a device behind it",
       {kLo, {"eth0", 2, "0x1003", 1, "00:1b:21:3a:4b:5c", false}},
       "",
       ""},
      {"a virtual machine's card keeps its locally administered address; bridge, veth and ifb do not count",
       {kLo,
        {"ifb0", 2, "0x82", 1, "ee:c7:39:b4:b5:c5", false},
        {"br0", 3, "0x1003", 1, "00:16:3e:00:00:01", false},
        {"veth1a2b", 4, "0x1003", 1, "1e:00:00:00:00:02", false},
        {"eth0", 5, "0x1003", 1, "02:fc:00:00:00:01", true}},
       "02FC00000001",
       "eth0"},
      {"the first card wins whatever its address: locally administered before universal",
       {kLo,
        {"ens3", 2, "0x1003", 1, "52:54:00:12:34:56", true},
        {"ens4", 3, "0x1003", 1, "00:1b:21:3a:4b:5c", true}},
       "525400123456",
       "ens3"},
      {"a bond and a tap have no device of their own",
       {{"bond0", 2, "0x1003", 1, "00:1b:21:3a:4b:5d", false},
        {"tap0", 3, "0x1003", 1, "5a:00:00:00:00:03", false}},
       "",
       ""},
      {"only the loopback", {kLo}, "", ""},
      {"a zero address on real hardware, then a wireless card",
       {kLo,
        {"eth0", 2, "0x1002", 1, "00:00:00:00:00:00", true},
        {"wlan0", 5, "0x1003", 1, "00:21:6a:01:02:03", true}},
       "00216A010203",
       "wlan0"},
      {"the lowest index wins, not the name",
       {{"enp5s0", 2, "0x1003", 1, "00:1b:21:00:00:05", true},
        {"enp1s0", 4, "0x1003", 1, "00:1b:21:00:00:01", true}},
       "001B21000005",
       "enp5s0"},
      {"hardware that is not Ethernet",
       {kLo,
        {"ib0", 2, "0x1003", 32, "00:1b:21:00:00:07", true},
        {"eth0", 3, "0x1003", 0, "00:1b:21:00:00:08", true}},
       "001B21000008",
       "eth0"},
      {"no interfaces at all", {}, "", ""},
  };
  for (const auto& k : ksztalty) {
    test::TempDir dir;
    const fs::path root = dir.path / "class" / "net";
    fs::create_directories(root);
    for (const auto& i : k.interfejsy) utworz(root, i);
    const WyborKartySieciowej wybor = wybierzKarteSieciowa(root);
    EXPECT_EQ(wybor.adres, k.adres) << k.opis;
    EXPECT_EQ(wybor.interfejs, k.wybrany) << k.opis;
    EXPECT_EQ(adresMACZKatalogu(root), k.adres) << k.opis;
    EXPECT_EQ(wybor.pominiete.size() + (k.wybrany.empty() ? 0 : 1), k.interfejsy.size()) << k.opis;
  }
  EXPECT_EQ(wybierzKarteSieciowa("/nonexistent/class/net").adres, "");
}

TEST(AdresStanowiska, OpisBrakuKartyPodajePowody) {
  test::TempDir dir;
  const fs::path root = dir.path / "net";
  fs::create_directories(root);
  for (const auto& i : {kLo, Interfejs{"docker0", 2, "0x1003", 1, "02:42:ac:11:00:01", false},
                        Interfejs{"eth0", 3, "0x1003", 1, "00:00:00:00:00:00", true}})
    utworz(root, i);
  const std::string opis = opisKartySieciowej(wybierzKarteSieciowa(root));
  EXPECT_EQ(
      opis,
      "Nie znaleziono fizycznej karty sieciowej: sekcja stanowiska w pliku konfiguracji nie jest używana. "
      "Pominięto: docker0 (interfejs wirtualny, bez urządzenia), eth0 (adres zerowy lub nieczytelny), "
      "lo (pętla zwrotna).");
}

TEST(AdresStanowiska, OpisKartyPodajeKarteIAdres) {
  test::TempDir dir;
  const fs::path root = dir.path / "net";
  fs::create_directories(root);
  for (const auto& i : {kLo, Interfejs{"eth0", 2, "0x1003", 1, "52:54:00:12:34:56", true}}) utworz(root, i);
  EXPECT_EQ(opisKartySieciowej(wybierzKarteSieciowa(root)),
            "Stanowisko rozpoznano po karcie sieciowej eth0 (adres 525400123456): jego sekcją w pliku "
            "konfiguracji jest [525400123456].");
}

}  // namespace
}  // namespace konw
