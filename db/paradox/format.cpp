#include "db/paradox/format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <optional>

#include "db/error.h"
#include "db/paradox/codepage.h"
#include "db/paradox/langdriver.h"

namespace db::paradox {

namespace {

class FileSource final : public ByteSource {
 public:
  FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override { ::close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t size() const override { return size_; }
  std::size_t readAt(std::uint64_t offset, void* buf, std::size_t n) const override {
    std::size_t done = 0;
    while (done < n) {
      ssize_t r = ::pread(fd_, static_cast<char*>(buf) + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        throw EngineError(errc::kIo,
                          std::string("Błąd odczytu pliku tabeli Paradoxu: ") + std::strerror(errno));
      }
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    return done;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string data) : data_(std::move(data)) {}
  std::uint64_t size() const override { return data_.size(); }
  std::size_t readAt(std::uint64_t offset, void* buf, std::size_t n) const override {
    if (offset >= data_.size()) return 0;
    std::size_t k = std::min<std::uint64_t>(n, data_.size() - offset);
    std::memcpy(buf, data_.data() + offset, k);
    return k;
  }

 private:
  std::string data_;
};

// The three 256-byte tables of the block cipher: constants of the file format.
constexpr char kT1Hex[] =
    "B2A50CDD38FECB5B0C23EC6A953ED52D2CF72D30EA1598B45F82D3AFF44C8416"
    "74170511ACDB43919C77A038BED68F25B1EE6D803714A97A57386C2FA64F7C38"
    "71D40B51F6B945211D6C4D876EA7E7210D85F4CE3A816A3ED732A423ACE90191"
    "B0EDC74612AC153DFF1B7B3BBAEE2C2C68A66260ED5B843361623979D4D2EB60"
    "B8251DDBFF3A219AB0C3F76352F52294F9B4B7BE9F543BCEE13C73CBEA2D4500"
    "9DC278E7960F143AA4DC01648DD6594E390F157DF08C8AC578034AE8FBEF18B4"
    "523179D08EAAC3C6CEEDE9425AD62D06C79AB13862D97E6174D246DECB2B0C59"
    "0B649D1C4FB206919B63B5B2A9FDAD5A38F9136E9D2D4B02F9136F50CB2109FA";
constexpr char kT2Hex[] =
    "61A7790237346F8101C2B2B3D64D3E030660984446681CEB104A5BAE22482442"
    "9F5590C17D2F6C414E8256D81E3228C6EDBC3C3AE9873B8F8608A3FBA46299FF"
    "59B9DE2D58931BB1762BAAD92AACCAF9E0B7051177A98EEFB5BB26EA8D189BFE"
    "C7F85A83FD2E6B8433FA69D474BFCBC419963FE525F2A5D595F3A039DCE4A17F"
    "7B497AF1EEF7750991679738D38947311F2C0ECE20CC9C2317920FF4136471C8"
    "CD3DB4CFE15052AF6D27B69430048C534BD24F21296A1AEC5C7E519A0D85E61D"
    "C588A8DD9EF65FDABD6E9D54DB5EC0805DB840631512A20C07AD70147216D0A6"
    "6535BAE7ABFCC3C9BE0BB0F545E24C730A3678438B8AF066D100DF7CE3E857D7";
constexpr char kT3Hex[] =
    "F908030FAD5210D83987F0E9D7BC929A1853D59CDBD4DD985D70B64616BF2C90"
    "94B31C971E745AA92EB44C4991436525AC8F2D6805E1F1048B7B333632A10E72"
    "D2271FF313EC148E1D8119B0EE0D28B2A5BAA6AFCB212AFE4440621AB8D0CDC6"
    "11003DD39DE0F789156AB56626A8C906DA9EDCEF6C864854F2028280FB24B97F"
    "CF07296367BD3835C18DF5F4AE5C563722889945AB78718A123EBB5E96CAC420"
    "7A7ED63A3C76DF01C2554AE44DD91BA7EA470A0BA258AA51D141E25931C8E86D"
    "CE2309E66FC02F609FE74E6E95A093A3DEF8B18C6B770CFF2B4BC7CC7CC342FA"
    "50A4EDFC7D73BEE3FD345B17B7308457F68375799BEBC585614F693BE5645F3F";

constexpr std::array<unsigned char, 256> fromHex(const char* hex) {
  std::array<unsigned char, 256> out{};
  auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
  for (int i = 0; i < 256; ++i)
    out[i] = static_cast<unsigned char>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
  return out;
}
constexpr auto kT1 = fromHex(kT1Hex);
constexpr auto kT2 = fromHex(kT2Hex);
constexpr auto kT3 = fromHex(kT3Hex);

void decryptChunk(unsigned char* chunk, unsigned a, unsigned b, unsigned c, unsigned d) {
  unsigned char plain[256];
  for (unsigned x = 0; x < 256; ++x) {
    unsigned y = (kT3[x] - d) & 0xFF;
    plain[x] = chunk[y] ^ kT1[(x + a) & 0xFF] ^ kT2[(y + b) & 0xFF] ^ kT3[(y + c) & 0xFF];
  }
  std::memcpy(chunk, plain, 256);
}

bool isTableOrIndexData(std::uint8_t fileType) {
  return fileType == 0 || fileType == 2 || fileType == 3 || fileType == 5 || fileType == 6 || fileType == 8;
}

[[noreturn]] void corrupt(const std::string& what, const std::string& why) {
  throw EngineError(errc::kCorrupt, "Uszkodzony nagłówek pliku " + what + " (" + why + ")");
}

// Reads a NUL-terminated string from [pos, end); false when no NUL comes before end.
bool readCString(const std::vector<unsigned char>& h, std::size_t& pos, std::size_t end, std::string& raw) {
  std::size_t start = pos;
  while (pos < end && h[pos] != 0) ++pos;
  if (pos >= end) return false;
  raw.assign(reinterpret_cast<const char*>(h.data() + start), pos - start);
  ++pos;
  return true;
}

}  // namespace

std::unique_ptr<ByteSource> openFile(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int e = errno;
    throw EngineError(e == ENOENT ? errc::kNotFound : errc::kIo,
                      "Nie można otworzyć pliku " + path.string() + ": " + std::strerror(e));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw EngineError(errc::kIo, "Nie można otworzyć pliku " + path.string() + ": to nie jest zwykły plik");
  }
  return std::make_unique<FileSource>(fd, static_cast<std::uint64_t>(st.st_size));
}

std::unique_ptr<ByteSource> memorySource(std::string data) {
  return std::make_unique<MemorySource>(std::move(data));
}

const char* Header::versionText() const {
  if (version <= 3) return "3.0";
  if (version == 4) return "3.5";
  if (version <= 9) return "4.x";
  if (version <= 11) return "5.x";
  return "7.x";
}

int Header::level() const {
  if (version <= 4) return 3;
  if (version <= 9) return 4;
  if (version <= 11) return 5;
  return 7;
}

int effectiveCodePage(const Header& header, int overrideCodePage) {
  return chooseCodePage(header, overrideCodePage).codePage;
}

Header readHeader(const ByteSource& src, int codePage, const std::string& what) {
  Header hd;
  std::vector<unsigned char> h(0x78, 0);
  std::size_t got = src.readAt(0, h.data(), h.size());
  if (got < 0x58) corrupt(what, "plik krótszy niż nagłówek");
  hd.recordSize = le16(&h[0x00]);
  hd.headerSize = le16(&h[0x02]);
  hd.fileType = h[0x04];
  const unsigned bs = h[0x05];
  hd.records = le32(&h[0x06]);
  hd.blocksInUse = le16(&h[0x0A]);
  hd.blocksInFile = le16(&h[0x0C]);
  hd.firstBlock = le16(&h[0x0E]);
  hd.lastBlock = le16(&h[0x10]);
  const int numFields = static_cast<std::int16_t>(le16(&h[0x21]));
  hd.keyFields = static_cast<std::int16_t>(le16(&h[0x23]));
  hd.rawEncryption = le32(&h[0x25]);
  hd.sortOrder = h[0x29];
  hd.version = h[0x39];
  hd.autoInc = le32(&h[0x49]);
  hd.flags55 = h[0x55];

  if (!isTableOrIndexData(hd.fileType)) corrupt(what, "to nie jest plik tabeli ani indeksu");
  if (bs != 1 && bs != 2 && bs != 3 && bs != 4 && bs != 8 && bs != 16 && bs != 32)
    corrupt(what, "rozmiar bloku " + std::to_string(bs) + " KiB");
  hd.blockSize = bs * 1024u;
  if (hd.recordSize == 0 || hd.recordSize + 6u > hd.blockSize) corrupt(what, "rozmiar rekordu");
  if (numFields <= 0 || numFields > 1024) corrupt(what, "liczba pól");
  if (hd.keyFields < 0 || hd.keyFields > numFields) corrupt(what, "liczba pól klucza");

  const bool extended = hd.version >= 5;
  const std::size_t varStart = extended ? 0x78 : 0x58;
  if (hd.headerSize < varStart) corrupt(what, "rozmiar nagłówka");
  if (src.size() < hd.headerSize) corrupt(what, "plik krótszy niż jego nagłówek");
  h.resize(hd.headerSize);
  if (src.readAt(0, h.data(), h.size()) != h.size()) corrupt(what, "plik krótszy niż jego nagłówek");
  const std::size_t end = hd.headerSize;

  hd.encryption = hd.rawEncryption;
  if (extended) {
    if (hd.rawEncryption == 0xFF00FF00u) hd.encryption = le32(&h[0x5C]);
    hd.codePage = le16(&h[0x6A]);
  }
  std::size_t pos = varStart;
  if (pos + 2u * numFields > end) corrupt(what, "opisy pól poza nagłówkiem");
  int offset = 0;
  hd.fields.resize(numFields);
  for (int i = 0; i < numFields; ++i) {
    FieldInfo& f = hd.fields[i];
    // The one place a type code from a file becomes a type: a code that is none stops here.
    const std::optional<PdxType> type = typeFromCode(h[pos + 2 * i]);
    if (!type) corrupt(what, "nieznany kod typu pola " + std::to_string(i + 1));
    f.type = *type;
    f.size = h[pos + 2 * i + 1];
    f.width = fieldWidth(f.type, f.size);
    if (f.width == 0) corrupt(what, "rozmiar pola " + std::to_string(i + 1));
    f.offset = offset;
    offset += f.width;
  }
  if (offset != hd.recordSize) corrupt(what, "rozmiary pól nie sumują się do rozmiaru rekordu");
  pos += 2u * numFields + 4 + 4u * numFields;
  pos += hd.version >= 12 ? 261 : 79;
  std::string raw;
  std::vector<std::string> rawNames(numFields);
  for (int i = 0; i < numFields; ++i)
    if (!readCString(h, pos, end, rawNames[i])) corrupt(what, "nazwy pól poza nagłówkiem");
  // What follows the names is not needed to read rows; a table that lacks it stays readable.
  std::string rawIndexName;
  if (hd.version >= 5 && pos + 2u * numFields <= end) {
    for (int i = 0; i < numFields; ++i) hd.fieldNumbers.push_back(le16(&h[pos + 2 * i]));
    pos += 2u * numFields;
    if (readCString(h, pos, end, raw)) {
      hd.sortOrderName = raw;
      if (hd.fileType == 6 || hd.fileType == 8) readCString(h, pos, end, rawIndexName);
    }
  }
  // The names are decoded once the language driver, which may decide the code page, is known.
  const CodePage& cp = CodePage::get(effectiveCodePage(hd, codePage));
  for (int i = 0; i < numFields; ++i)
    cp.toUtf8(hd.fields[i].name, reinterpret_cast<const unsigned char*>(rawNames[i].data()),
              rawNames[i].size());
  cp.toUtf8(hd.indexName, reinterpret_cast<const unsigned char*>(rawIndexName.data()), rawIndexName.size());
  return hd;
}

void decryptDbBlock(unsigned char* data, std::size_t n, std::uint32_t key, std::uint32_t blockNo) {
  const unsigned a = key & 0xFF, b = (key >> 8) & 0xFF;
  for (std::size_t c = 0; c * 256 < n; ++c) decryptChunk(data + c * 256, a, b, c & 0xFF, blockNo & 0xFF);
}

void decryptMbChunk(unsigned char* data, std::size_t n, std::uint32_t key) {
  const unsigned a = key & 0xFF, b = (key >> 8) & 0xFF;
  for (std::size_t c = 0; c * 256 < n; ++c)
    decryptChunk(data + c * 256, a, b, (a + 1) & 0xFF, (b + 1) & 0xFF);
}

double decodeDouble(const unsigned char* p) {
  std::uint64_t x = be64(p);
  x = (x & 0x8000000000000000ull) ? (x & 0x7FFFFFFFFFFFFFFFull) : ~x;
  return std::bit_cast<double>(x);
}

}  // namespace db::paradox
