#include "db/firebird/lockdir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace db::firebird {

namespace {

std::string envValue(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// What an error number means for a folder the program writes into.
std::string cause(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return "brak wolnego miejsca na dysku";
    case EACCES:
    case EPERM:
      return "brak uprawnień do zapisu";
    case EROFS:
      return "system plików jest tylko do odczytu";
    case ENOENT:
      return "katalog nadrzędny nie istnieje";
    case ENOTDIR:
    case EEXIST:
      return "w tym miejscu jest plik, a nie katalog";
    default:
      return std::string("błąd systemu: ") + std::strerror(error);
  }
}

std::mutex gMutex;
std::string gChosen;

}  // namespace

std::vector<std::string> lockFolderCandidates() {
  if (std::string own = envValue("KONWERSJA_FB_LOCK"); !own.empty()) return {own};
  if (std::string engine = envValue("FIREBIRD_LOCK"); !engine.empty()) return {engine};
  const std::string name = "konwersja-firebird-" + std::to_string(::getuid());
  std::vector<std::string> folders;
  for (const std::string& base :
       {envValue("XDG_RUNTIME_DIR"), envValue("TMPDIR"), std::string("/tmp"), std::string("/var/tmp")}) {
    if (base.empty()) continue;
    const std::string folder = (base.ends_with('/') ? base : base + "/") + name;
    bool known = false;
    for (const std::string& f : folders) known = known || f == folder;
    if (!known) folders.push_back(folder);
  }
  return folders;
}

std::string lockFolderProblem(const std::string& folder, std::uint64_t room) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return cause(errno);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return cause(errno);
  if (!S_ISDIR(st.st_mode)) return cause(ENOTDIR);
  // What the file system says it has first; then a file of that size, since a file system may say so and
  // still not give it (another user's reserve, a quota).
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) == 0 && std::uint64_t{fs.f_bavail} * fs.f_frsize < room)
    return cause(ENOSPC);
  const std::string probe = folder + "/.miejsce-" + std::to_string(::getpid());
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return cause(errno);
  int error = ::posix_fallocate(fd, 0, static_cast<off_t>(room));
  if (error == EOPNOTSUPP || error == EINVAL) {
    // A file system that cannot reserve: the bytes are written.
    error = 0;
    const std::string block(1 << 16, '\0');
    for (std::uint64_t done = 0; done < room && error == 0; done += block.size())
      if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()))
        error = errno ? errno : ENOSPC;
  }
  ::close(fd);
  ::unlink(probe.c_str());
  return error ? cause(error) : std::string();
}

void chooseLockFolder() {
  std::lock_guard lock(gMutex);
  if (!gChosen.empty()) return;
  const std::vector<std::string> folders = lockFolderCandidates();
  gChosen = folders.front();
  for (const std::string& folder : folders) {
    if (lockFolderProblem(folder).empty()) {
      gChosen = folder;
      break;
    }
  }
  ::setenv("FIREBIRD_LOCK", gChosen.c_str(), 1);
}

std::string lockFolderRefusal() {
  std::string folder;
  {
    std::lock_guard lock(gMutex);
    folder = gChosen;
  }
  if (folder.empty()) return {};
  const std::string problem = lockFolderProblem(folder);
  if (problem.empty()) return {};
  const bool own = !envValue("KONWERSJA_FB_LOCK").empty();
  return "Nie można otworzyć bazy danych Firebird silnikiem wbudowanym w program: silnik potrzebuje na swoje "
         "pliki blokad " +
         std::to_string(kLockRoom >> 20) + " MB wolnego miejsca w katalogu " + folder + " (" + problem +
         "). Baza danych nie została zmieniona.\nProszę zwolnić miejsce w tym katalogu" +
         (own ? std::string(" albo wskazać inny katalog w zmiennej środowiskowej KONWERSJA_FB_LOCK.")
              : std::string(" (np. usunąć zbędne pliki z katalogu /tmp) albo wskazać katalog z wolnym "
                            "miejscem w zmiennej środowiskowej KONWERSJA_FB_LOCK.")) +
         " Dostęp do bazy przez serwer (położenie serwer:ścieżka) tego miejsca nie wymaga.";
}

}  // namespace db::firebird
