// The conversion run: the checks and the confirmation, the walk of ListaTabel by the conversion kind
// (structure comparison, dictionary comparison and copy of every selected table), the list of Paradox
// tables that no control table names, and the verdict.
#include <algorithm>
#include <ctime>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "control/konwersja_dm.h"
#include "db/engine.h"

namespace konw {

namespace {

constexpr const char* kMiejsceRunu = "TfrmConvert.Konwertuj";
constexpr const char* kMiejsceWalku = "TfrmConvert.PrzepiszParadoxToInterbase";
constexpr const char* kPasekCalosc = "PasekCalosc";
const std::string kKreski(30, '-');
const std::string kRowne(30, '=');
constexpr const char* kUwagaKasowanie =
    "UWAGA! Operacja spowoduje skasowanie dotychczasowych danych w docelowej bazie formatu Firebird. Czy "
    "chcesz kontynuować?";

// The confirmation's sentence and question for a conversion kind.
std::string TrescPotwierdzenia(unsigned kind, const std::string& SciezkaInterbase) {
  std::string zdanie;
  std::string pytanie = kUwagaKasowanie;
  switch (kind) {
    case 1:
      zdanie = "Program dokona konwersji bazy danych Paradox do bazy Firebird bez tabel słownikowych.";
      break;
    case 2:
      zdanie = "Program dokona konwersji słowników z bazy danych Paradox do bazy Firebird.";
      break;
    case 3:
      zdanie = "Program dokona przepisania słowników do bufora: " + SciezkaInterbase;
      pytanie = "Czy chcesz kontynuować?";
      break;
    case 4:
      zdanie = "Program dokona konwersji wybranych tabel bazy danych Paradox do bazy Firebird.";
      break;
    default:
      zdanie = "Program dokona konwersji bazy danych w formacie Paradox do bazy w formacie Firebird.";
      break;
  }
  return zdanie + "\n\r\n\r" + pytanie;
}

// Whether the kind converts the current row of ListaTabel. Kind 3 never reaches the walk.
bool WybranyWiersz(db::Table& lista, unsigned kind) {
  switch (kind) {
    case 0:
      return true;
    case 1:
      return !lista.fieldByName("SLOWNIK").asBoolean();
    case 2:
      return lista.fieldByName("SLOWNIK").asBoolean();
    case 4:
      return lista.fieldByName("KONWERTOWANA").asBoolean();
    default:
      return false;
  }
}

// The date and the time as the header of a run shows them (the Polish system's short date and long time).
std::string DataICzas() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char data[16], czas[16];
  std::strftime(data, sizeof data, "%Y-%m-%d", &local);
  std::strftime(czas, sizeof czas, "%H:%M:%S", &local);
  return std::string(data) + ", " + czas;
}

}  // namespace

void TfrmConvert::Konwertuj() {
  if (SciezkaInterbase.empty() || SciezkaParadoxa.empty()) {
    ui_.messageBox(MsgKind::Error, kApplicationTitle,
                   "Brak w konfiguracji położenia danych w formacie Paradox i/lub Firebird!", kOk, kOk);
    return;
  }
  try {
    if (SprawdzWersjeDanych(SciezkaParadoxa, SciezkaInterbase, true)) return;
    const unsigned kind = RodzajKonwersji;
    if (ui_.messageBox(MsgKind::Question, "POTWIERDZENIE", TrescPotwierdzenia(kind, SciezkaInterbase),
                       kYes | kNo, kNo) != kYes)
      return;

    UstawStanPracy(true);
    bool bladPlikowLogu = false;
    std::exception_ptr blad;
    try {
      ui_.setProgressPosition(kPasekCalosc, 0);
      ui_.setProgressRange(kPasekCalosc, 0, static_cast<int>(dm_->tblLista.recordCount()));
      try {
        if (UstawSciezkiDoBaz(SciezkaParadoxa, SciezkaInterbase, true, true)) {
          for (PlikLogu& log : logi) {
            if (!InitLogFile(log, true)) {
              bladPlikowLogu = true;
              break;
            }
          }
          if (!bladPlikowLogu && kind != 3) PrzepiszParadoxToInterbase(kind);
        }
      } catch (...) {
        ZapiszBlad(kMiejsceRunu);
        ZglosBlad(kMiejsceRunu, "", "");
      }
    } catch (...) {
      blad = std::current_exception();
    }
    // The idle state and the closing of the files come after every run that entered the running state;
    // the files are closed even when the verdict itself fails.
    try {
      UstawStanPracy(false, bladPlikowLogu);
    } catch (...) {
      if (!blad) blad = std::current_exception();
    }
    ZamknijPlikiLogow();
    if (blad) std::rethrow_exception(blad);
  } catch (...) {
    ZglosBlad("TfrmConvert.Konwertuj()", "", "");
  }
}

