#include "db/paradox/index.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "db/error.h"
#include "platform/text.h"

namespace db::paradox {

namespace {

using konw::lowerAscii;

// Sort key of an index file extension: Xnn by number first, then XGn; -1 when not an index data file.
long indexExtensionRank(const std::string& ext) {
  auto allHex = [](const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(),
                                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  };
  if (ext.size() == 4 && ext[1] == 'x' && allHex(ext.substr(2))) return std::stol(ext.substr(2), nullptr, 16);
  if (ext.size() >= 4 && ext.size() <= 5 && ext[1] == 'x' && ext[2] == 'g' &&
      std::all_of(ext.begin() + 3, ext.end(),
                  [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
    return 0x10000 + std::stol(ext.substr(3), nullptr, 36);
  return -1;
}

}  // namespace

SecondaryIndex readIndexFile(const ByteSource& src, const Header& table, int codePage,
                             const std::string& fileName) {
  Header h = readHeader(src, codePage, fileName);
  auto bad = [&](const std::string& why) {
    return EngineError(errc::kCorrupt, "Uszkodzony plik indeksu " + fileName + " (" + why + ")");
  };
  const bool maintained = h.fileType == 5 || h.fileType == 8;
  if (h.fileType != 3 && h.fileType != 5 && h.fileType != 6 && h.fileType != 8)
    throw bad("to nie jest plik danych indeksu");
  SecondaryIndex ix;
  ix.fileName = fileName;
  ix.composite = h.fileType == 6 || h.fileType == 8;
  // Each index record ends in a trailer that locates the table row; what precedes it is the key.
  const int trailer = maintained ? table.keyFields + 1 : 3;
  const int keyCount = static_cast<int>(h.fields.size()) - trailer;
  if (keyCount < 1) throw bad("brak indeksowanego pola");
  if (static_cast<int>(h.fieldNumbers.size()) < keyCount) throw bad("brak numerów pól");
  for (int i = 0; i < keyCount; ++i) {
    const int number = h.fieldNumbers[i] & 0x7FFF;
    if (number < 1 || number > static_cast<int>(table.fields.size())) throw bad("numer pola poza zakresem");
    ix.fields.push_back(number - 1);
    ix.descending.push_back((h.fieldNumbers[i] & 0x8000) != 0 || (h.flags55 & 0x10) != 0);
  }
  ix.caseSensitive = (h.flags55 & 0x01) == 0;
  ix.unique = (h.flags55 & 0x20) != 0;
  ix.name = ix.composite && !h.indexName.empty() ? h.indexName : table.fields[ix.fields.front()].name;
  return ix;
}

std::vector<SecondaryIndex> readSecondaryIndexes(const std::filesystem::path& dbFile, const Header& table,
                                                 int codePage) {
  auto dir = dbFile.parent_path();
  if (dir.empty()) dir = ".";
  const std::string stem = lowerAscii(dbFile.stem().string());
  std::vector<std::pair<long, std::filesystem::path>> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const auto& p = it->path();
    if (lowerAscii(p.stem().string()) != stem) continue;
    long rank = indexExtensionRank(lowerAscii(p.extension().string()));
    if (rank >= 0 && it->is_regular_file(ec)) files.emplace_back(rank, p);
  }
  std::sort(files.begin(), files.end());
  std::vector<SecondaryIndex> out;
  for (const auto& [rank, path] : files) {
    auto src = openFile(path);
    out.push_back(readIndexFile(*src, table, codePage, path.filename().string()));
  }
  return out;
}

}  // namespace db::paradox
