// The structure comparison of one table: what each side lacks, the types, sizes and positions of the
// fields both sides have, and the indexes. Every difference is one line of one class; the control
// tables of the current ListaTabel row may map the names and accept a difference.
#include "compare/porownanie.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/konwersja.h"
#include "db/engine.h"

namespace konw {

namespace {

using db::FieldType;
using Kierunek = TdmKonw::Kierunek;

// The four texts of an outcome being built, with its classes.
class Wynik {
 public:
  Wynik(std::string& opis, std::string& informacje, std::string& krytyczne, std::string& bledy)
      : opis_(opis), informacje_(informacje), krytyczne_(krytyczne), bledy_(bledy) {
    opis_.clear();
    informacje_.clear();
    krytyczne_.clear();
    bledy_.clear();
  }

  // A line goes to the full description and to the list of its class.
  void zapisz(const std::string& linia, unsigned char klasa) {
    opis_ += "\r\n" + linia;
    lista(klasa) += "\r\n" + linia;
    klasy_ |= klasa;
  }

  // A table that cannot be opened ends the comparison: the line stands in the critical list alone,
  // while the outcome counts as both an error and a critical one.
  unsigned char bladOtwarcia(const char* strona) {
    const std::string linia = std::string("  błąd otwarcia tabeli ") + strona;
    opis_ += "\r\n" + linia;
    krytyczne_ += "\r\n" + linia;
    klasy_ |= kKlasaBlad | kKlasaKrytyczna;
    return klasy_;
  }

  unsigned char klasy() const { return klasy_; }

 private:
  std::string& lista(unsigned char klasa) {
    if (klasa == kKlasaInformacja) return informacje_;
    if (klasa == kKlasaBlad) return bledy_;
    return krytyczne_;
  }

