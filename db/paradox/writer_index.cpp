#include "db/paradox/writer_index.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "db/paradox/writer_blocks.h"

namespace db::paradox::wr {

namespace {

// The three fields after the indexed ones in a non-maintained index: where the row is in the table.
Field trailerField(const char* name, PdxType type, int offset) {
  Field f;
  f.name = f.rawName = name;
  f.type = type;
  f.size = typeInfo(type).width;
  f.width = f.size;
  f.offset = offset;
  return f;
}

}  // namespace

void writeSecondary(const IndexPlan& index, const std::vector<Field>& tableFields, const StoredRows& rows,
                    const Format& fmt, const TextEncoder& text, Cipher& cipher, OutFile& dataOut,
                    OutFile& treeOut) {
  const bool named = !index.name.empty();
  std::vector<Field> fields;
  int offset = 0;
  for (int fi : index.fields) {
    Field f = tableFields[fi];
    f.offset = offset;
    offset += f.width;
    fields.push_back(f);
  }
  const std::uint32_t valueLength = static_cast<std::uint32_t>(offset);
  fields.push_back(trailerField("Tup No", PdxType::Long, offset));
  fields.push_back(trailerField("Blk Num", PdxType::Short, offset + 4));
  fields.push_back(trailerField("Tup Offset", PdxType::Short, offset + 6));
  const std::uint32_t recordSize = valueLength + 8;
  const std::uint32_t keyLength = valueLength + 6;  // values, Tup No, Blk Num

  // Index records in chain order, and the bytes they sort by: the values (capitals for text when case
  // is ignored), then the row number, so that equal values keep table order.
  std::vector<unsigned char> recs(std::size_t{rows.count} * recordSize);
  std::vector<unsigned char> sortKeys(std::size_t{rows.count} * keyLength);
  for (std::uint32_t p = 0; p < rows.count; ++p) {
    unsigned char* r = &recs[std::size_t{p} * recordSize];
    const unsigned char* src = rows.record(p);
    for (std::size_t k = 0; k < index.fields.size(); ++k) {
      const Field& tf = tableFields[index.fields[k]];
      std::memcpy(r + fields[k].offset, src + tf.offset, tf.width);
    }
    putLong(r + valueLength, static_cast<std::int64_t>(p) + 1);
    putShort(r + valueLength + 4, static_cast<std::int32_t>(p / rows.perBlock + 1));
    putShort(r + valueLength + 6, static_cast<std::int32_t>((p % rows.perBlock) * rows.recordSize));
    unsigned char* s = &sortKeys[std::size_t{p} * keyLength];
    std::memcpy(s, r, keyLength);
    if (!index.caseSensitive) {
      for (std::size_t k = 0; k < index.fields.size(); ++k) {
        if (fields[k].type != PdxType::Alpha) continue;
        for (int b = 0; b < fields[k].width; ++b)
          s[fields[k].offset + b] = text.upper(s[fields[k].offset + b]);
      }
    }
  }
  std::vector<std::uint32_t> order(rows.count);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return std::memcmp(&sortKeys[std::size_t{a} * keyLength], &sortKeys[std::size_t{b} * keyLength],
                       keyLength) < 0;
  });
  sortKeys.clear();
  sortKeys.shrink_to_fit();

  const BlockPlan plan = planBlocks(rows.count, recordSize, fmt.blockSize, index.dataFile);
  HeaderSpec tdef;
  tdef.fileType = named ? 6 : 3;
  tdef.recordSize = static_cast<std::uint16_t>(recordSize);
  setBlocks(tdef, plan, rows.count);
  tdef.fields = fields;
  tdef.keyFields = static_cast<int>(index.fields.size()) + 2;
  for (int fi : index.fields) tdef.fieldNumbers.push_back(static_cast<std::uint16_t>(fi + 1));
  for (std::uint16_t k = 1; k <= 3; ++k)
    tdef.fieldNumbers.push_back(static_cast<std::uint16_t>(index.fields.size() + k));
  tdef.rawIndexName = index.rawName;
  tdef.indexFlags = index.caseSensitive ? 0x00 : 0x01;
  tdef.firstIndexedField = static_cast<std::uint8_t>(index.fields.front() + 1);
  tdef.rawFileName = text.encodeLossy(index.dataFile);
  writeRecords(dataOut, buildHeader(fmt, tdef), fmt, cipher, recordSize, rows.count,
               [&](std::uint32_t i) { return &recs[std::size_t{order[i]} * recordSize]; });

  TreeLeaves leaves;
  leaves.keyLength = keyLength;
  for (std::uint32_t b = 0; b < plan.blocks; ++b) {
    const std::uint32_t first = b * plan.perBlock;
    leaves.firstKeys.append(reinterpret_cast<const char*>(&recs[std::size_t{order[first]} * recordSize]),
                            keyLength);
    leaves.counts.push_back(static_cast<std::uint16_t>(std::min(plan.perBlock, rows.count - first)));
  }
  HeaderSpec tree;
  tree.fileType = named ? 7 : 4;
  tree.fields.assign(fields.begin(), fields.end() - 1);
  for (Field& f : tree.fields) f.rawName.clear();
  tree.rawFileName = text.encodeLossy(index.treeFile);
  writeTree(treeOut, fmt, cipher, tree, leaves);
}

}  // namespace db::paradox::wr
