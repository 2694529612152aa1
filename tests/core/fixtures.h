// Small installations of the product for tests: INI files, Params.DB, Conf and control tables.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "control/konwersja_dm.h"
#include "db/drivers.h"
#include "db/paradox/writer.h"
#include "support/env_guard.h"
#include "support/scratch_dir.h"

namespace test {

namespace fs = std::filesystem;
using db::paradox::FieldSpec;
using db::paradox::TableSpec;

inline void writeText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// Params.DB with every declared field; `typ` is TYPJST.
inline void writeParams(const fs::path& dir, const std::string& typ, bool dropGmina = false) {
  TableSpec tdef;
  tdef.password = "wrzo";
  auto A = [](const char* n, int s) { return FieldSpec{n, 'A', s}; };
  tdef.fields = {A("TypUzytk", 1),     {"IdJST", 'I', 0},    A("TYPJST", 1),     A("JedB", 1),
                 A("NAZWA", 252),      A("REGON", 9),        A("WK", 2),         A("PK", 2),
                 A("GK", 2),           A("GT", 2),           A("PT", 1),         A("Wojewodztwo", 40),
                 A("Powiat", 40),      A("Gmina", 40),       A("TypGminy", 20),  A("RIOw", 35),
                 A("PostName", 35),    A("MailAdr", 128),    A("POP3", 80),      A("SMTP", 80),
                 {"POP3port", 'I', 0}, {"SMTPport", 'I', 0}, A("UserId", 30),    A("PostPass", 15),
                 {"SerwTime", 'I', 0}, A("KodRIO", 2),       {"IsPost", 'L', 0}, {"ConectType", 'I', 0}};
  db::Row row = {std::string("J"),
                 std::int64_t{7},
                 typ.empty() ? db::Value{db::Null{}} : db::Value{typ},
                 std::string("N"),
                 std::string("Związek Gmin Ślężańskich"),
                 std::string("123456789"),
                 std::string("02"),
                 std::string("23"),
                 std::string("01"),
                 std::string("2"),
                 std::string("1"),
                 std::string("dolnośląskie"),
                 std::string("wrocławski"),
                 std::string("Sobótka"),
                 std::string("miejsko-wiejska"),
                 db::Null{},
                 db::Null{},
                 db::Null{},
                 db::Null{},
                 db::Null{},
                 std::int64_t{110},
                 std::int64_t{25},
                 db::Null{},
                 db::Null{},
                 std::int64_t{0},
                 std::string("WR"),
                 false,
                 std::int64_t{0}};
  if (dropGmina) {
    tdef.fields.erase(tdef.fields.begin() + 13);
    row.erase(row.begin() + 13);
  }
  db::paradox::writeTable(dir / "Params.DB", tdef, {row});
}

// Conf with a WerPl row (unless `wersja` is null), preceded by another row.
inline void writeConf(const fs::path& dir, const std::optional<std::string>& wersja) {
  TableSpec tdef;
  tdef.password = "wrzo";
  tdef.fields = {{"Kod", 'A', 20}, {"ParStr", 'A', 60}};
  tdef.keyFields = 1;
  std::vector<db::Row> rows = {{std::string("Aaa"), std::string("pierwszy")}};
  if (wersja) rows.push_back({std::string("WerPl"), *wersja});
  db::paradox::writeTable(dir / "Conf.DB", tdef, rows);
}

struct ListaRow {
  std::int64_t idtf;
  std::string tabela, tabelaIb;
};

// The six control tables; `missing` names one that is not written.
inline void writeControlTables(const fs::path& dir, const std::vector<ListaRow>& lista,
                               const std::vector<std::tuple<std::int64_t, std::string, std::string>>& pola,
                               const std::string& missing = "") {
  auto A = [](const char* n, int s) { return FieldSpec{n, 'A', s}; };
  fs::create_directories(dir);
  auto write = [&](const std::string& name, TableSpec tdef, std::vector<db::Row> rows) {
    if (name != missing) db::paradox::writeTable(dir / name, tdef, rows);
  };
  TableSpec l;
  l.keyFields = 1;
  l.fields = {{"IDTF", '+', 0},        {"KONWERTOWANA", 'L', 0},   A("TABELA", 25),       A("TABELA_IB", 25),
              A("AUTOINC_PDX", 25),    A("TRIGGER_IB", 40),        A("GENERATOR_IB", 40), {"SLOWNIK", 'L', 0},
              A("KLUCZ_SLOWNIKA", 40), A("KLUCZ_SLOWNIKA_IB", 40), {"DIZEZ", 'L', 0}};
  std::vector<db::Row> rows;
  for (const auto& r : lista)
    rows.push_back({r.idtf, true, r.tabela, r.tabelaIb, db::Null{}, db::Null{}, db::Null{}, false, db::Null{},
                    db::Null{}, true});
  write("ListaTabel.db", l, rows);

  TableSpec p;
  p.keyFields = 1;
  p.fields = {{"IDTF", '+', 0}, {"TABELA", 'I', 0}, A("POLE_PDX", 32), A("POLE_IB", 32)};
  rows.clear();
  std::int64_t id = 1;
  for (const auto& [t, pdx, ib] : pola) rows.push_back({id++, t, pdx, ib});
  write("ListaTabelPola.db", p, rows);

  TableSpec r;
  r.keyFields = 1;
  r.fields = {{"IDTF", '+', 0},
              {"TABELA", 'I', 0},
              A("POLE_IB", 32),
              {"ROZMIAR_PDX", 'N', 0},
              {"ROZMIAR_IB", 'N', 0}};
  write("ListaTabelRozmiary.db", r, {});
  TableSpec k;
  k.keyFields = 1;
  k.fields = {{"IDTF", '+', 0},
              {"TABELA", 'I', 0},
              A("POLE_IB", 32),
              {"NR_POLA_PDX", 'I', 0},
              {"NR_POLA_IB", 'I', 0}};
  write("ListaTabelKolejnosc.db", k, {});
  TableSpec s;
  s.keyFields = 1;
  s.fields = {{"IDTF", '+', 0}, A("TABELA", 25)};
  write("ListaTabelSkip.DB", s, {});
  TableSpec x;
  x.keyFields = 1;
  x.fields = {{"IDTF", '+', 0}, A("TABELA_IB", 25), A("TABELA_PDX", 25), A("IDX_KLUCZ", 255)};
  write("ListaIndekSkip.db", x, {});
}

// Points the data module's DBp at a Paradox directory and DBi at a Firebird database (its parameter lines).
inline void wskazBazy(konw::TdmKonw& dm, const fs::path& dane, const std::vector<std::string>& firebird) {
  dm.DBp.setDriverName("STANDARD");
  dm.DBp.clearParams();
  dm.DBp.addParam("PATH=" + dane.string());
  dm.DBp.addParam("DEFAULT DRIVER=PARADOX");
  dm.DBi.setDriverName("INTRBASE");
  dm.DBi.clearParams();
  for (const auto& line : firebird) dm.DBi.addParam(line);
}

}  // namespace test
