// Files of a table being written: temporary names, buffered output, the cipher, atomic replacement.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace db::paradox::wr {

// One output file: buffered appends plus writes at earlier offsets.
class OutFile {
 public:
  explicit OutFile(std::filesystem::path path);  // creates it; EngineError kIo on failure
  ~OutFile();
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  void append(const void* data, std::size_t n);
  void appendZeros(std::size_t n);
  // Overwrites bytes already appended (or extends the file); the buffer is flushed first.
  void writeAt(std::uint64_t offset, const void* data, std::size_t n);
  std::uint64_t size() const { return size_; }
  // Flushes, syncs to disk and closes; EngineError kIo on any failure.
  void finish();

 private:
  void flush();
  [[noreturn]] void fail(const char* what) const;

  std::filesystem::path path_;
  int fd_ = -1;
  std::vector<char> buf_;
  std::uint64_t flushed_ = 0;  // file offset where buf_ starts
  std::uint64_t size_ = 0;
};

// The new files of a table under temporary names in the table's directory. Until commit() succeeds the
// old table is untouched; the destructor removes every temporary file that was not committed.
class TempFiles {
 public:
  explicit TempFiles(std::filesystem::path dir);
  ~TempFiles();
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;

  // Creates the temporary file that will become `finalName` (a name in the directory); files are renamed
  // in ascending `rank`, so that the one a reader opens first can be put in place last.
  OutFile& create(const std::string& finalName, int rank);
  // Syncs and closes every file, renames them over their final names by rank, syncs the directory,
  // then removes `stale` (names in the directory the new table no longer uses).
  void commit(const std::vector<std::string>& stale);

 private:
  struct Entry {
    std::string finalName;
    std::filesystem::path temp;
    std::unique_ptr<OutFile> file;
    int rank = 0;
    bool renamed = false;
  };
  std::filesystem::path dir_;
  std::vector<Entry> entries_;
};

// Temporary files in `dir` that an earlier write of the table named `stem` (ignoring case) left behind
// when its process died; files of a process still running are not listed.
std::vector<std::string> abandonedTempFiles(const std::filesystem::path& dir, const std::string& stem);

// The table cipher, built on the reader's decryption so that both always agree: decrypting a zero
// chunk yields its key stream, decrypting the chunk 0..255 yields its byte permutation.
class Cipher {
 public:
  Cipher(std::uint32_t key, std::uint32_t blockSize);
  // Encrypts data block `blockNo` (blockSize bytes) of a .DB or index file in place.
  void encryptBlock(unsigned char* data, std::uint32_t blockNo);
  // Encrypts `n` bytes of a .MB file (a multiple of 256) in place.
  void encryptMb(unsigned char* data, std::size_t n);

 private:
  struct Stream {
    std::vector<unsigned char> pad;   // key stream per byte
    std::vector<unsigned char> dest;  // where plain byte x of a chunk goes
  };
  const Stream& blockStream(std::uint32_t d);
  static void apply(const Stream& s, unsigned char* data, std::size_t n);

  std::uint32_t key_;
  std::uint32_t blockSize_;
  std::map<std::uint32_t, Stream> blocks_;
  std::unique_ptr<Stream> mb_;
};

// The key Paradox tables carry for a password (never 0).
std::uint32_t keyForPassword(const std::string& rawPassword);

}  // namespace db::paradox::wr