  std::string& opis_;
  std::string& informacje_;
  std::string& krytyczne_;
  std::string& bledy_;
  unsigned char klasy_ = kKlasaZawsze;
};

// "A", or "A (B)" when the counterpart is named otherwise.
std::string zOdpowiednikiem(const std::string& nazwa, const std::string& odpowiednik) {
  return nazwa == odpowiednik ? nazwa : nazwa + " (" + odpowiednik + ")";
}

// Types that the copy carries over although the engine names them differently.
bool zgodneTypy(FieldType ib, FieldType pdx) {
  return ib == pdx || (ib == FieldType::Integer && pdx == FieldType::AutoInc) ||
         (ib == FieldType::Date && pdx == FieldType::DateTime) ||
         (ib == FieldType::String && pdx == FieldType::Boolean);
}

std::string liczba(int n) {
  return std::to_string(n);
}

// Whether the control table has a row with these values (text ignoring case).
bool jestWiersz(db::Table& table, const std::string& pola, const std::vector<db::Value>& wartosci) {
  return table.locate(pola, wartosci, true);
}

}  // namespace

std::string NazwaTypuPola(FieldType type) {
  return db::fieldTypeName(type);
}

std::string OdpowiednikKlucza(TdmKonw& dm, const std::string& klucz, Kierunek kierunek) {
  std::string wynik;
  std::size_t poczatek = 0;
  while (true) {
    const std::size_t koniec = klucz.find(';', poczatek);
    wynik += dm.OdpowiednikPola(klucz.substr(poczatek, koniec - poczatek), kierunek);
    if (koniec == std::string::npos) break;
    wynik += ';';
    poczatek = koniec + 1;
  }
  return wynik;
}

unsigned char TfrmConvert::PorownajStrukturyTabel(const std::string& TabelaIB, const std::string& TabelaPDX,
                                                  bool ZTabelamiKonf, std::string& Opis,
                                                  std::string& Informacje, std::string& Krytyczne,
                                                  std::string& Bledy) {
  Wynik wynik(Opis, Informacje, Krytyczne, Bledy);
  TdmKonw& dm = *dm_;
  db::Table& TblI = dm.TblI;
  db::Table& TblP = dm.TblP;

  TblI.close();
  TblP.close();
  TblI.setDatabase(&dm.DBi);
  TblI.setTableName(TabelaIB);
  TblP.setTableName(TabelaPDX);
  try {
    TblI.open();
  } catch (...) {
    return wynik.bladOtwarcia("firebird!");
  }
  try {
    TblP.open();
  } catch (...) {
    return wynik.bladOtwarcia("paradox!");
  }

  // Fields of the Firebird table.
  for (int i = 0; i < TblI.fieldCount(); ++i) {
    ui_.processMessages();
    db::Field& poleI = TblI.field(i);
    const std::string A = db::upperAscii(poleI.name());
    const std::string B =
        ZTabelamiKonf ? db::upperAscii(dm.OdpowiednikPola(A, Kierunek::FirebirdDoParadox)) : A;
    const std::string nazwa = zOdpowiednikiem(A, B);

    db::Field* poleP = TblP.findField(B);
    if (!poleP) {
      const bool dozwolony =
          ZTabelamiKonf && jestWiersz(dm.tblKolejnosc, "POLE_IB;NR_POLA_PDX", {A, std::int64_t{0}});
      if (!dozwolony) wynik.zapisz("    brak pola (w paradox): " + nazwa, kKlasaBlad);
      continue;
    }

    const FieldType typI = poleI.dataType();
    const FieldType typP = poleP->dataType();
    if (!zgodneTypy(typI, typP))
      wynik.zapisz("    inny typ pola: " + nazwa + " (firebird: " + NazwaTypuPola(typI) +
                       ", paradox: " + NazwaTypuPola(typP) + ")",
                   kKlasaKrytyczna);

    // Blob and memo sizes are what each engine keeps in the record, not the field's capacity.
    if (typI == typP && typI != FieldType::Blob && typP != FieldType::Memo && poleI.size() != poleP->size()) {
      const bool dozwolony =
          ZTabelamiKonf && jestWiersz(dm.tblRozmiar, "POLE_IB;ROZMIAR_PDX;ROZMIAR_IB",
                                      {A, std::int64_t{poleP->size()}, std::int64_t{poleI.size()}});
      if (!dozwolony)
        wynik.zapisz("    inny rozmiar pola: " + nazwa + " (firebird: " + liczba(poleI.size()) +
                         ", paradox: " + liczba(poleP->size()) + ")",
                     kKlasaKrytyczna);
    }

    if (poleI.fieldNo() != poleP->fieldNo()) {
      const bool dozwolony =
          ZTabelamiKonf && jestWiersz(dm.tblKolejnosc, "POLE_IB;NR_POLA_PDX;NR_POLA_IB",
                                      {A, std::int64_t{poleP->fieldNo()}, std::int64_t{poleI.fieldNo()}});
      if (!dozwolony)
        wynik.zapisz("    inna kolejność pola: " + nazwa + " (firebird: " + liczba(poleI.fieldNo()) +
                         ", paradox: " + liczba(poleP->fieldNo()) + ")",
                     kKlasaBlad);
    }
  }

  // Fields of the Paradox table that Firebird lacks: no control table accepts these, their data would be
  // lost.
  for (int i = 0; i < TblP.fieldCount(); ++i) {
    ui_.processMessages();
    const std::string C = db::upperAscii(TblP.field(i).name());
    const std::string D =
        ZTabelamiKonf ? db::upperAscii(dm.OdpowiednikPola(C, Kierunek::ParadoxDoFirebird)) : C;
    if (!TblI.findField(D))
      wynik.zapisz("    brak pola (w firebird): " + zOdpowiednikiem(C, D), kKlasaKrytyczna);
  }

  TblI.refreshIndexDefs();
  TblP.refreshIndexDefs();
  const std::vector<db::IndexDef>& indeksyI = TblI.indexDefs();
  const std::vector<db::IndexDef>& indeksyP = TblP.indexDefs();

  if (indeksyI.empty()) {
    const bool dozwolony =
        ZTabelamiKonf && jestWiersz(dm.tblIdxPomijane, "TABELA_IB;IDX_KLUCZ", {TabelaIB, std::string("*")});
    if (!dozwolony) wynik.zapisz("    tabela firebird nie posiada żadnego indeksu", kKlasaInformacja);
  }

  // Firebird indexes that Paradox lacks.
  for (const db::IndexDef& indeksI : indeksyI) {
    ui_.processMessages();
    const std::string& K = indeksI.fields;
    std::string H = db::upperAscii(K);
    if (ZTabelamiKonf) H = db::upperAscii(OdpowiednikKlucza(dm, H, Kierunek::FirebirdDoParadox));
    bool znaleziony = false;
    for (const db::IndexDef& indeksP : indeksyP)
      if (db::upperAscii(indeksP.fields) == H) {
        znaleziony = true;
        break;
      }
    if (znaleziony) continue;
    const bool dozwolony =
        ZTabelamiKonf && jestWiersz(dm.tblIdxPomijane, "TABELA_PDX;IDX_KLUCZ", {TabelaPDX, K});
    if (!dozwolony) wynik.zapisz("    brak indeksu  (w paradox): " + H, kKlasaBlad);
  }

  // Paradox indexes that Firebird lacks. A Firebird index that begins with the same fields serves
  // the same searches, so its absence is only worth a note.
  for (const db::IndexDef& indeksP : indeksyP) {
    ui_.processMessages();
    const std::string& K = indeksP.fields;
    std::string H = db::upperAscii(K);
    if (ZTabelamiKonf) H = db::upperAscii(OdpowiednikKlucza(dm, H, Kierunek::ParadoxDoFirebird));
    bool znaleziony = false;
    std::string podobny;
    for (const db::IndexDef& indeksI : indeksyI) {
      const std::string L = db::upperAscii(indeksI.fields);
      if (L == H) {
        znaleziony = true;
        break;
      }
      if (L.size() > H.size() && L.compare(0, H.size(), H) == 0 && L[H.size()] == ';' &&
          (podobny.empty() || L.size() > podobny.size()))
        podobny = L;
    }
    if (znaleziony) continue;
    const bool dozwolony =
        ZTabelamiKonf && jestWiersz(dm.tblIdxPomijane, "TABELA_IB;IDX_KLUCZ", {TabelaIB, K});
    if (dozwolony) continue;
    if (podobny.empty())
      wynik.zapisz("    brak indeksu (w firebird): " + H, kKlasaKrytyczna);
    else
      wynik.zapisz(
          "    brak indeksu (w firebird): " + H + "\r\n    (podobny indeks dłuższy: " + podobny + ")",
          kKlasaInformacja);
  }

  return wynik.klasy();
}

void TfrmConvert::PorownajStrukturyBiezacejTabeli() {
  TdmKonw& dm = *dm_;
  dm.TblI.close();
  dm.TblP.close();
  dm.TblP.setDatabase(&dm.DBp);
  ZapiszKomunikat("  porównanie struktur...", kOgolny);

  std::string opis, informacje, krytyczne, bledy;
  const unsigned char klasy = PorownajStrukturyTabel(dm.tblLista.fieldByName("TABELA_IB").asString(),
                                                     dm.tblLista.fieldByName("TABELA").asString(), true, opis,
                                                     informacje, krytyczne, bledy);

  if (klasy & (kKlasaInformacja | kKlasaBlad | kKlasaKrytyczna)) ZapiszKomunikat(opis, kOgolny);
  if (klasy & kKlasaKrytyczna)
    ZapiszKomunikat(krytyczne, kBledy | kBledyKrytyczne, kNiezgodnoscKrytyczna | kNiezgodnosc);
  if (klasy & kKlasaBlad) ZapiszKomunikat(bledy, kBledy, kNiezgodnosc);
  if (klasy & kKlasaInformacja) ZapiszKomunikat(informacje, kDodatkoweInfo);
}

}  // namespace konw
