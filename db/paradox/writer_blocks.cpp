#include "db/paradox/writer_blocks.h"

#include <cstring>

#include "db/error.h"

namespace db::paradox::wr {

namespace {

constexpr std::uint32_t kBlockHeader = 6;
constexpr std::uint32_t kMaxBlocks = 0xFFFF;

void putBlockHeader(unsigned char* b, std::uint32_t next, std::uint32_t prev, std::uint32_t records,
                    std::uint32_t recordSize) {
  putLe16(b, static_cast<std::uint16_t>(next));
  putLe16(b + 2, static_cast<std::uint16_t>(prev));
  // (records - 1) * size: an empty block would be negative.
  putLe16(b + 4, static_cast<std::uint16_t>(static_cast<std::int32_t>(records - 1) *
                                            static_cast<std::int32_t>(recordSize)));
}

}  // namespace

BlockPlan planBlocks(std::uint64_t records, std::uint32_t recordSize, std::uint32_t blockSize,
                     const std::string& what) {
  BlockPlan plan;
  plan.perBlock = (blockSize - kBlockHeader) / recordSize;
  if (plan.perBlock == 0)
    throw EngineError(errc::kNotSupported, what + ": rekord " + std::to_string(recordSize) +
                                               " bajtów nie mieści się w bloku " + std::to_string(blockSize));
  const std::uint64_t blocks = (records + plan.perBlock - 1) / plan.perBlock;
  if (blocks > kMaxBlocks)
    throw EngineError(errc::kNotSupported, what + ": " + std::to_string(records) + " rekordów wymaga " +
                                               std::to_string(blocks) +
                                               " bloków, więcej niż mieści plik; potrzebne większe bloki");
  plan.blocks = static_cast<std::uint32_t>(blocks);
  return plan;
}

void setBlocks(HeaderSpec& tdef, const BlockPlan& plan, std::uint32_t records) {
  tdef.records = records;
  tdef.blocks = static_cast<std::uint16_t>(plan.blocks);
  tdef.firstBlock = plan.blocks ? 1 : 0;
  tdef.lastBlock = static_cast<std::uint16_t>(plan.blocks);
}

void writeRecords(OutFile& out, const std::string& header, const Format& fmt, Cipher& cipher,
                  std::uint32_t recordSize, std::uint32_t count,
                  const std::function<const unsigned char*(std::uint32_t)>& record) {
  out.append(header.data(), header.size());
  const BlockPlan plan = planBlocks(count, recordSize, fmt.blockSize, "tabela");
  std::vector<unsigned char> block(fmt.blockSize);
  std::uint32_t i = 0;
  for (std::uint32_t b = 1; b <= plan.blocks; ++b) {
    std::fill(block.begin(), block.end(), 0);
    const std::uint32_t n = std::min(plan.perBlock, count - i);
    putBlockHeader(block.data(), b < plan.blocks ? b + 1 : 0, b - 1, n, recordSize);
    for (std::uint32_t k = 0; k < n; ++k, ++i)
      std::memcpy(&block[kBlockHeader + k * recordSize], record(i), recordSize);
    cipher.encryptBlock(block.data(), b);
    out.append(block.data(), block.size());
  }
}

void writeTree(OutFile& out, const Format& fmt, Cipher& cipher, HeaderSpec tdef, const TreeLeaves& leaves) {
  const std::uint32_t entrySize = leaves.keyLength + 6;
  const std::uint32_t perBlock = (fmt.blockSize - kBlockHeader) / entrySize;
  if (perBlock < 2) throw EngineError(errc::kNotSupported, "klucz indeksu za długi na rozmiar bloku");

  // levels[0] holds the leaf entries; each further level one entry per block of the level below.
  std::vector<std::string> levels(1);
  std::vector<std::uint32_t> firstBlockOf;  // block number of each level's first block
  for (std::size_t b = 0; b < leaves.counts.size(); ++b) {
    std::string& e = levels[0];
    e.append(leaves.firstKeys, b * leaves.keyLength, leaves.keyLength);
    unsigned char tail[6];
    putShort(tail, static_cast<std::int32_t>(b + 1));
    putShort(tail + 2, leaves.counts[b]);
    putShort(tail + 4, 0);
    e.append(reinterpret_cast<const char*>(tail), 6);
  }
  std::uint32_t nextBlock = 1;
  std::uint32_t totalEntries = 0;
  while (true) {
    const std::string& cur = levels.back();
    const std::uint32_t entries = static_cast<std::uint32_t>(cur.size() / entrySize);
    totalEntries += entries;
    firstBlockOf.push_back(nextBlock);
    const std::uint32_t blocks = (entries + perBlock - 1) / perBlock;
    nextBlock += blocks;
    if (nextBlock - 1 > kMaxBlocks)
      throw EngineError(errc::kNotSupported, "indeks wymaga więcej bloków, niż mieści plik");
    if (blocks <= 1) break;
    std::string up;
    for (std::uint32_t b = 0; b < blocks; ++b) {
      const std::uint32_t n = std::min(perBlock, entries - b * perBlock);
      up.append(cur, static_cast<std::size_t>(b) * perBlock * entrySize, leaves.keyLength);
      unsigned char tail[6];
      putShort(tail, static_cast<std::int32_t>(firstBlockOf.back() + b));
      putShort(tail + 2, static_cast<std::int32_t>(n));
      putShort(tail + 4, 0);
      up.append(reinterpret_cast<const char*>(tail), 6);
    }
    levels.push_back(std::move(up));
  }
  const std::uint32_t totalBlocks = nextBlock - 1;

  tdef.recordSize = static_cast<std::uint16_t>(entrySize);
  tdef.records = totalEntries;
  tdef.blocks = static_cast<std::uint16_t>(totalBlocks);
  tdef.firstBlock = totalBlocks ? 1 : 0;
  tdef.lastBlock = static_cast<std::uint16_t>(totalBlocks);
  tdef.root = static_cast<std::uint16_t>(totalBlocks ? totalBlocks : 1);
  tdef.levels = static_cast<std::uint8_t>(totalBlocks ? levels.size() : 0);
  const std::string header = buildHeader(fmt, tdef);
  out.append(header.data(), header.size());

  // Blocks of one level are chained to each other, in key order.
  std::vector<unsigned char> block(fmt.blockSize);
  for (std::size_t l = 0; l < levels.size(); ++l) {
    const std::string& cur = levels[l];
    const std::uint32_t entries = static_cast<std::uint32_t>(cur.size() / entrySize);
    const std::uint32_t blocks = (entries + perBlock - 1) / perBlock;
    for (std::uint32_t b = 0; b < blocks; ++b) {
      std::fill(block.begin(), block.end(), 0);
      const std::uint32_t no = firstBlockOf[l] + b;
      const std::uint32_t n = std::min(perBlock, entries - b * perBlock);
      putBlockHeader(block.data(), b + 1 < blocks ? no + 1 : 0, b > 0 ? no - 1 : 0, n, entrySize);
      std::memcpy(&block[kBlockHeader], cur.data() + static_cast<std::size_t>(b) * perBlock * entrySize,
                  n * entrySize);
      cipher.encryptBlock(block.data(), no);
      out.append(block.data(), block.size());
    }
  }
}

}  // namespace db::paradox::wr
