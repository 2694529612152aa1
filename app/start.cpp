// Start-up of the main window, the command line, the conversion kind and the closing of the window.
#include <exception>

#include "app/konwersja.h"
#include "config/lokalizacja.h"
#include "control/konwersja_dm.h"
#include "platform/hostpath.h"
#include "platform/paths.h"

namespace konw {

TfrmConvert::TfrmConvert(OperatorProgramu& ui, std::vector<std::string> arguments, std::string programPath)
    : przebieg(ui, wyjatki), ui_(ui), arguments_(std::move(arguments)), programPath_(std::move(programPath)) {
  wyjatki.ui = &ui_;
  wyjatki.programPath = programPath_;
}

TfrmConvert::~TfrmConvert() {
  ZamknijPlikiLogow();
}

bool TfrmConvert::FormCreate() {
  JestWOnCreate = true;
  bledyStartu_.clear();
  bool ok = false;
  try {
    wyjatki.UserName.clear();
    wyjatki.ErrorLog = SciezkaDziennikaBledow(programPath_);

    przebieg.flagi() = {};
    SciezkaParadoxa.clear();
    SciezkaInterbase.clear();

    if (UtworzModulDanych()) {
      const std::string edycja = EdycjaZWierszaPolecen();
      if (edycja.empty())
        WczytajKonfiguracje(false);
      else
        ZaznaczRadio(edycja == "JST" ? "JST" : "JB");

      if (!dm_->OtworzTabeleKonfiguracyjne(SciezkaGlowna, programPath_)) {
        // Reported by the data module.
      } else if (auto zajeta = BlokadaPrzebiegu::KtoTrzyma(hostPath(dm_->SciezkaKonwersji))) {
        // The selection and the triggers belong to the run in progress: nothing is touched.
        ui_.messageBox(MsgKind::Error, kApplicationTitle, *zajeta, kOk, kOk);
      } else {
        if (CzyTrybZaawansowany()) ui_.showAdvancedPages();
        ui_.allowTableChoice(false);
        dm_->ZerujWybraneTabele();
        ui_.showLocations(SciezkaInterbase, SciezkaParadoxa);
        SprawdzWersjeDanych(SciezkaParadoxa, SciezkaInterbase, false);
        PrzywrocTriggery();
        ok = true;
      }
    }
  } catch (...) {
    // Whatever ended the start-up is reported, to the operator too; the program then ends.
    ZglosBlad("TfrmConvert.FormCreate",
              "Błąd w trakcie uruchamiania programu:\r\n" + TLogKonwersji::TekstBleduBazy(), "");
    ok = false;
  }
  JestWOnCreate = false;
  return ok;
}

bool TfrmConvert::UtworzModulDanych() {
  ui_.setBusyCursor(true);
  try {
    if (!dm_) dm_ = std::make_unique<TdmKonw>(wyjatki);
    przebieg.UstawDane(*dm_);
  } catch (const std::exception&) {
    ui_.setBusyCursor(false);
    ui_.messageBox(MsgKind::Error, kApplicationTitle, "Błąd otwarcia modułu dostępu do danych.", kOk, kOk);
    return false;
  }
  ui_.setBusyCursor(false);
  return dm_ != nullptr;
}

void TfrmConvert::PrzywrocTriggery() {
  przywroconeTriggery = PrzywrocWylaczoneTriggery(*dm_, SciezkaInterbase);
  if (przywroconeTriggery.empty()) return;
  std::string tekst;
  bool porazka = false;
  for (const PrzywrocenieTriggera& p : przywroconeTriggery) {
    tekst += (tekst.empty() ? "" : "\r\n\r\n") + p.komunikat;
    porazka = porazka || p.porazka;
  }
  wyjatki.ReportError(tekst, "", "TfrmConvert.PrzywrocTriggery");
  ui_.messageBox(porazka ? MsgKind::Error : MsgKind::Warning, kApplicationTitle, tekst, kOk, kOk);
}

bool TfrmConvert::CzyTrybZaawansowany() const {
  for (std::size_t i = 0; i < 2 && i < arguments_.size(); ++i)
    if (upperAscii(arguments_[i]) == "ADVANCED") return true;
  return false;
}

std::string TfrmConvert::EdycjaZWierszaPolecen() const {
  const std::string first = arguments_.size() > 0 ? upperAscii(arguments_[0]) : std::string();
  const std::string second = arguments_.size() > 1 ? upperAscii(arguments_[1]) : std::string();
  for (const std::string* a : {&first, &second})
    if (*a == "JST" || *a == "JB") return *a;
  return {};
}

void TfrmConvert::RadioGroup1Click(int itemIndex) {
  // The kind and the grid are what a run or a comparison reads: not while one is in progress.
  if (WTrakcieKonwersji() || PorownanieTrwa) return;
  if (itemIndex >= 0 && itemIndex <= 4) RodzajKonwersji = static_cast<TRodzajKonwersji>(itemIndex);
  ui_.allowTableChoice(RodzajKonwersji == TRodzajKonwersji::WybraneTabele);
  ui_.refreshTableList();
}

bool TfrmConvert::ExRxDBGrid1KeyDown(Klawisz key, bool ctrlOnly) {
  switch (key) {
    case Klawisz::Insert:
      return true;
    case Klawisz::Delete:
      return ctrlOnly;
    case Klawisz::Down:
      try {
        // Down on the last row would append a row to the list.
        return dm_ && dm_->tblLista.active() && dm_->tblLista.recNo() == dm_->tblLista.recordCount();
      } catch (const db::EngineError&) {
        return false;
      }
    case Klawisz::Other:
      break;
  }
  return false;
}

bool TfrmConvert::FormClose() {
  if (WTrakcieKonwersji()) {
    PotwierdzPrzerwanie();
    if (!przebieg.flagi().Przerwano) return false;
  }
  ZamknijPlikiLogow();
  return true;
}

void TfrmConvert::PotwierdzPrzerwanie() {
  if (ui_.messageBox(MsgKind::Question, "POTWIERDZENIE", "Czy przerwać konwersję danych?", kYes | kNo, kNo) ==
      kYes)
    przebieg.Przerwij();
}

}  // namespace konw
