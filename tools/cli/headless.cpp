#include "tools/cli/headless.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "db/drivers.h"
#include "platform/signals.h"

namespace konw::cli {

const char* nazwaRodzaju(MsgKind kind) {
  switch (kind) {
    case MsgKind::Error:
      return "error";
    case MsgKind::Warning:
      return "warning";
    case MsgKind::Information:
      return "information";
    case MsgKind::Question:
      return "question";
  }
  return "?";
}

void dodajInstalacje(CLI::App& sub, Instalacja& instalacja, const std::string& opisEdycji) {
  auto* dir = sub.add_option("DIR", instalacja.katalog, "a demo installation (its Wine prefix is DIR/wine)");
  auto* winini =
      sub.add_option("--winini", instalacja.winini, "the WIN.INI that names the product's INI file");
  dir->excludes(winini);
  sub.add_option("--edition", instalacja.edycja, opisEdycji)->check(CLI::IsMember({"JST", "JB"}));
  sub.callback([dir, winini] {
    if (dir->count() + winini->count() != 1) throw CLI::RequiredError("DIR or --winini");
  });
}

std::string bezCr(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out.push_back(c);
  return out;
}

void OperatorKonsoli::processMessages() {
  ScriptedOperator::processMessages();
  if (frm && sygnaly::breakRequested()) frm->PrzerwijKonwersje();
  // What a second signal leaves behind follows the run table by table.
  if (frm && poTabeli) {
    const std::vector<WynikTabeli>& t = frm->TabelePrzebiegu();
    const decltype(przygotowane_) teraz{t.size(), t.empty() ? 0 : static_cast<int>(t.back().stan),
                                        t.empty() ? 0.0 : t.back().sekundy};
    if (teraz != przygotowane_) {
      przygotowane_ = teraz;
      poTabeli();
    }
  }
}

Button OperatorKonsoli::messageBox(MsgKind kind, const std::string& caption, const std::string& text,
                                   unsigned buttons, Button defaultButton) {
  const bool potwierdzenie = kind == MsgKind::Question && caption == "POTWIERDZENIE";
  Button odpowiedz = ScriptedOperator::messageBox(kind, caption, text, buttons, defaultButton);
  if (potwierdzenie) odpowiedz = tak_ ? kYes : kNo;
  postep_.wyczysc();
  std::printf("[%s] %s\n%s\n", nazwaRodzaju(kind), caption.c_str(), bezCr(text).c_str());
  if (buttons != kOk) std::printf("-> %s\n", odpowiedz == kYes ? "Yes" : odpowiedz == kNo ? "No" : "OK");
  std::printf("\n");
  std::fflush(stdout);
  return odpowiedz;
}

void OperatorKonsoli::showTable(const std::string& opis) {
  ScriptedOperator::showTable(opis);
  postep_.tabela(opis);
}

void OperatorKonsoli::showWaiting(const std::string& tekst) {
  postep_.oczekiwanie(tekst);
}

void OperatorKonsoli::setBar(Pasek pasek, int position, int max) {
  ScriptedOperator::setBar(pasek, position, max);
  postep_.pasek(pasek, position, max);
}

void OperatorKonsoli::stepBar(Pasek pasek) {
  ScriptedOperator::stepBar(pasek);
  postep_.krok(pasek);
}

std::unique_ptr<TfrmConvert> uruchom(const Instalacja& inst, OperatorProgramu& ui, bool zaawansowany) {
  if (!inst.katalog.empty())
    ::setenv("WINEPREFIX", (std::filesystem::absolute(inst.katalog) / "wine").c_str(), 1);
  else
    ::setenv("KONWERSJA_WININI", std::filesystem::absolute(inst.winini).c_str(), 1);

  // A signal during start-up ends the program as a start that failed.
  sygnaly::install(sygnaly::Mode::Immediate);
  sygnaly::setExitCode(1);
  db::registerBuiltinDrivers();
  std::vector<std::string> arguments;
  if (!inst.edycja.empty()) arguments.push_back(inst.edycja);
  if (zaawansowany) arguments.push_back("ADVANCED");
  // The error log lies beside the program, as the window's does.
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) program = std::filesystem::absolute("konwersja-cli");

  auto frm = std::make_unique<TfrmConvert>(ui, std::move(arguments), program.string());
  const bool ok = frm->FormCreate();
  sygnaly::setExitCode(0);
  // A script that keeps only standard error learns too which triggers the start-up found off.
  for (const PrzywrocenieTriggera& p : frm->przywroconeTriggery)
    std::fprintf(stderr, "konwersja-cli: %s\n", bezCr(p.komunikat).c_str());
  if (!ok) return nullptr;
  return frm;
}

}  // namespace konw::cli
