// konwersja-cli convert: a whole conversion run without a window. The operator's part is played by a
// ScriptedOperator that prints every message box; the four log pages are printed at the end.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "app/scripted_operator.h"
#include "db/drivers.h"
#include "tools/cli/commands.h"

namespace {

constexpr const char* kUzycie = "convert DIR|--winini FILE [--edition JST|JB] [--kind N] [--yes]";

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

// Prints every box as it comes; the confirmation of the run is answered Yes only when asked to.
class OperatorKonsoli : public konw::ScriptedOperator {
 public:
  explicit OperatorKonsoli(bool tak) : tak_(tak) {}

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

int runConvert(const std::vector<std::string>& args) {
  std::string katalog, winini, edycja;
  int rodzaj = -1;
  bool tak = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto wartosc = [&]() -> std::string {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "konwersja-cli convert: %s needs a value\n", a.c_str());
        return {};
      }
      return args[++i];
    };
    if (a == "--winini") {
      winini = wartosc();
      if (winini.empty()) return 2;
    } else if (a == "--edition") {
      edycja = wartosc();
      if (edycja != "JST" && edycja != "JB") {
        std::fprintf(stderr, "konwersja-cli convert: --edition is JST or JB\n");
        return 2;
      }
    } else if (a == "--kind") {
      const std::string v = wartosc();
      if (v.size() != 1 || v[0] < '0' || v[0] > '4') {
        std::fprintf(stderr, "konwersja-cli convert: --kind is a number from 0 to 4\n");
        return 2;
      }
      rodzaj = v[0] - '0';
    } else if (a == "--yes") {
      tak = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "konwersja-cli convert: unknown option '%s'\n", a.c_str());
      return 2;
    } else if (katalog.empty()) {
      katalog = a;
    } else {
      std::fprintf(stderr, "konwersja-cli convert: more than one directory given\n");
      return 2;
    }
  }
  if (katalog.empty() == winini.empty()) {
    std::fprintf(stderr, "usage: konwersja-cli %s\n", kUzycie);
    return 2;
  }
  if (!katalog.empty()) {
    ::setenv("WINEPREFIX", (std::filesystem::absolute(katalog) / "wine").c_str(), 1);
  } else {
    ::setenv("KONWERSJA_WININI", std::filesystem::absolute(winini).c_str(), 1);
  }

  db::registerBuiltinDrivers();
  std::vector<std::string> arguments;
  if (!edycja.empty()) arguments.push_back(edycja);
  if (rodzaj >= 0) arguments.push_back("ADVANCED");
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) program = std::filesystem::absolute("konwersja-cli");

  OperatorKonsoli ui(tak);
  konw::TfrmConvert frm(ui, std::move(arguments), program.string());
  if (!frm.FormCreate()) return 1;
  if (rodzaj >= 0) frm.RadioGroup1Click(rodzaj);
  ui.clearBoxes();

  const konw::Werdykt werdykt = frm.Konwertuj();

  for (std::size_t k = 0; k < konw::kMemoLogow.size(); ++k) {
    std::printf("===== %s =====\n", konw::kPodpisyStronLogow[k]);
    for (const std::string& line : ui.memo(konw::kMemoLogow[k])) std::printf("%s\n", bezCr(line).c_str());
    std::printf("\n");
  }
  for (const konw::PlikLogu& log : frm.przebieg.log.logi) std::printf("log file: %s\n", log.sciezka.c_str());
  return werdykt == konw::Werdykt::Zakonczony ? 0 : 1;
}

const bool registered = konw::cli::registerCommand({"convert", kUzycie,
                                                    "run a whole conversion without a window (Yes to the "
                                                    "confirmation only with --yes); exit 0 when it finished",
                                                    runConvert});

}  // namespace
