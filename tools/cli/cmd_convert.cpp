// konwersja-cli convert: a whole conversion run without a window. The operator's part is played on the
// terminal (every message box printed, the progress on standard error); the four log pages are printed at
// the end, a JSON summary written when asked, and the exit code tells the verdict.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/widok/projekt_okna.h"
#include "control/konwersja_dm.h"
#include "platform/signals.h"
#include "tools/cli/commands.h"
#include "tools/cli/headless.h"
#include "tools/cli/podsumowanie.h"

namespace {

using namespace konw::cli;

int kodWyjscia(konw::Werdykt werdykt) {
  switch (werdykt) {
    case konw::Werdykt::Zakonczony:
      return 0;
    case konw::Werdykt::NieRozpoczety:
      return 1;
    case konw::Werdykt::Niezgodnosc:
      return 3;
    case konw::Werdykt::NiezgodnoscKrytyczna:
      return 4;
    case konw::Werdykt::Blad:
      return 5;
    case konw::Werdykt::Przerwany:
      return 6;
  }
  return 5;
}

struct Opcje {
  Instalacja instalacja;
  std::string json;
  int rodzaj = -1;
  std::vector<std::string> tabele;
  bool tak = false, cicho = false;
};

constexpr int kWybraneTabele = static_cast<int>(konw::TRodzajKonwersji::WybraneTabele);

int bladUzycia(const std::string& tekst) {
  std::fprintf(stderr, "konwersja-cli convert: %s\n", tekst.c_str());
  return kWyjscieBladUzycia;
}

int runConvert(const Opcje& o) {
  // The selected tables are named on the command line, as the grid ticks them in the window.
  if (o.rodzaj == kWybraneTabele && o.tabele.empty())
    return bladUzycia("--kind 4 (wybrane tabele) wymaga --tables z nazwami tabel, np. --tables KONTA,PLAN");
  if (!o.tabele.empty() && o.rodzaj != kWybraneTabele)
    return bladUzycia("--tables wybiera tabele tylko dla --kind 4 (wybrane tabele)");
  Postep postep(Postep::trybDlaStderr(o.cicho));
  OperatorKonsoli ui(o.tak, postep);
  std::unique_ptr<konw::TfrmConvert> frm = uruchom(o.instalacja, ui, o.rodzaj >= 0);
  konw::WynikKonwersji wynik;
  if (frm) {
    if (o.rodzaj >= 0) frm->RadioGroup1Click(o.rodzaj);
    if (!o.tabele.empty()) {
      const std::vector<std::string> nieznane = frm->dm()->ZaznaczWybraneTabele(o.tabele);
      if (!nieznane.empty()) {
        std::string lista;
        for (const std::string& n : nieznane) lista += (lista.empty() ? "" : ", ") + n;
        return bladUzycia("--tables: ListaTabel nie zawiera tabel: " + lista);
      }
    }
    ui.frm = frm.get();
    konw::sygnaly::setBreakMessage(
        "Przerywanie konwersji po bieżącym wierszu; ponowne Ctrl+C kończy program natychmiast.");
    konw::sygnaly::clearBreak();
    // A second signal ends the program at once as a broken run, its summary written whole.
    konw::sygnaly::setExitCode(kodWyjscia(konw::Werdykt::Przerwany));
    if (!o.json.empty())
      ui.poTabeli = [&] {
        konw::sygnaly::setFinalFile(o.json, podsumowaniePoSygnale(frm.get(), ui), plikCzesciowy(o.json));
      };
    konw::sygnaly::setMode(konw::sygnaly::Mode::Break);
    wynik = frm->Konwertuj();
    ui.poTabeli = nullptr;
    konw::sygnaly::setMode(konw::sygnaly::Mode::Immediate);
    // From here a signal ends the program with the run's verdict, and its summary whole.
    konw::sygnaly::setExitCode(kodWyjscia(wynik.werdykt));
    if (!o.json.empty())
      konw::sygnaly::setFinalFile(o.json, podsumowanieJson(frm.get(), wynik, ui, kodWyjscia(wynik.werdykt)),
                                  plikCzesciowy(o.json));
    postep.koniec();

    for (std::size_t k = 0; k < konw::kPodpisyStronLogow.size(); ++k) {
      std::printf("===== %s =====\n", konw::kPodpisyStronLogow[k]);
      for (const std::string& line : ui.memo(std::string(konw::projekt::kMemoStrony[k])))
        std::printf("%s\n", bezCr(line).c_str());
      std::printf("\n");
    }
    for (const std::string& plik : wynik.plikiLogow) std::printf("log file: %s\n", plik.c_str());
    std::fflush(stdout);
    // A script that keeps only the exit code and standard error still learns that the files lack lines.
    if (!wynik.uwagaOLogach.empty()) std::fprintf(stderr, "%s\n", bezCr(wynik.uwagaOLogach).c_str());
  }
  const int kod = kodWyjscia(wynik.werdykt);
  if (!o.json.empty() && !zapiszPlik(o.json, podsumowanieJson(frm.get(), wynik, ui, kod)))
    return kod ? kod : 5;
  konw::sygnaly::setFinalFile({}, {});
  return kod;
}

std::function<int()> defineConvert(CLI::App& sub) {
  auto o = std::make_shared<Opcje>();
  dodajInstalacje(sub, o->instalacja, "the edition to convert");
  sub.add_option("--kind", o->rodzaj,
                 "the conversion kind (0 all, 1 all but dictionaries, 2 dictionaries, "
                 "3 dictionaries into the buffer, 4 the selected tables)")
      ->check(CLI::Range(0, 4));
  sub.add_option(
         "--tables", o->tabele,
         "with --kind 4: the tables to convert, by TABELA or TABELA_IB of ListaTabel, comma-separated")
      ->delimiter(',');
  sub.add_flag("--yes", o->tak, "answer Yes to the confirmation (otherwise No)");
  sub.add_option("--json", o->json, "write a summary of the run as JSON to this file");
  sub.add_flag("--quiet", o->cicho, "no progress on standard error");
  sub.footer(kKodyWyjscia);
  return [o] { return runConvert(*o); };
}

}  // namespace

konw::cli::Command konw::cli::convertCommand() {
  return {"convert",
          "run a whole conversion without a window (Yes to the confirmation only with --yes); the exit code "
          "tells the verdict",
          defineConvert};
}
