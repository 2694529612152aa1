#include "db/paradox/blob.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "db/error.h"

namespace db::paradox {

namespace {
constexpr std::size_t kUnit = 4096;
}

BlobFile::BlobFile(std::unique_ptr<ByteSource> src, std::uint32_t key, std::string name)
    : src_(std::move(src)), key_(key), name_(std::move(name)), unit_(kUnit) {}

void BlobFile::corrupt(std::uint32_t ref, const std::string& why) const {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", ref);
  throw EngineError(errc::kCorrupt, name_ + ": uszkodzone odwołanie " + hex + " (" + why + ")");
}

void BlobFile::loadUnit(std::uint64_t offset) {
  if (offset == unitOffset_) return;
  unitOffset_ = UINT64_MAX;
  std::size_t got = src_->readAt(offset, unit_.data(), kUnit);
  std::fill(unit_.begin() + static_cast<std::ptrdiff_t>(got), unit_.end(), 0);
  if (key_ != 0) decryptMbChunk(unit_.data(), kUnit, key_);
  unitOffset_ = offset;
}

void BlobFile::read(std::uint32_t ref, std::uint32_t length, std::uint16_t mod, std::string& out,
                    std::vector<std::string>& warnings) {
  const std::uint64_t offset = ref & 0xFFFFFF00u;
  const unsigned index = ref & 0xFF;
  if (offset == 0 || offset + 12 > src_->size()) corrupt(ref, "blok poza plikiem");
  loadUnit(offset);
  const unsigned char* u = unit_.data();
  const unsigned type = u[0];
  if (type == 2) {
    const std::uint64_t units = le16(u + 1);
    const std::uint32_t stored = le32(u + 3);
    const std::uint16_t storedMod = le16(u + 7);
    if (index != 0xFF)
      warnings.push_back("do pojedynczego bloku odwołanie z indeksem " + std::to_string(index));
    if (9 + std::uint64_t{stored} > units * kUnit) corrupt(ref, "wartość dłuższa niż jej blok");
    if (offset + 9 + stored > src_->size()) corrupt(ref, "wartość sięga poza koniec pliku");
    if (stored != length || storedMod != mod)
      warnings.push_back("wartość pod adresem " + std::to_string(offset) + " ma długość " +
                         std::to_string(stored) + " i numer zmiany " + std::to_string(storedMod) +
                         ", a rekord podaje " + std::to_string(length) + " i " + std::to_string(mod));
    out.resize(stored);
    if (key_ == 0) {
      if (src_->readAt(offset + 9, out.data(), stored) != stored)
        corrupt(ref, "wartość sięga poza koniec pliku");
      return;
    }
    // The cipher works on whole 256-byte chunks of the file: decrypt the chunks the blob spans.
    std::uint64_t first = offset, last = (offset + 9 + stored + 255) / 256 * 256;
    std::vector<unsigned char> buf(static_cast<std::size_t>(last - first), 0);
    src_->readAt(first, buf.data(), buf.size());
    decryptMbChunk(buf.data(), buf.size(), key_);
    std::memcpy(out.data(), buf.data() + 9, stored);
    return;
  }
  if (type == 3) {
    if (index >= 64) corrupt(ref, "indeks wartości w bloku współdzielonym poza zakresem");
    const unsigned char* e = u + 12 + 5 * index;
    const unsigned start = e[0] * 16u;
    const unsigned units = e[1];
    const std::uint16_t storedMod = le16(e + 2);
    const unsigned rest = e[4];
    if (start == 0 || units == 0 || rest == 0 || rest > 16)
      corrupt(ref, "pusta pozycja bloku współdzielonego");
    const std::uint32_t stored = (units - 1) * 16 + rest;
    if (start + stored > kUnit) corrupt(ref, "wartość sięga poza swój blok współdzielony");
    if (offset + start + stored > src_->size()) corrupt(ref, "wartość sięga poza koniec pliku");
    if (stored != length || storedMod != mod)
      warnings.push_back("wartość pod adresem " + std::to_string(offset) + "/" + std::to_string(index) +
                         " ma długość " + std::to_string(stored) + " i numer zmiany " +
                         std::to_string(storedMod) + ", a rekord podaje " + std::to_string(length) + " i " +
                         std::to_string(mod));
    out.assign(reinterpret_cast<const char*>(u + start), stored);
    return;
  }
  corrupt(ref, "blok typu " + std::to_string(type));
}

}  // namespace db::paradox
