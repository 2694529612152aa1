// konwersja-cli check: what a conversion would meet, found days before it. Every Paradox table a whole
// conversion copies is read through (every row, every field, memos and blobs included), every value set
// against the column the copy would send it into, its structure compared with its Firebird table as a
// run compares it, and the names ListaTabel puts into SQL checked. It writes into neither database: the
// Paradox tables are opened read-only and Firebird is only read, but for the triggers an interrupted
// conversion left off, which every start of the program switches back on. With --trial it also copies
// every table as a run does, in transactions that are always rolled back.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "compare/porownanie.h"
#include "control/identyfikatory.h"
#include "control/konwersja_dm.h"
#include "convert/inni.h"
#include "convert/przewidywanie.h"
#include "db/engine.h"
#include "platform/hostpath.h"
#include "platform/text.h"
#include "tools/cli/commands.h"
#include "tools/cli/headless.h"
#include "tools/cli/podsumowanie.h"

namespace {

using namespace konw::cli;
using konw::WartoscDoSprawdzenia;

struct Opcje {
  Instalacja instalacja;
  std::string json;
  bool proba = false;
};

// One finding; a critical one would spoil the conversion's verdict.
struct Ustalenie {
  // "name", "missing", "structure", "damaged", "value" (a value its column would refuse or change),
  // "trial" (what the trial copy met), "database" (what could change data behind a run)
  std::string rodzaj;
  bool krytyczne = false;
  std::string tekst;
  std::optional<WartoscDoSprawdzenia> wartosc = {};  // "value"
};

struct Tabela {
  std::string paradox, firebird;
  std::int64_t wiersze = 0;  // rows read
  bool przeczytana = false;  // read to its end
  std::vector<Ustalenie> ustalenia;
  bool porownana = false;    // its Firebird table exists and its structure was compared
  double sekundyProby = -1;  // the trial copy's time; below 0 when none was made
};

// What a run does with a value its column would not take as sent.
const char* skutek(const konw::Przyjecie& p) {
  return p.skutek == konw::Przyjecie::Skutek::Odrzucona ? "row_error"
         : p.powod.starts_with("zaokrąglenie")          ? "rounding"
                                                        : "critical_difference";
}

std::string tekstWartosci(const WartoscDoSprawdzenia& w) {
  std::string t = w.rekord;
  if (!w.pole.empty()) t += ", pole " + w.pole;
  t += ", kolumna " + w.kolumna;
  if (!w.wartosc.empty()) t += ", wartość " + w.wartosc;
  t += ": " + w.przyjecie.powod;
  if (w.przyjecie.skutek == konw::Przyjecie::Skutek::Odrzucona)
    t += " — konwersja zatrzyma się na tym rekordzie z błędem";
  else if (std::string(skutek(w.przyjecie)) == "rounding")
    t += " — wartość zostanie zaokrąglona, weryfikacja wskaże różnicę krytyczną";
  else
    t += " — weryfikacja po skopiowaniu wskaże różnicę krytyczną";
  return t;
}

// Of many values alike (one column, one effect) the first few are named, the rest counted.
constexpr int kWartosciNaKolumne = 5;

// Reads the whole table as a copy would and notes what the reader could not take as stored and, when
// its Firebird table exists, every value its column would refuse or change.
void przeczytaj(konw::TdmKonw& dm, Tabela& t) {
  const std::string plik = t.paradox + ".DB";
  db::Table zrodlo;
  zrodlo.setDatabase(&dm.DBp);
  zrodlo.setTableName(plik);
  zrodlo.setReadOnly(true);
  std::map<std::pair<std::string, std::string>, int> podobne;
  try {
    zrodlo.open();
    if (t.porownana) {
      konw::PrzewidzKopie(dm, zrodlo, t.paradox, t.firebird, t.wiersze, [&](const WartoscDoSprawdzenia& w) {
        const int n = ++podobne[{w.kolumna, skutek(w.przyjecie)}];
        if (n <= kWartosciNaKolumne) t.ustalenia.push_back({"value", true, tekstWartosci(w), w});
      });
    } else {
      const int pola = zrodlo.fieldCount();
      for (zrodlo.first(); !zrodlo.eof(); zrodlo.next()) {
        for (int i = 0; i < pola; ++i) static_cast<void>(zrodlo.field(i).value());
        ++t.wiersze;
      }
    }
    t.przeczytana = true;
  } catch (const db::EngineError& e) {
    t.ustalenia.push_back({"damaged", true,
                           "Nie można odczytać tabeli " + plik + " (po " + std::to_string(t.wiersze) +
                               " wierszach): " + konw::trim(e.what())});
  }
  for (const auto& [klucz, n] : podobne)
    if (n > kWartosciNaKolumne)
      t.ustalenia.push_back({"value", true,
                             "… i jeszcze " + std::to_string(n - kWartosciNaKolumne) +
                                 " takich wartości kolumny " + klucz.first});
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
  Tabela t;
  t.paradox = lista.fieldByName("TABELA").asString();
  t.firebird = lista.fieldByName("TABELA_IB").asString();
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
  else {
    porownaj(frm, t);
    t.porownana = true;
  }
  przeczytaj(dm, t);
  return t;
}

nlohmann::json json(const konw::TfrmConvert& frm, const std::vector<Tabela>& tabele,
                    const std::vector<Ustalenie>& baza, std::optional<double> sekundyProby, int kod) {
  nlohmann::json tj = nlohmann::json::array();
  for (const Tabela& t : tabele) {
    nlohmann::json u = nlohmann::json::array();
    for (const Ustalenie& x : t.ustalenia) {
      nlohmann::json j = {{"kind", x.rodzaj}, {"critical", x.krytyczne}, {"text", x.tekst}};
      if (x.wartosc)
        j.update({{"record", x.wartosc->wiersz + 1},
                  {"field", x.wartosc->pole},
                  {"column", x.wartosc->kolumna},
                  {"value", x.wartosc->wartosc},
                  {"effect", skutek(x.wartosc->przyjecie)},
                  {"reason", x.wartosc->przyjecie.powod}});
      u.push_back(std::move(j));
    }
    nlohmann::json tabela = {{"paradox", t.paradox},
                             {"firebird", t.firebird},
                             {"rows_read", t.wiersze},
                             {"read_whole", t.przeczytana},
                             {"findings", u}};
    if (t.sekundyProby >= 0) tabela["trial_seconds"] = t.sekundyProby;
    tj.push_back(std::move(tabela));
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
  nlohmann::json bj = nlohmann::json::array();
  for (const Ustalenie& x : baza)
    bj.push_back({{"kind", x.rodzaj}, {"critical", x.krytyczne}, {"text", x.tekst}});
  nlohmann::json wynik = {{"exit_code", kod},
                          {"firebird", frm.SciezkaInterbase},
                          {"paradox", frm.SciezkaParadoxa},
                          {"data_version", frm.WersjaDanych},
                          {"tables", tj},
                          {"database", bj},
                          {"triggers", tr}};
  if (sekundyProby) wynik["trial_seconds"] = *sekundyProby;
  return wynik;
}

// What could change data behind a run: triggers of the database itself and other connections to it.
std::vector<Ustalenie> sprawdzBaze(konw::TdmKonw& dm) {
  std::vector<Ustalenie> u;
  try {
    for (const std::string& t : konw::TriggeryBazy(dm.DBi))
      u.push_back({"database", false,
                   "Aktywny " + t +
                       ": działa przy każdym połączeniu lub transakcji "
                       "konwersji i może zmienić zapisywane dane"});
  } catch (const db::EngineError& e) {
    u.push_back({"database", false, "Nie udało się odczytać triggerów bazy: " + konw::trim(e.what())});
  }
  try {
    for (const std::string& p : konw::InnePolaczenia(dm.DBi))
      u.push_back({"database", false,
                   "Inne połączenie z bazą Firebird (" + p + "): może zmieniać dane w trakcie konwersji"});
  } catch (const db::EngineError& e) {
    u.push_back({"database", false, "Nie udało się ustalić innych połączeń z bazą: " + konw::trim(e.what())});
  }
  return u;
}

// The values of the database's own generators, by name.
std::map<std::string, std::int64_t> generatory(db::Database& baza) {
  std::vector<std::string> nazwy;
  {
    db::Query q;
    q.setDatabase(&baza);
    q.addSql("SELECT TRIM(RDB$GENERATOR_NAME) FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
    for (q.open(); !q.eof(); q.next()) nazwy.push_back(q.field(0).asString());
  }
  std::map<std::string, std::int64_t> wartosci;
  for (const std::string& n : nazwy) {
    db::Query q;
    q.setDatabase(&baza);
    q.addSql("SELECT GEN_ID(" + konw::quoteIdentifier(n) + ", 0) FROM RDB$DATABASE");
    q.open();
    wartosci[n] = q.field(0).asInteger();
  }
  return wartosci;
}

// The trial: every table the static check found on both sides copied as a run copies it (the same
// statements in the same order, the trigger switched off under the journal's guard and on again), each
// copy's transaction rolled back. What the server refuses (constraints, keys under their collation,
// foreign keys, triggers that raise) is the table's finding. A generator that a trigger moved meanwhile
// (generators stand outside transactions) is set back and named. Returns the seconds the copies took.
double probuj(konw::TfrmConvert& frm, std::vector<Tabela>& tabele, std::vector<Ustalenie>& baza) {
  konw::TdmKonw& dm = *frm.dm();
  konw::TPrzebieg& przebieg = frm.przebieg;
  const std::map<std::string, std::int64_t> przed = generatory(dm.DBi);
  przebieg.Rozpocznij();
  przebieg.UstawEdycje(frm.edycja);
  przebieg.UstawProbe(true);
  przebieg.wylaczenia().NowyPrzebieg();
  struct Koniec {
    konw::TPrzebieg& p;
    ~Koniec() {
      p.UstawProbe(false);
      p.Zakoncz();
    }
  } koniec{przebieg};
  double sekundy = 0;
  std::size_t i = 0;
  for (dm.tblLista.first(); !dm.tblLista.eof() && i < tabele.size(); dm.tblLista.next(), ++i) {
    Tabela& t = tabele[i];
    if (!t.porownana) continue;
    przebieg.PodejmijTabele(t.paradox, t.firebird);
    const auto start = std::chrono::steady_clock::now();
    try {
      przebieg.Convert();
    } catch (const std::exception& e) {
      std::string tekst = konw::trim(e.what());
      for (std::size_t k = 0; (k = tekst.find('\n', k)) != std::string::npos;) tekst.replace(k, 1, "; ");
      t.ustalenia.push_back({"trial", true, "Próba kopiowania: " + bezCr(tekst)});
    }
    t.sekundyProby = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sekundy += t.sekundyProby;
    for (const std::string& r : przebieg.tabele().back().roznicePoKopii)
      t.ustalenia.push_back({"trial", true, "Próba kopiowania: " + konw::trim(r)});
  }
  dm.tblLista.first();
  const std::map<std::string, std::int64_t> po = generatory(dm.DBi);
  for (const auto& [nazwa, wartosc] : przed) {
    const auto teraz = po.find(nazwa);
    if (teraz == po.end() || teraz->second == wartosc) continue;
    konw::WykonajSql(dm.qryInterbase, "set generator " + konw::quoteIdentifier(nazwa) + " to " +
                                          std::to_string(wartosc) + " ;");
    baza.push_back({"trial", false,
                    "Generator " + nazwa + " zmieniony w trakcie próby (na " + std::to_string(teraz->second) +
                        "), przywrócono wartość " + std::to_string(wartosc)});
  }
  return sekundy;
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
  std::vector<Ustalenie> baza;
  std::optional<double> sekundyProby;
  bool blad = false;
  try {
    // A whole conversion ("Wszystko") takes up every row of ListaTabel.
    for (dm.tblLista.first(); !dm.tblLista.eof(); dm.tblLista.next()) tabele.push_back(sprawdzWiersz(*frm));
    dm.tblLista.first();
    baza = sprawdzBaze(dm);
  } catch (const std::exception& e) {
    // What was found before the error is still said; the error ends the check.
    std::fprintf(stderr, "konwersja-cli check: %s\n", e.what());
    blad = true;
  }
  if (o.proba && !blad) {
    // The trial switches triggers off as a run does: it holds the installation's run lock meanwhile.
    const std::string kto = "konwersja-cli check --trial, baza " + frm->SciezkaInterbase;
    if (auto zajeta = frm->blokada.Zajmij(konw::hostPath(dm.SciezkaKonwersji), kto)) {
      std::fprintf(stderr, "konwersja-cli check: %s\n", bezCr(*zajeta).c_str());
      return 1;
    }
    try {
      sekundyProby = probuj(*frm, tabele, baza);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "konwersja-cli check: %s\n", e.what());
      blad = true;
    }
    frm->blokada.Zwolnij();
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
  for (const Ustalenie& u : baza) {
    std::printf("baza: %s %s\n", u.krytyczne ? "***" : "-", bezCr(u.tekst).c_str());
    krytyczne = krytyczne || u.krytyczne;
    ++liczba;
  }
  for (const konw::PrzywrocenieTriggera& p : frm->przywroconeTriggery) {
    std::printf("trigger: %s\n", bezCr(p.komunikat).c_str());
    krytyczne = krytyczne || p.porazka;
  }
  std::printf("Sprawdzono tabel: %zu, ustaleń: %zu, triggerów zastanych wyłączonych: %zu.\n", tabele.size(),
              liczba, frm->przywroconeTriggery.size());
  if (sekundyProby) {
    std::int64_t wiersze = 0;
    for (const Tabela& t : tabele)
      if (t.sekundyProby >= 0) wiersze += t.wiersze;
    std::printf(
        "Próba kopiowania: %lld wierszy w %.1f s (tyle mniej więcej zajmie kopiowanie w konwersji).\n",
        static_cast<long long>(wiersze), *sekundyProby);
  }
  std::fflush(stdout);

  const int kod = blad ? 5 : krytyczne ? 4 : 0;
  if (!o.json.empty() && !zapiszPlik(o.json, json(*frm, tabele, baza, sekundyProby, kod).dump(2) + "\n"))
    return kod ? kod : 5;
  return kod;
}

std::function<int()> defineCheck(CLI::App& sub) {
  auto o = std::make_shared<Opcje>();
  dodajInstalacje(sub, o->instalacja, "the edition whose databases to check");
  sub.add_option("--json", o->json, "write the findings, table by table, as JSON to this file");
  sub.add_flag("--trial", o->proba,
               "also copy every table as a conversion would, each in a transaction that is rolled back, to "
               "find what only the server decides (constraints, keys, triggers); prints how long the copies "
               "took");
  sub.footer(kKodyWyjscia);
  return [o] { return runCheck(*o); };
}

}  // namespace

konw::cli::Command konw::cli::checkCommand() {
  return {"check",
          "read every Paradox table a conversion copies, check every value against its column, compare the "
          "structures and check the control tables' names, writing into neither database (--trial: also copy "
          "every table in a transaction rolled back); exit 4 on a critical finding",
          defineCheck};
}
