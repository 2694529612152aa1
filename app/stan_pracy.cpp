// The window's two states: running (the break button in place of "Konwertuj", the progress panel
// shown) and idle, entered at the end of a run together with its verdict.
#include "app/konwersja.h"
#include "control/konwersja_dm.h"

namespace konw {

namespace {

// Controls that would change what a run reads.
constexpr const char* kNieruchomeWPracy[] = {
    "JST", "JB", "ExRxDBGrid1", "PanelListyTabel", "btnPorownaj", "btnErrAllowPorow", "btnZapiszPorownanie"};

}  // namespace

Werdykt TfrmConvert::UstawStanPracy(bool Praca, bool BezKomunikatu) {
  if (Praca) {
    przebieg.Rozpocznij();
    ui_.setActivePage("TabKonwersja");
    ui_.setVisible("btnKonwert", false);
    ui_.setTabVisible("TabSheetLogi", false);
    ui_.setEnabled("btnKonfig", false);
    ui_.setEnabled("btnClose", false);
    ui_.setVisible("PanelPaski", true);
    ui_.setVisible("frmConvert", true);
    ui_.setEnabled("frmConvert", true);
    ui_.setVisible("PageControl", true);
    ui_.setEnabled("PageControl", true);
    ui_.setVisible("TabKonwersja", true);
    ui_.setTabVisible("TabKonwersja", true);
    ui_.setEnabled("TabKonwersja", true);
    ui_.setVisible("PanelKonwersja", true);
    ui_.setEnabled("PanelKonwersja", true);
    ui_.setVisible("btnBreak", true);
    ui_.setEnabled("btnBreak", true);
    ui_.setFocus("btnBreak");
    // Nothing the run reads may change meanwhile: the edition, ListaTabel's rows, the comparisons.
    for (const char* c : kNieruchomeWPracy) ui_.setEnabled(c, false);
    return Werdykt::NieRozpoczety;
  }

  ui_.setVisible("PanelPaski", false);
  ui_.beep();
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
  std::string stronaLogu;
  if (werdykt == Werdykt::Przerwany) {
    for (const std::string& l :
         {std::string(" "), gwiazdki, std::string("   PRZENIESIENIE DANYCH PRZERWANO "), gwiazdki})
      ZapiszKomunikat(l, kWszystkie);
    kind = MsgKind::Warning;
    text = "UWAGA: PRZENOSZENIE DANYCH PRZERWANO!\r\n" + podglad;
    stronaLogu = "TabSheetBledyKryt";
  } else if (werdykt == Werdykt::Blad) {
    for (const std::string& l :
         {std::string(" "), gwiazdki, std::string("PRZENIESIENIE DANYCH PRZERWANE Z POWODU BŁĘDU"), gwiazdki})
      ZapiszKomunikat(l, kWszystkie);
    kind = MsgKind::Error;
    text =
        "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH WYSTĄPIŁ BŁĄD!\r\n\r\nProcedura przeniesienia danych została "
        "przerwana z powodu błędu w trakcie konwersji.\r\n" +
        podglad;
    stronaLogu = "TabSheetBledyKryt";
  } else if (werdykt == Werdykt::NiezgodnoscKrytyczna) {
    kind = MsgKind::Warning;
    text =
        "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA KRYTYCZNĄ NIEZGODNOŚĆ STRUKTURY BAZY! "
        "(zakładka " +
        W + "-" + K + ")\r\n\r\n" + E;
    stronaLogu = "TabSheetBledyKryt";
  } else if (werdykt == Werdykt::Niezgodnosc) {
    text = "UWAGA: W TRAKCIE PRZENOSZENIA DANYCH NATRAFIONO NA NIEZGODNOŚĆ STRUKTURY BAZY (zakładka " + W +
           "-" + B + ")." + "\r\n\r\n" + E;
    stronaLogu = "TabSheetBledy";
  } else {
    text = E;
    stronaLogu = "TabSheetOgolny";
  }
  if (!BezKomunikatu) ui_.messageBox(kind, kApplicationTitle, text, kOk, kOk);

  ui_.setVisible("btnBreak", false);
  ui_.setVisible("btnKonwert", true);
  ui_.setEnabled("btnKonfig", true);
  ui_.setEnabled("btnClose", true);
  ui_.setEnabled("PageControl", true);
  for (const char* c : kNieruchomeWPracy) ui_.setEnabled(c, true);
  ui_.setEnabled("ExRxDBGrid1", RodzajKonwersji == TRodzajKonwersji::WybraneTabele);

  if (!BezKomunikatu) {
    ui_.setTabVisible("TabSheetLogi", true);
    ui_.setActivePage("TabSheetLogi");
    ui_.processMessages();
    ui_.setActivePage(stronaLogu);
  }

  przebieg.Zakoncz();
  ui_.restoreWindow();
  return werdykt;
}

}  // namespace konw
