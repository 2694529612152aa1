// konwersja-cli convert: a whole conversion run without a window. The operator's part is played by a
// ScriptedOperator that prints every message box; the four log pages are printed at the end, and the
// exit code tells the verdict.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "db/drivers.h"
#include "platform/signals.h"
#include "tools/cli/commands.h"

namespace {

// Exit codes by verdict.
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

// Line ends inside a text as the terminal shows them.
std::string bezCr(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out.push_back(c);
  return out;
}

const char* nazwaRodzaju(konw::MsgKind kind) {
  switch (kind) {
    case konw::MsgKind::Error:
      return "error";
    case konw::MsgKind::Warning:
      return "warning";
    case konw::MsgKind::Information:
      return "information";
    case konw::MsgKind::Question:
      return "question";
  }
  return "?";
}

// Prints every box as it comes; the confirmation of the run is answered Yes only when asked to. Ctrl+C
// (or SIGTERM) during the run is the break button with its question answered Yes.
class OperatorKonsoli : public konw::ScriptedOperator {
 public:
  explicit OperatorKonsoli(bool tak) : tak_(tak) {}
  konw::TfrmConvert* frm = nullptr;

  void processMessages() override {
    konw::ScriptedOperator::processMessages();
    if (frm && frm->WTrakcieKonwersji() && konw::sygnaly::breakRequested())
      frm->przebieg.flagi.Przerwano = true;
  }

  konw::Button messageBox(konw::MsgKind kind, const std::string& caption, const std::string& text,
                          unsigned buttons, konw::Button defaultButton) override {
    const bool potwierdzenie = kind == konw::MsgKind::Question && caption == "POTWIERDZENIE";
    konw::Button odpowiedz = konw::ScriptedOperator::messageBox(kind, caption, text, buttons, defaultButton);
    if (potwierdzenie) odpowiedz = tak_ ? konw::kYes : konw::kNo;
    std::printf("[%s] %s\n%s\n", nazwaRodzaju(kind), caption.c_str(), bezCr(text).c_str());
    if (buttons != konw::kOk)
      std::printf("-> %s\n", odpowiedz == konw::kYes ? "Yes" : odpowiedz == konw::kNo ? "No" : "OK");
    std::printf("\n");
    std::fflush(stdout);
    return odpowiedz;
  }

 private:
  bool tak_;
};

struct Opcje {
  std::string katalog, winini, edycja;
  int rodzaj = -1;
  bool tak = false;
};

int runConvert(const Opcje& o) {
  if (!o.katalog.empty()) {
    ::setenv("WINEPREFIX", (std::filesystem::absolute(o.katalog) / "wine").c_str(), 1);
  } else {
    ::setenv("KONWERSJA_WININI", std::filesystem::absolute(o.winini).c_str(), 1);
  }

  konw::sygnaly::install(konw::sygnaly::Mode::Immediate);
  db::registerBuiltinDrivers();
  std::vector<std::string> arguments;
  if (!o.edycja.empty()) arguments.push_back(o.edycja);
  if (o.rodzaj >= 0) arguments.push_back("ADVANCED");
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) program = std::filesystem::absolute("konwersja-cli");

  OperatorKonsoli ui(o.tak);
  konw::TfrmConvert frm(ui, std::move(arguments), program.string());
  if (!frm.FormCreate()) return 1;
  if (o.rodzaj >= 0) frm.RadioGroup1Click(o.rodzaj);
  ui.clearBoxes();

  ui.frm = &frm;
  konw::sygnaly::setBreakMessage(
      "Przerywanie konwersji po bieżącym wierszu; ponowne Ctrl+C kończy program natychmiast.");
  konw::sygnaly::clearBreak();
  konw::sygnaly::setMode(konw::sygnaly::Mode::Break);
  const konw::Werdykt werdykt = frm.Konwertuj();
  konw::sygnaly::setMode(konw::sygnaly::Mode::Immediate);

  for (std::size_t k = 0; k < konw::kMemoLogow.size(); ++k) {
    std::printf("===== %s =====\n", konw::kPodpisyStronLogow[k]);
    for (const std::string& line : ui.memo(konw::kMemoLogow[k])) std::printf("%s\n", bezCr(line).c_str());
    std::printf("\n");
  }
  for (const konw::PlikLogu& log : frm.przebieg.log.logi) std::printf("log file: %s\n", log.sciezka.c_str());
  std::fflush(stdout);
  // A script that keeps only the exit code and standard error still learns that the files lack lines.
  if (frm.przebieg.log.BladZapisu)
    std::fprintf(stderr, "%s\n", bezCr(frm.przebieg.log.UwagaONiekompletnychLogach()).c_str());
  return kodWyjscia(werdykt);
}

std::function<int()> defineConvert(CLI::App& sub) {
  auto o = std::make_shared<Opcje>();
  auto* dir = sub.add_option("DIR", o->katalog, "a demo installation (its Wine prefix is DIR/wine)");
  auto* winini = sub.add_option("--winini", o->winini, "the WIN.INI that names the product's INI file");
  dir->excludes(winini);
  sub.add_option("--edition", o->edycja, "the edition to convert")->check(CLI::IsMember({"JST", "JB"}));
  sub.add_option("--kind", o->rodzaj,
                 "the conversion kind (0 all, 1 all but dictionaries, 2 dictionaries, "
                 "3 dictionaries into the buffer, 4 the selected tables)")
      ->check(CLI::Range(0, 4));
  sub.add_flag("--yes", o->tak, "answer Yes to the confirmation (otherwise No)");
  sub.footer(konw::cli::kKodyWyjscia);
  sub.callback([dir, winini] {
    if (dir->count() + winini->count() != 1) throw CLI::RequiredError("DIR or --winini");
  });
  return [o] { return runConvert(*o); };
}

const bool registered = konw::cli::registerCommand(
    {"convert",
     "run a whole conversion without a window (Yes to the confirmation only with --yes); the exit "
     "code tells the verdict",
     defineConvert});

}  // namespace
