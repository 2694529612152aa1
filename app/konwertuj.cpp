// The handler of "&Konwertuj": the checks and the confirmation, the running state, the run itself
// (convert/) and its verdict.
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/konwersja.h"
#include "app/widok/projekt_okna.h"
#include "control/konwersja_dm.h"
#include "convert/inni.h"
#include "db/engine.h"
#include "platform/hostpath.h"

namespace konw {

namespace {

constexpr const char* kMiejsceRunu = "TfrmConvert.Konwertuj";

}  // namespace

std::vector<std::string> TfrmConvert::NaglowekPrzebiegu() const {
  std::vector<std::string> linie = {"  Położenie danych w formacie Firebird: " + SciezkaInterbase,
                                    "  Położenie danych w formacie Paradox: " + SciezkaParadoxa,
                                    "  Numer wersji danych w formacie Paradox: " + WersjaDanych, " "};
  const DaneJednostki& j = jednostka;
  if (j.zwiazek) linie.push_back("  " + std::string(projekt::kPodpisZwiazku) + j.NAZWA);
  if (j.woj) linie.push_back("  " + std::string(projekt::kPodpisWojewodztwa) + j.Wojewodztwo);
  if (j.pow) linie.push_back("  " + std::string(projekt::kPodpisPowiatu) + j.Powiat);
  if (j.gm) linie.push_back("  " + std::string(projekt::kPodpisGminy) + j.Gmina);
  if (j.gm) linie.push_back("  " + j.TypGminy);
  linie.push_back("  " + std::string(projekt::kPodpisKoduGus) + j.KodGUS());
  return linie;
}

bool TfrmConvert::ZgodaMimoInnychProgramow() {
  std::string tresc;
  if (const std::vector<std::string> blokady = PlikiBlokad(SciezkaParadoxa); !blokady.empty()) {
    tresc += "W katalogu danych Paradox " + SciezkaParadoxa +
             " są pliki blokad, które zostawia program mający te dane otwarte:\r\n";
    for (const std::string& plik : blokady) tresc += "  " + plik + "\r\n";
  }
  std::vector<std::string> polaczenia;
  try {
    dm_->DBi.connect();
    polaczenia = InnePolaczenia(dm_->DBi);
  } catch (const db::EngineError&) {
    // Not known: the run itself says what stops it.
  }
  if (!polaczenia.empty()) {
    tresc += "Z bazą danych Firebird " + SciezkaInterbase + " są połączone inne programy:\r\n";
    for (const std::string& p : polaczenia) tresc += "  " + p + "\r\n";
  }
  if (tresc.empty()) return true;
  tresc +=
      "\r\nNa czas konwersji należy zamknąć program Kalmiro i inne programy korzystające z tych danych na "
      "wszystkich stanowiskach: zmiany wprowadzone w trakcie konwersji mogą zostać utracone. Czy mimo to "
      "kontynuować?";
  return ui_.messageBox(MsgKind::Question, "POTWIERDZENIE", tresc, kYes | kNo, kNo) == kYes;
}

WynikKonwersji TfrmConvert::StanKonwersji(Werdykt werdykt) const {
  WynikKonwersji w;
  w.werdykt = werdykt;
  w.tabele = przebieg.tabele();
  // The files this run created and that are still there: a run refused before its logs has none.
  for (const PlikLogu& log : przebieg.log().logi) {
    std::error_code ec;
    if (log.utworzony && std::filesystem::exists(hostPath(log.sciezka), ec))
      w.plikiLogow.push_back(log.sciezka);
  }
  if (przebieg.log().BladZapisu) w.uwagaOLogach = przebieg.log().UwagaONiekompletnychLogach();
  return w;
}

WynikKonwersji TfrmConvert::Konwertuj() {
  const Werdykt werdykt = PrzeprowadzKonwersje();
  try {
    return StanKonwersji(werdykt);
  } catch (...) {
    WynikKonwersji w;
    w.werdykt = werdykt;
    return w;
  }
}

Werdykt TfrmConvert::PrzeprowadzKonwersje() {
  for (PlikLogu& log : przebieg.log().logi) log.utworzony = false;
  if (SciezkaInterbase.empty() || SciezkaParadoxa.empty()) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   "Brak w konfiguracji położenia danych w formacie Paradox i/lub Firebird!", kOk, kOk);
    return Werdykt::NieRozpoczety;
  }
  // Before anything is read or changed: another run of this installation is left alone.
  if (dm_ && !dm_->SciezkaKonwersji.empty()) {
    const std::string kto =
        "program " + std::filesystem::path(programPath_).filename().string() + ", baza " + SciezkaInterbase;
    if (auto zajeta = blokada.Zajmij(hostPath(dm_->SciezkaKonwersji), kto)) {
      ui_.messageBox(MsgKind::Error, kApplicationTitle, *zajeta, kOk, kOk);
      return Werdykt::NieRozpoczety;
    }
  }
  struct Zwolnienie {
    BlokadaPrzebiegu& b;
    ~Zwolnienie() { b.Zwolnij(); }
  } zwolnienie{blokada};
  Werdykt werdykt = Werdykt::NieRozpoczety;
  // A server found silent before this run is tried again (see db::SilentServers).
  if (dm_) dm_->session.silentServers()->forget();
  try {
    if (SprawdzWersjeDanych(SciezkaParadoxa, SciezkaInterbase, true)) return werdykt;
    const TRodzajKonwersji kind = RodzajKonwersji;
    if (ui_.messageBox(MsgKind::Question, "POTWIERDZENIE", TrescPotwierdzenia(kind, SciezkaInterbase),
                       kYes | kNo, kNo) != kYes)
      return werdykt;
    if (!ZgodaMimoInnychProgramow()) return werdykt;

    UstawStanPracy(true);
    przebieg.log().BladZapisu = false;  // this run's files only
    przebieg.wylaczenia().NowyPrzebieg();
    przebieg.UstawEdycje(edycja);
    bool bladPlikowLogu = false;
    std::exception_ptr blad;
    try {
      ui_.setBar(Pasek::Calosc, 0, static_cast<int>(dm_->tblLista.recordCount()));
      try {
        if (UstawSciezkiDoBaz(SciezkaParadoxa, SciezkaInterbase, true, true)) {
          for (PlikLogu& log : przebieg.log().logi) {
            if (!przebieg.log().InitLogFile(log, true)) {
              bladPlikowLogu = true;
              break;
            }
          }
          if (!bladPlikowLogu && kind != TRodzajKonwersji::SlownikiBufor)
            przebieg.PrzepiszParadoxToInterbase(kind, NaglowekPrzebiegu());
        }
      } catch (...) {
        // The run's error, whatever it was, goes into its error block and the error log.
        ZapiszBlad(kMiejsceRunu);
        ZglosBlad(kMiejsceRunu, "", "");
      }
    } catch (...) {
      blad = std::current_exception();
    }
    // The idle state and the closing of the files come after every run that entered the running state;
    // the files are closed even when the verdict itself fails.
    try {
      werdykt = UstawStanPracy(false, bladPlikowLogu);
    } catch (...) {
      if (!blad) blad = std::current_exception();
    }
    ZamknijPlikiLogow();
    // Logs that could not be written are an error of their own: the operator must not trust the files.
    if (przebieg.log().BladZapisu)
      ui_.messageBox(MsgKind::Error, kApplicationTitle, przebieg.log().UwagaONiekompletnychLogach(), kOk,
                     kOk);
    if (blad) std::rethrow_exception(blad);
  } catch (...) {
    // The handler of a button: nothing may escape it; the error log has the block.
    ZglosBlad("TfrmConvert.Konwertuj()", "", "");
  }
  return werdykt;
}

}  // namespace konw
