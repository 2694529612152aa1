#include "platform/sysfacts.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <fstream>
#include <sstream>

namespace konw {

void splitRelease(const std::string& release, unsigned& major, unsigned& minor, unsigned& build) {
  unsigned* parts[] = {&major, &minor, &build};
  for (auto* p : parts) *p = 0;
  std::size_t i = 0;
  for (int k = 0; k < 3; ++k) {
    if (i >= release.size() || release[i] < '0' || release[i] > '9') return;
    unsigned v = 0;
    while (i < release.size() && release[i] >= '0' && release[i] <= '9') v = v * 10 + (release[i++] - '0');
    *parts[k] = v;
    if (i >= release.size() || release[i] != '.') return;
    ++i;
  }
}

SystemFacts readSystemFacts() {
  SystemFacts f;
  struct utsname u {};
  if (uname(&u) == 0) {
    f.platform = u.sysname;
    splitRelease(u.release, f.major, f.minor, f.build);
    f.servicePack = u.version;
  }
  // MemAvailable counts reclaimable caches, which is what "available" means to the operator.
  bool haveAvailable = false;
  {
    std::ifstream in("/proc/meminfo");
    std::string name;
    double kb = 0;
    std::string unit;
    while (in >> name >> kb) {
      std::getline(in, unit);
      if (name == "MemAvailable:") {
        f.ramAvailable = kb * 1024.0;
        haveAvailable = true;
      }
    }
  }
  struct sysinfo si {};
  if (sysinfo(&si) == 0) {
    double unit = si.mem_unit ? si.mem_unit : 1;
    f.ramTotal = static_cast<double>(si.totalram) * unit;
    if (!haveAvailable) f.ramAvailable = static_cast<double>(si.freeram) * unit;
    f.swapFree = static_cast<double>(si.freeswap) * unit;
  }
  struct statvfs vfs {};
  if (statvfs(".", &vfs) == 0)
    f.diskFree = static_cast<double>(vfs.f_bavail) * static_cast<double>(vfs.f_frsize);
  return f;
}

}  // namespace konw
