#include "control/konwersja_dm.h"

#include <filesystem>

#include "app/konwersja.h"
#include "platform/paths.h"

namespace konw {

TdmKonw* dmKonw = nullptr;

namespace {

void przypiszTabele(db::Table& table, db::Database& database, const std::string& name, const std::string& order) {
  table.setDatabase(&database);
  table.setTableName(name);
  if (!order.empty()) table.setIndexFieldNames(order);
}

}  // namespace

TdmKonw::TdmKonw(TfrmConvert& frm)
    : session(db::Session::global()),
      dbKonwersja("dbKonwersja", session),
      DBp("DBp", session),
      DBpb("DBpb", session),
      DBpbjo("DBpbjo", session),
      DBi("DBi", session),
      frm_(frm) {
  dbKonwersja.setDriverName("STANDARD");
  dbKonwersja.addParam("PATH=");
  dbKonwersja.addParam("DEFAULT DRIVER=PARADOX");
  dbKonwersja.addParam("ENABLE BCD=FALSE");

  przypiszTabele(tblLista, dbKonwersja, "ListaTabel.db", "TABELA_IB");
  przypiszTabele(tblPola, dbKonwersja, "ListaTabelPola.db", "TABELA");
  przypiszTabele(tblRozmiar, dbKonwersja, "ListaTabelRozmiary.db", "TABELA");
  przypiszTabele(tblKolejnosc, dbKonwersja, "ListaTabelKolejnosc.db", "TABELA");
  przypiszTabele(tblPomijane, dbKonwersja, "ListaTabelSkip.DB", "TABELA");
  przypiszTabele(tblIdxPomijane, dbKonwersja, "ListaIndekSkip.db", "IDTF");
  for (db::Table* detail : {&tblPola, &tblRozmiar, &tblKolejnosc}) detail->setMasterSource(&tblLista, "IDTF", "TABELA");

  // The product's data is only ever read.
  przypiszTabele(PARAMS, DBp, "Params.DB", "");
  PARAMS.setReadOnly(true);
  qryInterbase.setDatabase(&DBi);
  qryTemp.setDatabase(&DBi);
  qryParadox.setDatabase(&DBp);
  TblI.setDatabase(&DBi);
  TblP.setDatabase(&DBp);
  TblP.setReadOnly(true);
}

TdmKonw::~TdmKonw() {
  ZamknijTabeleKonfiguracyjne();
  if (dmKonw == this) dmKonw = nullptr;
}

std::string TdmKonw::NazwaPlikuTabeli(const db::Table& table) { return table.tableName(); }

bool TdmKonw::OtworzTabeleKonfiguracyjne() {
  try {
    std::string glowny = frm_.SciezkaGlowna;
    if (glowny.empty()) {
      // Beside the program: its directory with a trailing separator.
      glowny = std::filesystem::path(frm_.programPath()).parent_path().string() + "/";
    }
    std::string sciezka = glowny;
    if (sciezka.back() != '\\' && sciezka.back() != '/') sciezka += "\\";
    sciezka += "KONWERSJA";
    SciezkaKonwersji = DodajKoncowyUkosnik(sciezka);

    ZamknijTabeleKonfiguracyjne();
    dbKonwersja.disconnect();
    dbKonwersja.setParam(0, "PATH=" + SciezkaKonwersji);
    dbKonwersja.connect();

    for (db::Table* t : {&tblLista, &tblPola, &tblRozmiar, &tblKolejnosc, &tblPomijane, &tblIdxPomijane})
      if (!OtworzListeTabel(*t)) return false;
    return true;
  } catch (...) {
    frm_.ZglosBlad("TdmKonw.OtworzTabeleKonfiguracyjne", "", "");
    return false;
  }
}

bool TdmKonw::OtworzListeTabel(db::Table& table) {
  try {
    table.open();
    return true;
  } catch (...) {
    frm_.ZglosBlad("TdmKonw.OtworzListeTabel",
                   "Błąd otwarcia pliku konfiguracyjnego:\r\n" + SciezkaKonwersji + NazwaPlikuTabeli(table), "");
    return false;
  }
}

void TdmKonw::ZamknijTabeleKonfiguracyjne() noexcept {
  for (db::Table* t : {&tblIdxPomijane, &tblPomijane, &tblKolejnosc, &tblRozmiar, &tblPola, &tblLista}) t->close();
}

std::string TdmKonw::OdpowiednikPola(const std::string& name, Kierunek direction) {
  const bool doFirebird = direction == Kierunek::ParadoxDoFirebird;
  const char* szukane = doFirebird ? "POLE_PDX" : "POLE_IB";
  const char* wynik = doFirebird ? "POLE_IB" : "POLE_PDX";
  if (!tblPola.active() || tblPola.isEmpty()) return name;
  if (tblPola.locate(szukane, {name}, true)) return tblPola.fieldByName(wynik).asString();
  return name;
}

bool TdmKonw::TabelaIstniejeWFirebird(const std::string& name) {
  const std::string upper = db::upperAscii(name);
  for (const auto& t : session.tableNames(DBi, upper))
    if (db::upperAscii(t) == upper) return true;
  return false;
}

bool TdmKonw::PoleWKluczuGlownym(const db::Field& field) {
  try {
    for (const auto& index : TblI.indexDefs()) {
      if (!index.primary) continue;
      std::string fields = index.fields + ";";
      for (std::size_t start = 0, end; (end = fields.find(';', start)) != std::string::npos; start = end + 1)
        if (fields.compare(start, end - start, field.name()) == 0) return true;
      return false;
    }
  } catch (...) {
  }
  return false;
}

void TdmKonw::ZerujWybraneTabele() {
  for (tblLista.first(); !tblLista.eof(); tblLista.next()) {
    tblLista.edit();
    tblLista.fieldByName("KONWERTOWANA").setAsBoolean(false);
    tblLista.post();
  }
  tblLista.first();
}

}  // namespace konw
