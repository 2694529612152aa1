// konwersja-cli check: what a conversion would meet, found days before it. Every Paradox table a whole
// conversion copies is read through (every row, every field, memos and blobs included), its structure
// compared with its Firebird table as a run compares it, and the names ListaTabel puts into SQL checked.
// It writes into neither database: the Paradox tables are opened read-only and Firebird is only read,
// but for the triggers an interrupted conversion left off, which every start of the program switches
// back on.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "compare/porownanie.h"
#include "control/identyfikatory.h"
#include "control/konwersja_dm.h"
#include "db/engine.h"
#include "platform/text.h"
#include "tools/cli/commands.h"
#include "tools/cli/headless.h"
#include "tools/cli/podsumowanie.h"

namespace {

using namespace konw::cli;

struct Opcje {
  Instalacja instalacja;
  std::string json;
};

// One finding; a critical one would spoil the conversion's verdict.
struct Ustalenie {
  std::string rodzaj;  // "name", "missing", "structure", "damaged"
  bool krytyczne = false;
  std::string tekst;
};

struct Tabela {
  std::string paradox, firebird;
  std::int64_t wiersze = 0;  // rows read
  bool przeczytana = false;  // read to its end
  std::vector<Ustalenie> ustalenia;
};

// Reads the whole table as a copy would and notes what the reader could not take as stored.
void przeczytaj(konw::TdmKonw& dm, Tabela& t) {
  const std::string plik = t.paradox + ".DB";
  db::Table zrodlo;
  zrodlo.setDatabase(&dm.DBp);
  zrodlo.setTableName(plik);
  zrodlo.setReadOnly(true);
  try {
    zrodlo.open();
    const int pola = zrodlo.fieldCount();
    for (zrodlo.first(); !zrodlo.eof(); zrodlo.next()) {
      for (int i = 0; i < pola; ++i) static_cast<void>(zrodlo.field(i).value());
      ++t.wiersze;
    }
    t.przeczytana = true;
  } catch (const db::EngineError& e) {
    t.ustalenia.push_back({"damaged", true,
                           "Nie można odczytać tabeli " + plik + " (po " + std::to_string(t.wiersze) +
                               " wierszach): " + konw::trim(e.what())});
  }
  for (const db::ReadWarning& w : zrodlo.takeWarnings()) {
    if (!konw::equalsIgnoreCase(w.table, plik)) continue;
    std::string linia = "Tabela " + w.table;
    if (w.record > 0) linia += ", rekord " + std::to_string(w.record);
    if (!w.field.empty()) linia += ", pole " + w.field;
    t.ustalenia.push_back({"damaged", true, linia + ": " + w.text});
  }
  zrodlo.close();
}

// The structure comparison of the current ListaTabel row, as a run makes it.
void porownaj(konw::TfrmConvert& frm, Tabela& t) {
  konw::TdmKonw& dm = *frm.dm();
  dm.TblI.close();
  dm.TblP.close();
  dm.TblP.setDatabase(&dm.DBp);
  const konw::WynikPorownania w = konw::PorownajStrukturyTabel(dm, frm.ui(), t.firebird, t.paradox, true);
  for (const auto& [linie, krytyczne] : {std::pair{&w.krytyczne, true}, std::pair{&w.bledy, false}})
    for (const std::string& l : konw::splitList(*linie, '\n'))
      if (!konw::trim(l).empty()) t.ustalenia.push_back({"structure", krytyczne, konw::trim(l)});
}

// One ListaTabel row: its names, its Paradox table read through, its structure compared.
Tabela sprawdzWiersz(konw::TfrmConvert& frm) {
  konw::TdmKonw& dm = *frm.dm();
  db::Table& lista = dm.tblLista;
  Tabela t{lista.fieldByName("TABELA").asString(), lista.fieldByName("TABELA_IB").asString(), 0, false, {}};
  const std::string idtf = lista.fieldByName("IDTF").asString();
  if (t.paradox.empty())
    t.ustalenia.push_back({"name", true, "Brak nazwy tabeli Paradox (ident. " + idtf + ")"});
  if (t.firebird.empty())
    t.ustalenia.push_back({"name", true, "Brak nazwy tabeli Firebird (ident. " + idtf + ")"});
  if (t.paradox.empty() || t.firebird.empty()) return t;
  // A refused name never enters a statement, this one's neither.
  if (const std::string odmowa = konw::BlednyIdentyfikatorListy(lista); !odmowa.empty()) {
    t.ustalenia.push_back({"name", true, konw::trim(odmowa)});
    return t;
  }
  const bool jb = frm.edycja == konw::Edycja::JB;
  const bool dizez = lista.fieldByName("DIZEZ").asBoolean();
  if (!frm.IstniejeTabelaParadoxa(t.paradox)) {
    // As in a run: the JB edition has no such tables of the other edition's.
    if (!jb || dizez) t.ustalenia.push_back({"missing", false, "Tabela: " + t.paradox + " nie istnieje"});
    return t;
  }
  if (jb && !dm.TabelaIstniejeWFirebird(t.firebird))
    t.ustalenia.push_back(
        {"missing", true, "Tabela: \"" + t.paradox + "\" nie istnieje w bazie formatu Firebird"});
  else
    porownaj(frm, t);
  przeczytaj(dm, t);
  return t;
}

nlohmann::json json(const konw::TfrmConvert& frm, const std::vector<Tabela>& tabele, int kod) {
  nlohmann::json tj = nlohmann::json::array();
  for (const Tabela& t : tabele) {
    nlohmann::json u = nlohmann::json::array();
    for (const Ustalenie& x : t.ustalenia)
      u.push_back({{"kind", x.rodzaj}, {"critical", x.krytyczne}, {"text", x.tekst}});
    tj.push_back({{"paradox", t.paradox},
                  {"firebird", t.firebird},
                  {"rows_read", t.wiersze},
                  {"read_whole", t.przeczytana},
                  {"findings", u}});
  }
  nlohmann::json tr = nlohmann::json::array();
  for (const konw::PrzywrocenieTriggera& p : frm.przywroconeTriggery)
    tr.push_back({{"trigger", p.trigger},
                  {"table", p.tabela},
                  {"database", p.baza},
                  {"journal", p.zDziennika},
                  {"restored", p.przywrocony},
                  {"failed", p.porazka},
                  {"text", p.komunikat}});
  return {{"exit_code", kod},
          {"firebird", frm.SciezkaInterbase},
          {"paradox", frm.SciezkaParadoxa},
          {"data_version", frm.WersjaDanych},
          {"tables", tj},
          {"triggers", tr}};
}

int runCheck(const Opcje& o) {
  Postep postep(Postep::Tryb::Cichy);
  OperatorKonsoli ui(false, postep);
  std::unique_ptr<konw::TfrmConvert> frm = uruchom(o.instalacja, ui, false);
  if (!frm) return 1;
  konw::TdmKonw& dm = *frm->dm();
  if (frm->SciezkaParadoxa.empty() || frm->SciezkaInterbase.empty() || !dm.DBp.connected() ||
      !dm.DBi.connected()) {
    std::fprintf(stderr, "konwersja-cli check: położenie danych Paradox lub Firebird nie działa\n");
    return 1;
  }

  std::vector<Tabela> tabele;
  bool blad = false;
  try {
    // A whole conversion ("Wszystko") takes up every row of ListaTabel.
    for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next()) tabele.push_back(sprawdzWiersz(*frm));
    dm.tblLista.first();
  } catch (const std::exception& e) {
    // What was found before the error is still said; the error ends the check.
    std::fprintf(stderr, "konwersja-cli check: %s\n", e.what());
    blad = true;
  }

