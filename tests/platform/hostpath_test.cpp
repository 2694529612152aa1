#include "platform/hostpath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

#include "platform/mac.h"
#include "support/scratch_dir.h"

namespace konw {
namespace {

namespace fs = std::filesystem;

class HostPath : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.path / "drive_c" / "Kalmiro" / "Dane");
    std::ofstream(dir.path / "drive_c" / "Kalmiro" / "Dane" / "Params.DB") << "x";
    fs::create_directories(dir.path / "prefix" / "dosdevices");
    fs::create_symlink(dir.path / "drive_c", dir.path / "prefix" / "dosdevices" / "c:");
    setenv("WINEPREFIX", (dir.path / "prefix").c_str(), 1);
    unsetenv("KONWERSJA_DRIVE_C");
  }
  void TearDown() override {
    unsetenv("WINEPREFIX");
    unsetenv("KONWERSJA_DRIVE_C");
  }
  test::TempDir dir;
};

TEST_F(HostPath, DriveLetterThroughWinePrefixWithMixedCase) {
  fs::path p = hostPath("c:\\KALMIRO\\dane\\PARAMS.db");
  // The drive link is followed, so no colon is left to be taken for a Firebird server name.
  EXPECT_EQ(p, fs::canonical(dir.path) / "drive_c" / "Kalmiro" / "Dane" / "Params.DB");
  EXPECT_TRUE(fs::exists(p));
}

TEST_F(HostPath, MissingTailIsKeptAsWritten) {
  fs::path p = hostPath("C:\\kalmiro\\DANE\\Konwersja_1.log");
  EXPECT_EQ(p, fs::canonical(dir.path) / "drive_c" / "Kalmiro" / "Dane" / "Konwersja_1.log");
  EXPECT_EQ(hostPath("C:\\KALMIRO\\DANE\\"), fs::canonical(dir.path) / "drive_c" / "Kalmiro" / "Dane");
}

TEST_F(HostPath, DriveVariableWinsOverThePrefix) {
  fs::create_directories(dir.path / "other" / "KALMIRO");
  setenv("KONWERSJA_DRIVE_C", (dir.path / "other").c_str(), 1);
  EXPECT_EQ(hostPath("c:\\kalmiro"), dir.path / "other" / "KALMIRO");
}

TEST_F(HostPath, PlainHostPathWorksAsItIsAndIgnoresCaseWhenMissing) {
  fs::path real = dir.path / "drive_c" / "Kalmiro" / "Dane" / "Params.DB";
  EXPECT_EQ(hostPath(real.string()), real);
  std::string upper = (dir.path / "drive_c" / "KALMIRO" / "dane" / "params.db").string();
  EXPECT_EQ(hostPath(upper), real);
  EXPECT_TRUE(hostPath("").empty());
  EXPECT_FALSE(isDriveLocation("/tmp/x"));
  EXPECT_TRUE(isDriveLocation("d:"));
}

TEST_F(HostPath, EveryLetterOfWindows1250MatchesInEitherCase) {
  const fs::path c = fs::canonical(dir.path) / "drive_c";
  for (const char* name : {"DANE ŁÓDŹ", "zażółć gęślą jaźń", "ŠKODA ŤAŽKÉ ĽUBICA ŔÍŠA", "Straße", "a×b"})
    fs::create_directories(c / name);
  struct Case {
    const char* location;
    fs::path expected;
  };
  const std::vector<Case> cases = {
      {"C:\\Dane Łódź\\", c / "DANE ŁÓDŹ"},
      {"C:\\ZAŻÓŁĆ GĘŚLĄ JAŹŃ", c / "zażółć gęślą jaźń"},
      {"C:\\škoda ťažké ľubica ŕíša", c / "ŠKODA ŤAŽKÉ ĽUBICA ŔÍŠA"},
      // Only letters that differ in case match: ß has no capital, × and ÷ are no pair.
      {"C:\\STRASSE", c / "STRASSE"},
      {"C:\\A÷B", c / "A÷B"},
  };
  for (const auto& k : cases) EXPECT_EQ(hostPath(k.location), k.expected) << k.location;
}

