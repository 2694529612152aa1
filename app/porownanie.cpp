// The structure comparison and the whole-database report as the window starts them.
#include "compare/porownanie.h"

#include "app/konwersja.h"
#include "compare/raport.h"
#include "control/konwersja_dm.h"

namespace konw {

namespace {

// For the length of a comparison: the hourglass, and the buttons that would start another comparison,
// a save, a conversion or a change of the locations made inert, since all of them move TblI, TblP and
// ListaTabel's current row or reconnect the databases that the comparison reads.
class TrwaniePorownania {
 public:
  explicit TrwaniePorownania(TfrmConvert& frm) : frm_(frm) {
    frm_.PorownanieTrwa = true;
    frm_.ui().setBusyCursor(true);
    frm_.ui().allowComparison(false);
  }
  ~TrwaniePorownania() {
    frm_.ui().allowComparison(true);
    frm_.ui().setBusyCursor(false);
    frm_.PorownanieTrwa = false;
  }
  TrwaniePorownania(const TrwaniePorownania&) = delete;
  TrwaniePorownania& operator=(const TrwaniePorownania&) = delete;

 private:
  TfrmConvert& frm_;
};

}  // namespace

unsigned char TfrmConvert::PorownajStrukturyTabel(const std::string& TabelaIB, const std::string& TabelaPDX,
                                                  bool ZTabelamiKonf, std::string& Opis,
                                                  std::string& Informacje, std::string& Krytyczne,
                                                  std::string& Bledy) {
  WynikPorownania w = konw::PorownajStrukturyTabel(*dm_, ui_, TabelaIB, TabelaPDX, ZTabelamiKonf);
  Opis = std::move(w.opis);
  Informacje = std::move(w.informacje);
  Krytyczne = std::move(w.krytyczne);
  Bledy = std::move(w.bledy);
  return w.klasy;
}

unsigned char TfrmConvert::PorownajBazy(bool ZTabelamiKonf) {
  // The window keeps processing messages meanwhile: a click that would start a second comparison, or one
  // made during a conversion run, finds this and does nothing.
  if (PorownanieTrwa || WTrakcieKonwersji()) return 0;
  TrwaniePorownania trwanie(*this);
  return konw::PorownajBazy(*dm_, ui_,
                            {"  Położenie danych w formacie Firebird: " + SciezkaInterbase,
                             "  Położenie danych w formacie Paradox: " + SciezkaParadoxa,
                             "  Numer wersji danych w formacie Paradox: " + WersjaDanych},
                            ZTabelamiKonf, raportPorownania_);
}

std::string TfrmConvert::TekstPorownania() const {
  std::string tekst;
  for (std::size_t i = 0; i < raportPorownania_.size(); ++i)
    tekst += (i ? "\r\n" : "") + raportPorownania_[i];
  return tekst;
}

void TfrmConvert::ZapiszPorownanie() {
  if (PorownanieTrwa) return;
  // The name is proposed from the moment the save starts; the hourglass is kept off the dialog itself,
  // where the operator still has to point and type, and shown while the file is written.
  const std::string plik =
      ui_.saveFileName(NazwaPlikuRaportu(CzasLokalny()), "txt", "pliki tekstowe|*.txt|wszystkie pliki|*.*");
  if (plik.empty()) return;
  ui_.setBusyCursor(true);
  struct Kursor {
    Operator& ui;
    ~Kursor() { ui.setBusyCursor(false); }
  } kursor{ui_};
  ZapiszPlikRaportu(plik, TekstPorownania());
}

}  // namespace konw
