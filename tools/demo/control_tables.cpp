// The six control tables of the conversion, filled for the demo catalogue: every listed table with
// its Firebird counterpart, and exactly the differences the demo's Firebird schema has on purpose.
#include <fmt/format.h>

#include <fstream>

#include "db/engine.h"
#include "db/paradox/writer.h"
#include "tools/demo/demo.h"
#include "tools/demo/values.h"

namespace konw::demo {

namespace {

using db::paradox::SecondaryIndexSpec;
using db::paradox::TableSpec;

TableSpec controlSpec(const std::string& fields, const std::string& orderField) {
  TableSpec tdef;
  tdef.fields = fieldList(fields);
  tdef.keyFields = 1;  // IDTF
  tdef.secondary = {SecondaryIndexSpec{"", {orderField}, true}};
  return tdef;
}

db::Value textOrNull(const std::string& s) {
  return s.empty() ? null() : txt(s);
}

// Headers of level 4 and later carry a time stamp. A demo must come out byte for byte the same for the
// same parameters, so its files carry one fixed moment instead (28 March 2024, 15:42 UTC).
constexpr std::uint32_t kDemoStamp = 1711640520u;

// Writes a table with the demo's fixed time stamp, in blocks large enough for its rows: a file holds at
// most 65,535 blocks, and only level 7 has blocks of 8 KiB and more.
void writeTablePinned(const std::filesystem::path& dbFile, TableSpec tdef, std::vector<db::Row> rows) {
  tdef.timeStamp = kDemoStamp;
  tdef.blockSizeKb = db::paradox::blockSizeKbFor(tdef, rows.size());
  db::paradox::writeTable(dbFile, tdef, std::move(rows));
}

}  // namespace

void writeControlTables(const std::filesystem::path& directory, const std::vector<DemoTable>& tables) {
  std::vector<db::Row> lista, pola, rozmiary, kolejnosc, skip, idxSkip;
  std::int64_t id = 0;
  for (const auto& t : tables) {
    if (t.skipped)
      skip.push_back({num(static_cast<std::int64_t>(skip.size() + 1)), txt(db::upperAscii(t.pdx))});
    if (!t.listed) continue;
    ++id;
    lista.push_back({num(id), flag(false), txt(db::upperAscii(t.pdx)), txt(t.fb), textOrNull(t.autoIncField),
                     textOrNull(t.trigger()), textOrNull(t.generator()), flag(t.dictionary),
                     textOrNull(t.dictKey), textOrNull(t.dictKeyIb), flag(t.dizez)});
    for (const auto& [p, f] : t.fieldMap)
      pola.push_back({num(static_cast<std::int64_t>(pola.size() + 1)), num(id), txt(p), txt(f)});
    for (const auto& s : t.sizes)
      rozmiary.push_back({num(static_cast<std::int64_t>(rozmiary.size() + 1)), num(id), txt(s.fbField),
                          real(s.pdxSize), real(s.fbSize)});
    for (const auto& o : t.orders)
      kolejnosc.push_back({num(static_cast<std::int64_t>(kolejnosc.size() + 1)), num(id), txt(o.fbField),
                           num(o.pdxNumber), num(o.fbNumber)});
    // Firebird keys Paradox lacks are named with the Paradox table; Paradox keys with the Firebird one.
    for (const auto& k : t.skipFbIndexes)
      idxSkip.push_back({null(), null(), txt(db::upperAscii(t.pdx)), txt(k)});
    for (const auto& k : t.skipPdxIndexes) idxSkip.push_back({null(), txt(t.fb), null(), txt(k)});
    if (t.skipNoIndex) idxSkip.push_back({null(), txt(t.fb), null(), txt("*")});
  }
  for (std::size_t i = 0; i < idxSkip.size(); ++i) idxSkip[i][0] = num(static_cast<std::int64_t>(i + 1));

  const auto writeTable = writeTablePinned;
  std::filesystem::create_directories(directory);
  writeTable(directory / "ListaTabel.db",
             controlSpec("IDTF:+,KONWERTOWANA:L,TABELA:A25,TABELA_IB:A25,AUTOINC_PDX:A25,TRIGGER_IB:A40,"
                         "GENERATOR_IB:A40,SLOWNIK:L,KLUCZ_SLOWNIKA:A40,KLUCZ_SLOWNIKA_IB:A40,DIZEZ:L",
                         "TABELA_IB"),
             std::move(lista));
  writeTable(directory / "ListaTabelPola.db",
             controlSpec("IDTF:+,TABELA:I,POLE_PDX:A32,POLE_IB:A32", "TABELA"), std::move(pola));
  writeTable(directory / "ListaTabelRozmiary.db",
             controlSpec("IDTF:+,TABELA:I,POLE_IB:A32,ROZMIAR_PDX:N,ROZMIAR_IB:N", "TABELA"),
             std::move(rozmiary));
  writeTable(directory / "ListaTabelKolejnosc.db",
             controlSpec("IDTF:+,TABELA:I,POLE_IB:A32,NR_POLA_PDX:I,NR_POLA_IB:I", "TABELA"),
             std::move(kolejnosc));
  writeTable(directory / "ListaTabelSkip.DB", controlSpec("IDTF:+,TABELA:A25", "TABELA"), std::move(skip));
  TableSpec idx;
  idx.fields = fieldList("IDTF:+,TABELA_IB:A25,TABELA_PDX:A25,IDX_KLUCZ:A255");
  idx.keyFields = 1;  // ordered by IDTF through the primary key
  writeTable(directory / "ListaIndekSkip.db", idx, std::move(idxSkip));
}

std::int64_t writeParadoxTables(const std::filesystem::path& dataDir, std::vector<DemoTable>& tables) {
  std::int64_t written = 0;
  for (auto& t : tables) {
    if (!t.writePdx || t.pdx.empty()) continue;
    if (t.fill) t.fill(t);
    const std::filesystem::path dir = t.subdir.empty() ? dataDir : dataDir / t.subdir;
    std::filesystem::create_directories(dir);
    written += static_cast<std::int64_t>(t.rows.size());
    writeTablePinned(dir / (t.pdx + ".DB"), t.tdef, std::move(t.rows));
    t.rows = {};
  }
  return written;
}

}  // namespace konw::demo
