#include "app/blokada_przebiegu.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace konw {

namespace {

std::filesystem::path plik(const std::filesystem::path& katalog) {
  return katalog / BlokadaPrzebiegu::kNazwaPliku;
}

int otworz(const std::filesystem::path& katalog, bool doZapisu) {
  const std::string p = plik(katalog).string();
  int fd = doZapisu ? ::open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666) : -1;
  // A directory this user cannot write still shares its lock with those who can.
  if (fd < 0) fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
}

bool zablokuj(int fd) {
  int r;
  while ((r = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  return r == 0;
}

std::string tresc(int fd) {
  std::string out;
  char buf[512];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buf, sizeof buf, at);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
    at += n;
    if (out.size() > 4096) break;
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string komunikat(const std::filesystem::path& katalog, const std::string& kto) {
  return "Trwa już inna konwersja danych tej instalacji" + (kto.empty() ? std::string() : " (" + kto + ")") +
         ".\r\nDruga konwersja nie zostanie uruchomiona, dopóki tamta się nie zakończy.\r\n(Blokada: " +
         plik(katalog).string() + ")";
}

}  // namespace

std::optional<std::string> BlokadaPrzebiegu::Zajmij(const std::filesystem::path& katalog,
                                                    const std::string& kto) {
  Zwolnij();
  const int fd = otworz(katalog, true);
  if (fd < 0) return std::nullopt;
  if (!zablokuj(fd)) {
    std::string msg = komunikat(katalog, tresc(fd));
    ::close(fd);
    return msg;
  }
  fd_ = fd;
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  char czas[32] = {};
  const std::time_t teraz = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&teraz, &tm);
  std::strftime(czas, sizeof czas, "%Y-%m-%d %H:%M:%S", &tm);
  const std::string opis = "komputer " + std::string(host) + ", proces " + std::to_string(::getpid()) +
                           ", od " + czas + (kto.empty() ? std::string() : ", " + kto) + "\n";
  // Only informative: a file opened read-only keeps the lock all the same.
  if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, opis.data(), opis.size(), 0) < 0) {
  }
  return std::nullopt;
}

void BlokadaPrzebiegu::Zwolnij() noexcept {
  if (fd_ < 0) return;
  // What it said is no longer true; the file stays, so that nobody locks a file another has just removed.
  if (::ftruncate(fd_, 0) != 0) {
  }
  ::close(fd_);
  fd_ = -1;
}

std::optional<std::string> BlokadaPrzebiegu::KtoTrzyma(const std::filesystem::path& katalog) {
  const int fd = otworz(katalog, false);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> msg;
  if (zablokuj(fd))
    ::flock(fd, LOCK_UN);
  else
    msg = komunikat(katalog, tresc(fd));
  ::close(fd);
  return msg;
}

}  // namespace konw
