// konwersja-cli compare: the whole-database structure report of the advanced view, without a window.
// Written as the window saves it (Windows-1250, CR LF) with --out, else printed; it writes into neither
// database.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "compare/porownanie.h"
#include "tools/cli/commands.h"
#include "tools/cli/headless.h"

namespace {

using namespace konw::cli;

struct Opcje {
  Instalacja instalacja;
  std::string out;
  bool zKonfiguracja = false;
};

int runCompare(const Opcje& o) {
  Postep postep(Postep::Tryb::Cichy);
  OperatorKonsoli ui(false, postep);
  std::unique_ptr<konw::TfrmConvert> frm = uruchom(o.instalacja, ui, true);
  if (!frm) return 1;
  unsigned char klasy = 0;
  bool blad = false;
  try {
    klasy = frm->PorownajBazy(o.zKonfiguracja);
  } catch (const std::exception& e) {
    // What was found before the error is still written; the error ends the comparison.
    std::fprintf(stderr, "konwersja-cli compare: %s\n", e.what());
    blad = true;
  }
  if (!o.out.empty()) {
    ui.answerSaveFile(o.out);
    frm->ZapiszPorownanie();
  } else {
    std::printf("%s\n", bezCr(frm->TekstPorownania()).c_str());
  }
  if (blad) return 5;
  return (klasy & konw::kKlasaKrytyczna) ? 4 : 0;
}

std::function<int()> defineCompare(CLI::App& sub) {
  auto o = std::make_shared<Opcje>();
  dodajInstalacje(sub, o->instalacja, "the edition whose databases to compare");
  sub.add_flag("--with-control", o->zKonfiguracja,
               "let the control tables map names, accept differences and leave skipped tables out");
  sub.add_option("--out", o->out,
                 "write the report to this file (Windows-1250, CR LF) instead of printing it");
  sub.footer(kKodyWyjscia);
  return [o] { return runCompare(*o); };
}

}  // namespace

konw::cli::Command konw::cli::compareCommand() {
  return {
      "compare",
      "write the whole-database structure report (as the window saves it) without converting; exit 4 on a "
      "critical difference",
      defineCompare};
}