TEST_F(HostPath, NetworkSharesThroughWineOrTheirVariable) {
  // The share as Wine keeps it: dosdevices/unc/<server>/<share>, here in a case that differs from the INI.
  const fs::path unc = dir.path / "prefix" / "dosdevices" / "unc";
  fs::create_directories(unc / "serwer" / "kalmiro" / "Dane" / "BUFOR");
  fs::create_directories(dir.path / "mnt" / "ksiegi" / "DANE");
  fs::create_directories(dir.path / "mnt" / "srv" / "Dane");
  struct Case {
    const char* location;
    std::vector<std::pair<std::string, std::string>> env;  // variables set for this case
    fs::path expected;
  };
  const std::vector<Case> cases = {
      {"\\\\SERWER\\Kalmiro\\DANE\\", {}, unc / "serwer" / "kalmiro" / "Dane"},
      {"\\\\serwer\\KALMIRO\\dane\\bufor\\JO", {}, unc / "serwer" / "kalmiro" / "Dane" / "BUFOR" / "JO"},
      {"\\\\SERWER", {}, unc / "serwer"},
      {"\\\\INNY\\Kalmiro\\DANE", {}, unc / "INNY" / "Kalmiro" / "DANE"},
      // The variable wins over Wine's tree, and only for its own share.
      {"\\\\SERWER\\Kalmiro\\dane",
       {{"KONWERSJA_UNC_SERWER_KALMIRO", (dir.path / "mnt" / "ksiegi").string()}},
       dir.path / "mnt" / "ksiegi" / "DANE"},
      {"\\\\SERWER\\Kalmiro2\\DANE",
       {{"KONWERSJA_UNC_SERWER_KALMIRO", (dir.path / "mnt" / "ksiegi").string()}},
       unc / "serwer" / "Kalmiro2" / "DANE"},
      // Characters a variable name cannot hold become '_'; one '_' per non-ASCII letter.
      {"\\\\srv-01.firma.local\\dane$\\DANE",
       {{"KONWERSJA_UNC_SRV_01_FIRMA_LOCAL_DANE_", (dir.path / "mnt" / "srv").string()}},
       dir.path / "mnt" / "srv" / "Dane"},
      {"\\\\SERWER\\Księgowość\\DANE",
       {{"KONWERSJA_UNC_SERWER_KSI_GOWO__", (dir.path / "mnt" / "ksiegi").string()}},
       dir.path / "mnt" / "ksiegi" / "DANE"},
      // An empty variable counts as not set.
      {"\\\\SERWER\\Kalmiro\\DANE",
       {{"KONWERSJA_UNC_SERWER_KALMIRO", ""}},
       unc / "serwer" / "kalmiro" / "Dane"},
  };
  for (const auto& c : cases) {
    for (const auto& [name, value] : c.env) setenv(name.c_str(), value.c_str(), 1);
    EXPECT_EQ(hostPath(c.location), c.expected) << c.location;
    for (const auto& [name, value] : c.env) unsetenv(name.c_str());
  }
  EXPECT_EQ(uncVariable("srv-01.firma.local", "dane$"), "KONWERSJA_UNC_SRV_01_FIRMA_LOCAL_DANE_");
  EXPECT_TRUE(isUncLocation("\\\\SERWER\\x"));
  EXPECT_FALSE(isUncLocation("\\SERWER\\x"));
  EXPECT_FALSE(isUncLocation("//SERWER/x"));
  EXPECT_FALSE(isDriveLocation("\\\\C:\\x"));
}

TEST_F(HostPath, WorkstationAddressFromTheFirstUsableInterface) {
  auto iface = [&](const std::string& name, int index, const std::string& flags, const std::string& addr) {
    fs::create_directories(dir.path / "net" / name);
    std::ofstream(dir.path / "net" / name / "ifindex") << index << "\n";
    std::ofstream(dir.path / "net" / name / "flags") << flags << "\n";
    std::ofstream(dir.path / "net" / name / "address") << addr << "\n";
    if (name.rfind("eth", 0) == 0) fs::create_directories(dir.path / "net" / name / "device");
  };
  EXPECT_EQ(adresMACZKatalogu(dir.path / "net"), "");
  iface("lo", 1, "0x9", "00:00:00:00:00:00");
  iface("tun0", 2, "0x1091", "00:00:00:00:00:00");
  EXPECT_EQ(adresMACZKatalogu(dir.path / "net"), "");
  iface("eth1", 4, "0x1003", "aa:bb:cc:dd:ee:ff");
  iface("eth0", 3, "0x1003", "00:e0:4c:6a:1b:2f");
  EXPECT_EQ(adresMACZKatalogu(dir.path / "net"), "00E04C6A1B2F");
  EXPECT_EQ(formatujAdresMAC("00:e0:4c:6a:1b"), "");
  EXPECT_EQ(formatujAdresMAC("00:e0:4c:6a:1b:2f:00"), "");
}

}  // namespace
}  // namespace konw