  bool krytyczne = false;
  std::size_t liczba = 0;
  for (const Tabela& t : tabele) {
    if (t.ustalenia.empty()) continue;
    std::printf("%s%s%s\n", t.paradox.c_str(), konw::equalsIgnoreCase(t.paradox, t.firebird) ? "" : "/",
                konw::equalsIgnoreCase(t.paradox, t.firebird) ? "" : t.firebird.c_str());
    for (const Ustalenie& u : t.ustalenia) {
      std::printf("  %s %s\n", u.krytyczne ? "***" : "-", bezCr(u.tekst).c_str());
      krytyczne = krytyczne || u.krytyczne;
      ++liczba;
    }
  }
  for (const konw::PrzywrocenieTriggera& p : frm->przywroconeTriggery) {
    std::printf("trigger: %s\n", bezCr(p.komunikat).c_str());
    krytyczne = krytyczne || p.porazka;
  }
  std::printf("Sprawdzono tabel: %zu, ustaleń: %zu, triggerów zastanych wyłączonych: %zu.\n", tabele.size(),
              liczba, frm->przywroconeTriggery.size());
  std::fflush(stdout);

  const int kod = blad ? 5 : krytyczne ? 4 : 0;
  if (!o.json.empty() && !zapiszPlik(o.json, json(*frm, tabele, kod).dump(2) + "\n")) return kod ? kod : 5;
  return kod;
}

std::function<int()> defineCheck(CLI::App& sub) {
  auto o = std::make_shared<Opcje>();
  dodajInstalacje(sub, o->instalacja, "the edition whose databases to check");
  sub.add_option("--json", o->json, "write the findings, table by table, as JSON to this file");
  sub.footer(kKodyWyjscia);
  return [o] { return runCheck(*o); };
}

}  // namespace

konw::cli::Command konw::cli::checkCommand() {
  return {
      "check",
      "read every Paradox table a conversion copies, compare the structures and check the control tables' "
      "names, writing into neither database; exit 4 on a critical finding",
      defineCheck};
}
