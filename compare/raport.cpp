// The whole-database comparison report and its file. The report goes to the memo mPorownanie line by
// line, so that what was found before an engine error stays there.
#include "compare/raport.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "compare/porownanie.h"
#include "control/konwersja_dm.h"
#include "db/engine.h"
#include "log/conversion_log.h"
#include "platform/cp1250.h"
#include "platform/hostpath.h"
#include "platform/operator.h"
#include "platform/text.h"

namespace konw {

namespace {

std::string dwieCyfry(int v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

// Alphabetical order of upper-cased names as the system sorts words: an underscore before the digits
// and letters, so that USER_ follows USER and precedes USERS.
bool przed(const std::string& a, const std::string& b) {
  auto waga = [](char c) { return c == '_' ? '\x01' : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return waga(x) < waga(y); });
}

// Upper-cased and in alphabetical order.
std::vector<std::string> posortowane(std::vector<std::string> nazwy) {
  for (auto& n : nazwy) n = db::upperAscii(n);
  std::stable_sort(nazwy.begin(), nazwy.end(), przed);
  return nazwy;
}

// A Firebird table that ListaTabel does not name is compared with none of the maps' rows: the three
// detail tables follow an inactive master meanwhile, which gives them only the rows linked to no table.
class BezMapTabeli {
 public:
  BezMapTabeli(TdmKonw& dm, bool odlacz) : dm_(dm), odlacz_(odlacz) {
    if (odlacz_)
      for (db::Table* t : {&dm_.tblPola, &dm_.tblRozmiar, &dm_.tblKolejnosc})
        t->setMasterSource(&pusta_, "IDTF", "TABELA");
  }
  ~BezMapTabeli() {
    if (!odlacz_) return;
    for (db::Table* t : {&dm_.tblPola, &dm_.tblRozmiar, &dm_.tblKolejnosc}) {
      try {
        t->setMasterSource(&dm_.tblLista, "IDTF", "TABELA");
      } catch (...) {
        // The link field exists (the table was linked before); nothing else can fail here.
      }
    }
  }
  BezMapTabeli(const BezMapTabeli&) = delete;
  BezMapTabeli& operator=(const BezMapTabeli&) = delete;

 private:
  TdmKonw& dm_;
  bool odlacz_;
  db::Table pusta_;
};

}  // namespace

std::string OdpowiednikParadox(const std::string& nazwaIB) {
  if (!nazwaIB.empty() && nazwaIB.back() == '_') return nazwaIB.substr(0, nazwaIB.size() - 1);
  return nazwaIB;
}

db::Database& BazaParadox(TdmKonw& dm, const std::string& nazwaIB) {
  if (nazwaIB.starts_with("BUF_JB")) return dm.DBpbjo;
  if (nazwaIB.starts_with("BUF_")) return dm.DBpb;
  return dm.DBp;
}

std::string WpisTabeli(const std::string& nazwaIB, const std::string& opis) {
  std::string naglowek = nazwaIB;
  if (!nazwaIB.empty() && nazwaIB.back() == '_') naglowek += " (" + OdpowiednikParadox(nazwaIB) + ")";
  return naglowek + ": " + (opis.empty() ? std::string(" ok") : opis);
}

std::string LiniaDatyRaportu(const std::tm& kiedy) {
  return "Porównanie danych Paradox-Firebird, " + std::to_string(kiedy.tm_year + 1900) + "-" +
         dwieCyfry(kiedy.tm_mon + 1) + "-" + dwieCyfry(kiedy.tm_mday) + ", " + dwieCyfry(kiedy.tm_hour) +
         ":" + dwieCyfry(kiedy.tm_min) + ":" + dwieCyfry(kiedy.tm_sec);
}

std::string NazwaPlikuRaportu(const std::tm& kiedy) {
  return "GDBvsDB_" + std::to_string(kiedy.tm_year + 1900) + dwieCyfry(kiedy.tm_mon + 1) +
         dwieCyfry(kiedy.tm_mday) + dwieCyfry(kiedy.tm_hour) + dwieCyfry(kiedy.tm_min) + ".txt";
}

void ZapiszPlikRaportu(const std::string& file, const std::string& text) {
  // Every line ends in CR LF, whatever the memo gave.
  const std::string bytes = utf8ToCp1250(crLf(text));
  std::FILE* f = std::fopen(hostPath(file).c_str(), "wb");
  if (!f) throw std::runtime_error("Nie można utworzyć pliku " + file);
  const bool zapisany = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
  if (std::fclose(f) != 0 || !zapisany) throw std::runtime_error("Błąd zapisu pliku " + file);
}

unsigned char PorownajBazy(TdmKonw& dm, Operator& ui, const std::vector<std::string>& naglowek,
                           bool ZTabelamiKonf, std::vector<std::string>& raport) {
  unsigned char klasy = 0;
  const auto dopisz = [&](const std::string& linia) {
    raport.push_back(linia);
    ui.appendLine(Strona::Porownanie, linia);
  };
  dopisz("--------------------");
  dopisz(LiniaDatyRaportu(CzasLokalny()));
  for (const std::string& linia : naglowek) dopisz(linia);
  dopisz(" ");
  dopisz("-- tabele firebird: ");

  const std::vector<std::string> tabeleIB = posortowane(dm.session.tableNames(dm.DBi, "*"));
  for (const std::string& nazwa : tabeleIB) {
    ui.processMessages();
    dm.TblI.close();
    dm.TblP.close();
    const std::string pdx = OdpowiednikParadox(nazwa);
    dm.TblP.setDatabase(&BazaParadox(dm, nazwa));

    WynikPorownania wynik;
    if (ZTabelamiKonf) {
      const bool wLiscie = dm.tblLista.locate("TABELA_IB", {nazwa}, true);
      BezMapTabeli bezMap(dm, !wLiscie);
      if (dm.tblPomijane.locate("TABELA", {pdx}, true)) continue;
      wynik = PorownajStrukturyTabel(dm, ui, nazwa, pdx, true);
    } else {
      wynik = PorownajStrukturyTabel(dm, ui, nazwa, pdx, false);
    }
    klasy |= wynik.klasy;
    dopisz(WpisTabeli(nazwa, wynik.opis));
  }

  dopisz("");
  dopisz("-- tabele paradox: ");
  for (db::Database* baza : {&dm.DBp, &dm.DBpb, &dm.DBpbjo}) {
    for (const std::string& nazwa : posortowane(dm.session.tableNames(*baza, "*.db"))) {
      if (dm.tblPomijane.locate("TABELA", {nazwa}, true)) continue;
      ui.processMessages();
      const bool maOdpowiednik = std::binary_search(tabeleIB.begin(), tabeleIB.end(), nazwa, przed) ||
                                 std::binary_search(tabeleIB.begin(), tabeleIB.end(), nazwa + "_", przed);
      if (!maOdpowiednik) dopisz("  brak w firebird tabeli: " + nazwa);
    }
  }
  return klasy;
}

}  // namespace konw