void TfrmConvert::PrzepiszParadoxToInterbase(unsigned kind) {
  if (Przerwano) return;
  TdmKonw& dm = *dm_;
  db::Table& lista = dm.tblLista;
  std::optional<std::int64_t> zakladka;
  if (!lista.isEmpty()) zakladka = lista.bookmark();
  auto wrocNaZakladke = [&]() noexcept {
    if (!zakladka) return;
    try {
      lista.gotoBookmark(*zakladka);
    } catch (...) {
      // The row was deleted meanwhile (through the list's editor): the list stays where it is.
    }
  };

  try {
    NaglowekDoZapisu.fill(false);

    ZapiszKomunikat(kRowne, kWszystkie);
    ZapiszKomunikat("Przeniesienie danych Paradox-Firebird, " + DataICzas(), kWszystkie);
    ZapiszKomunikat("  Położenie danych w formacie Firebird: " + ui_.caption("lblSciezkaInterbase"),
                    kWszystkie);
    ZapiszKomunikat("  Położenie danych w formacie Paradox: " + ui_.caption("lblSciezkaParadoxa"),
                    kWszystkie);
    ZapiszKomunikat("  Numer wersji danych w formacie Paradox: " + ui_.caption("lblWersjaPdx"), kWszystkie);
    ZapiszKomunikat(" ", kWszystkie);
    db::Table& params = dm.PARAMS;
    auto wartosc = [&](const char* pole) {
      return params.isEmpty() ? std::string() : params.fieldByName(pole).asString();
    };
    const struct {
      const char* wartosc;
      const char* etykieta;
      const char* pole;
    } linieJednostki[] = {{"txtZwiazek", "lblZwiazek", "NAZWA"},
                          {"txtWoj", "lblWoj", "Wojewodztwo"},
                          {"txtPow", "lblPow", "Powiat"},
                          {"txtGm", "lblGm", "Gmina"}};
    for (const auto& l : linieJednostki)
      if (ui_.visible(l.wartosc))
        ZapiszKomunikat("  " + ui_.caption(l.etykieta) + wartosc(l.pole), kWszystkie);
    if (ui_.visible("txtTypgminy")) ZapiszKomunikat("  " + wartosc("TypGminy"), kWszystkie);
    ZapiszKomunikat(
        "  " + ui_.caption("Label19") + wartosc("WK") + wartosc("PK") + wartosc("GK") + wartosc("GT"),
        kWszystkie);
    ZapiszKomunikat(kRowne, kWszystkie);
    ZapiszKomunikat(" ", kWszystkie);

    for (lista.first(); !lista.eof();) {
      if (WybranyWiersz(lista, kind) && !KonwertujBiezacyWiersz()) break;
      ui_.processMessages();
      if (Przerwano) break;
      ui_.stepProgress(kPasekCalosc);
      lista.next();
    }

    RaportPominietychTabel();
  } catch (...) {
    ZapiszBlad(kMiejsceWalku);
    wrocNaZakladke();
    throw;
  }
  wrocNaZakladke();
}

bool TfrmConvert::KonwertujBiezacyWiersz() {
  TdmKonw& dm = *dm_;
  db::Table& lista = dm.tblLista;
  const bool jst = ui_.checked("JST");
  const bool jb = ui_.checked("JB");
  const bool dizez = lista.fieldByName("DIZEZ").asBoolean();

  if (jst || dizez) {
    ZapiszKomunikat(" ", kOgolny);
    ZapiszKomunikat(kKreski, kOgolny);
  }
  NaglowekDoZapisu.fill(true);

  const std::string idtf = lista.fieldByName("IDTF").asString();
  const std::string P = lista.fieldByName("TABELA").asString();
  const std::string F = lista.fieldByName("TABELA_IB").asString();
  const Kategorie krytyczne = kOgolny | kBledy | kBledyKrytyczne;
  const Znaczniki obaZnaczniki = kNiezgodnoscKrytyczna | kNiezgodnosc;
  if (P.empty())
    ZapiszKomunikat("*** Brak nazwy tabeli Paradox (ident. " + idtf + ") ***", krytyczne, obaZnaczniki);
  if (F.empty())
    ZapiszKomunikat("*** Brak nazwy tabeli Firebird (ident. " + idtf + ") ***", krytyczne, obaZnaczniki);
  if (P.empty() || F.empty()) return true;

  if (!IstniejeTabelaParadoxa(P)) {
    if (!jb || dizez)
      ZapiszKomunikat("*** Tabela: " + P + " nie istnieje ***", kOgolny | kBledy, kNiezgodnosc);
    return true;
  }
  if (jb && !dm.TabelaIstniejeWFirebird(F)) {
    ZapiszKomunikat("*** Tabela: \"" + P + "\" nie istnieje w bazie formatu Firebird ***", krytyczne,
                    obaZnaczniki);
    return true;
  }
  NaglowekTabeli(Kategoria::Ogolny);
  ui_.setCaption("lblNazwaTabeli", EtykietaTabeli());
  PorownajStrukturyBiezacejTabeli();
  if (lista.fieldByName("SLOWNIK").asBoolean()) {
    ZapiszKomunikat("  porównanie zawartości słowników...", kOgolny);
    PorownajZawartoscTabeliSlownikow();
    if (Przerwano) return false;
  }
  Convert();
  return !Przerwano;
}

void TfrmConvert::RaportPominietychTabel() {
  TdmKonw& dm = *dm_;
  ui_.setBusyCursor(true);
  try {
    std::vector<std::string> nazwy = dm.session.tableNames(dm.DBp, "*.db");
    std::stable_sort(nazwy.begin(), nazwy.end(), [](const std::string& a, const std::string& b) {
      return db::upperAscii(a) < db::upperAscii(b);
    });
    bool pierwsza = true;
    for (const std::string& nazwa : nazwy) {
      ui_.processMessages();
      const std::string duze = db::upperAscii(nazwa);
      if (dm.tblLista.locate("TABELA", {duze}, false) || dm.tblPomijane.locate("TABELA", {duze}, false))
        continue;
      if (pierwsza) {
        ZapiszKomunikat("\r\n" + kKreski, kOgolny | kDodatkoweInfo);
        ZapiszKomunikat("Pominięte tabele formatu paradox:", kOgolny | kDodatkoweInfo);
        pierwsza = false;
      }
      ZapiszKomunikat("  " + duze, kOgolny | kDodatkoweInfo);
    }
  } catch (...) {
    ui_.setBusyCursor(false);
    throw;
  }
  ui_.setBusyCursor(false);
}

}  // namespace konw
