#include "db/paradox/writer_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "db/engine.h"
#include "db/error.h"
#include "db/paradox/format.h"

namespace db::paradox::wr {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

[[noreturn]] void ioError(const std::string& what, const std::filesystem::path& path, int err) {
  throw EngineError(errc::kIo, what + " " + path.string() + ": " + std::strerror(err));
}

void writeAll(int fd, const char* p, std::size_t n, std::uint64_t offset, const std::filesystem::path& path) {
  while (n > 0) {
    const ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(offset));
    if (w < 0) {
      if (errno == EINTR) continue;
      ioError("Nie można zapisać pliku", path, errno);
    }
    p += w;
    n -= static_cast<std::size_t>(w);
    offset += static_cast<std::uint64_t>(w);
  }
}

void syncDirectory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) ioError("Nie można otworzyć katalogu", dir, errno);
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) ioError("Nie można utrwalić na dysku katalogu", dir, err);
}

}  // namespace

OutFile::OutFile(std::filesystem::path path) : path_(std::move(path)) {
  // O_EXCL: a temporary name that exists already belongs to someone else; never write into it.
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) ioError("Nie można utworzyć pliku", path_, errno);
  buf_.reserve(kBufferSize);
}

OutFile::~OutFile() {
  if (fd_ >= 0) ::close(fd_);
}

void OutFile::fail(const char* what) const {
  ioError(what, path_, errno);
}

void OutFile::flush() {
  if (buf_.empty()) return;
  writeAll(fd_, buf_.data(), buf_.size(), flushed_, path_);
  flushed_ += buf_.size();
  buf_.clear();
}

void OutFile::append(const void* data, std::size_t n) {
  const char* p = static_cast<const char*>(data);
  if (buf_.size() + n > kBufferSize) flush();
  if (n >= kBufferSize) {
    writeAll(fd_, p, n, flushed_, path_);
    flushed_ += n;
  } else {
    buf_.insert(buf_.end(), p, p + n);
  }
  size_ += n;
}

void OutFile::appendZeros(std::size_t n) {
  static const char zeros[4096] = {};
  while (n > 0) {
    const std::size_t k = std::min(n, sizeof zeros);
    append(zeros, k);
    n -= k;
  }
}

void OutFile::writeAt(std::uint64_t offset, const void* data, std::size_t n) {
  flush();
  writeAll(fd_, static_cast<const char*>(data), n, offset, path_);
  if (offset + n > size_) size_ = flushed_ = offset + n;
}

void OutFile::finish() {
  if (fd_ < 0) return;
  flush();
  if (::fsync(fd_) != 0) fail("Nie można utrwalić na dysku pliku");
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) fail("Nie można zamknąć pliku");
}

TempFiles::TempFiles(std::filesystem::path dir) : dir_(std::move(dir)) {}

TempFiles::~TempFiles() {
  for (Entry& e : entries_) {
    e.file.reset();
    if (!e.renamed) ::unlink(e.temp.c_str());
  }
}

OutFile& TempFiles::create(const std::string& finalName, int rank) {
  static std::atomic<unsigned> counter{0};
  Entry e;
  e.finalName = finalName;
  e.rank = rank;
  e.temp = dir_ / ("." + finalName + ".new" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  // Only a file we created is ours to remove: when creation fails, nothing is recorded.
  e.file = std::make_unique<OutFile>(e.temp);
  entries_.push_back(std::move(e));
  return *entries_.back().file;
}

void TempFiles::commit(const std::vector<std::string>& stale) {
  for (Entry& e : entries_) e.file->finish();
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
  for (Entry& e : entries_) {
    const std::filesystem::path target = dir_ / e.finalName;
    if (::rename(e.temp.c_str(), target.c_str()) != 0) ioError("Nie można zastąpić pliku", target, errno);
    e.renamed = true;
  }
  syncDirectory(dir_);
  for (const std::string& name : stale) {
    const std::filesystem::path p = dir_ / name;
    if (::unlink(p.c_str()) != 0 && errno != ENOENT) ioError("Nie można usunąć zbędnego pliku", p, errno);
  }
  if (!stale.empty()) syncDirectory(dir_);
}

std::vector<std::string> abandonedTempFiles(const std::filesystem::path& dir, const std::string& stem) {
  // Names are "." + final name + ".new" + pid + "-" + counter, as create() makes them.
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    const std::size_t mark = name.rfind(".new");
    if (name.size() < 2 || name[0] != '.' || mark == std::string::npos || mark < 2) continue;
    const std::string finalName = name.substr(1, mark - 1);
    if (db::upperAscii(finalName.substr(0, finalName.find('.'))) != db::upperAscii(stem)) continue;
    const std::size_t dash = name.find('-', mark);
    const std::string pidText = name.substr(mark + 4, dash == std::string::npos ? 0 : dash - mark - 4);
    if (pidText.empty() || pidText.find_first_not_of("0123456789") != std::string::npos) continue;
    const long pid = std::stol(pidText);
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      found.push_back(name);
  }
  return found;
}

