// The window's two states: running (the break button in place of "Konwertuj", the progress panel
// shown) and idle, entered at the end of a run together with its verdict.
#include "app/konwersja.h"
#include "app/podsumowanie_tabel.h"
#include "control/konwersja_dm.h"

namespace konw {

Werdykt TfrmConvert::UstawStanPracy(bool Praca, bool BezKomunikatu) {
  if (Praca) {
    przebieg.Rozpocznij();
    ui_.showRunning();
    return Werdykt::NieRozpoczety;
  }

  ui_.showRunEnded();
  if (dm_) dm_->DBi.disconnect();

  const std::string W = kPodpisStronyWynikow;
  const std::string K = kPodpisyStronLogow[3];
  const std::string B = kPodpisyStronLogow[2];
  const std::string podglad = "(Podgląd zapisanego przebiegu konwersji - zakładka \"" + W + "\")";
  const std::string E = "Procedura przeniesienia danych dobiegła do końca.\r\n" + podglad;
  const std::string gwiazdki(51, '*');

  const Werdykt werdykt = przebieg.werdykt();
  MsgKind kind = MsgKind::Information;
  std::string text;
  Strona stronaLogu = Strona::Ogolny;
  if (werdykt == Werdykt::Przerwany) {
    for (const std::string& l :
         {std::string(" "), gwiazdki, std::string("   PRZENIESIENIE DANYCH PRZERWANO "), gwiazdki})
      ZapiszKomunikat(l, kWszystkie);
    kind = MsgKind::Warning;
    text = "UWAGA: PRZENOSZENIE DANYCH PRZERWANO!\r\n" + podglad;
    stronaLogu = Strona::BledyKrytyczne;
  } else if (werdykt == Werdykt::Blad) {
    for (const std::string& l :
         {std::string(" "), gwiazdki, std::string("PRZENIESIENIE DANYCH PRZERWANE Z POWODU BŁĘDU"), gwiazdki})
      ZapiszKomunikat(l, kWszystkie);
    kind = MsgKind::Error;
    text =
        "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH WYSTĄPIŁ BŁĄD!\r\n\r\nProcedura przeniesienia danych została "
        "przerwana z powodu błędu w trakcie konwersji.\r\n" +
        podglad;
    stronaLogu = Strona::BledyKrytyczne;
  } else if (werdykt == Werdykt::NiezgodnoscKrytyczna) {
    kind = MsgKind::Warning;
    text =
        "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA KRYTYCZNĄ NIEZGODNOŚĆ STRUKTURY BAZY! "
        "(zakładka " +
        W + "-" + K + ")\r\n\r\n" + E;
    stronaLogu = Strona::BledyKrytyczne;
  } else if (werdykt == Werdykt::Niezgodnosc) {
    text = "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA NIEZGODNOŚĆ STRUKTURY BAZY (zakładka " + W +
           "-" + B + ")." + "\r\n\r\n" + E;
    stronaLogu = Strona::Bledy;
  } else {
    text = E;
  }
  if (!BezKomunikatu) ui_.messageBox(kind, kApplicationTitle, text, kOk, kOk);

  ui_.showIdle(RodzajKonwersji == TRodzajKonwersji::WybraneTabele);
  if (!BezKomunikatu) {
    ui_.showRunSummary(PodsumowanieTabel(przebieg.tabele(), przebieg.log().sekcje()));
    ui_.showResults(stronaLogu);
  }

  przebieg.Zakoncz();
  return werdykt;
}

}  // namespace konw