Cipher::Cipher(std::uint32_t key, std::uint32_t blockSize) : key_(key), blockSize_(blockSize) {}

void Cipher::apply(const Stream& s, unsigned char* data, std::size_t n) {
  unsigned char plain[256];
  const std::size_t period = s.pad.size();
  for (std::size_t base = 0; base < n; base += 256) {
    std::memcpy(plain, data + base, 256);
    const std::size_t k = base % period;
    for (std::size_t x = 0; x < 256; ++x) data[base + s.dest[x]] = plain[x] ^ s.pad[k + x];
  }
}

namespace {

// Derives the key stream and permutation from a decryption function over `n` bytes.
template <typename Decrypt>
void deriveStream(std::size_t n, std::vector<unsigned char>& pad, std::vector<unsigned char>& dest,
                  Decrypt decrypt) {
  pad.assign(n, 0);
  decrypt(pad.data());
  std::vector<unsigned char> probe(n);
  for (std::size_t i = 0; i < n; ++i) probe[i] = static_cast<unsigned char>(i & 0xFF);
  decrypt(probe.data());
  // The permutation depends only on the chunk's position parameter, which is the same for every chunk
  // of one call: the first chunk tells it.
  dest.assign(256, 0);
  bool seen[256] = {};
  for (std::size_t x = 0; x < 256; ++x) {
    const unsigned char y = probe[x] ^ pad[x];
    if (seen[y]) throw EngineError(errc::kNotSupported, "szyfru tabeli nie da się odwrócić");
    seen[y] = true;
    dest[x] = y;
  }
}

}  // namespace

const Cipher::Stream& Cipher::blockStream(std::uint32_t d) {
  auto it = blocks_.find(d & 0xFF);
  if (it != blocks_.end()) return it->second;
  Stream s;
  deriveStream(blockSize_, s.pad, s.dest,
               [&](unsigned char* p) { decryptDbBlock(p, blockSize_, key_, d & 0xFF); });
  return blocks_.emplace(d & 0xFF, std::move(s)).first->second;
}

void Cipher::encryptBlock(unsigned char* data, std::uint32_t blockNo) {
  if (key_ == 0) return;
  apply(blockStream(blockNo), data, blockSize_);
}

void Cipher::encryptMb(unsigned char* data, std::size_t n) {
  if (key_ == 0) return;
  if (!mb_) {
    mb_ = std::make_unique<Stream>();
    deriveStream(256, mb_->pad, mb_->dest, [&](unsigned char* p) { decryptMbChunk(p, 256, key_); });
  }
  apply(*mb_, data, n);
}

std::uint32_t keyForPassword(const std::string& rawPassword) {
  // FNV-1a over the password's bytes. Readers need only the key in the header, never the password.
  std::uint32_t h = 2166136261u;
  for (unsigned char c : rawPassword) h = (h ^ c) * 16777619u;
  if (h == 0 || h == 0xFF00FF00u) h ^= 0x5A5A5A5Au;
  return h;
}

}  // namespace db::paradox::wr
