#include "control/konwersja_dm.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/hostpath.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace konw {

namespace {

constexpr const char* kHaslo = "wrzo";

void ustawBaze(db::Database& database, const std::string& driver, std::initializer_list<std::string> lines) {
  database.setDriverName(driver);
  database.clearParams();
  for (const auto& line : lines) database.addParam(line);
}

void przypiszTabele(db::Table& table, db::Database& database, const std::string& name,
                    const std::string& order) {
  table.setDatabase(&database);
  table.setTableName(name);
  if (!order.empty()) table.setIndexFieldNames(order);
}

}  // namespace

TdmKonw::TdmKonw(TAppException& wyjatki)
    : dbKonwersja("dbKonwersja", session),
      DBp("DBp", session),
      DBpb("DBpb", session),
      DBpbjo("DBpbjo", session),
      DBi("DBi", session),
      wyjatki_(wyjatki) {
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
  for (db::Table* detail : {&tblPola, &tblRozmiar, &tblKolejnosc})
    detail->setMasterSource(&tblLista, "IDTF", "TABELA");

  // The product's data is only ever read.
  przypiszTabele(PARAMS, DBp, "Params.DB", "");
  PARAMS.setReadOnly(true);
  qryInterbase.setDatabase(&DBi);
  qryTemp.setDatabase(&DBi);
  qryParadox.setDatabase(&DBp);
  TblI.setDatabase(&DBi);
  TblP.setDatabase(&DBp);
  TblP.setReadOnly(true);
  UstawParametryBaz("", "");
}

void TdmKonw::UstawParametryBaz(const std::string& SciezkaParadoxa, const std::string& SciezkaInterbase) {
  session.addPassword(kHaslo);
  const std::string katalog = UsunKoncowyUkosnik(SciezkaParadoxa);
  for (db::Database* d : {&DBp, &DBpb, &DBpbjo, &DBi}) d->disconnect();
  ustawBaze(DBp, "STANDARD", {"PATH=" + SciezkaParadoxa, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
  ustawBaze(DBpb, "STANDARD",
            {"PATH=" + katalog + "\\BUFOR\\", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
  ustawBaze(DBpbjo, "STANDARD",
            {"PATH=" + katalog + "\\BUFOR\\JO\\", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
  ustawBaze(DBi, "INTRBASE",
            {"SERVER NAME=" + SciezkaInterbase, "USER NAME=SYSDBA", "PASSWORD=palisandr", "SQLQRYMODE=SERVER",
             "LANGDRIVER=anpolish", "ENABLE BCD=TRUE", "SQLDIALECT=3"});
  // How long a Firebird server may stay silent before a statement is given up (seconds).
  if (const char* t = std::getenv("KONWERSJA_TIMEOUT"); t && *t) DBi.addParam(std::string("TIMEOUT=") + t);
  // How long it may take to accept a connection (seconds).
  if (const char* t = std::getenv("KONWERSJA_CONNECT_TIMEOUT"); t && *t)
    DBi.addParam(std::string("CONNECT TIMEOUT=") + t);
}

TdmKonw::~TdmKonw() {
  ZamknijTabeleKonfiguracyjne();
}

std::string TdmKonw::NazwaPlikuTabeli(const db::Table& table) {
  return table.tableName();
}

bool TdmKonw::OtworzTabeleKonfiguracyjne(const std::string& SciezkaGlowna, const std::string& programPath) {
  try {
    std::string glowny = SciezkaGlowna;
    obokProgramu_ = glowny.empty();
    if (glowny.empty()) {
      // Beside the program: its directory with a trailing separator.
      glowny = std::filesystem::path(programPath).parent_path().string() + "/";
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
    // Reported whatever it was, to the operator too: the program cannot go on without its control tables.
    wyjatki_.ReportError("", "Błąd otwarcia plików konfiguracyjnych w katalogu:\r\n" + gdzie(""),
                         "TdmKonw.OtworzTabeleKonfiguracyjne");
    return false;
  }
}

std::string TdmKonw::gdzie(const std::string& plik) const {
  // A Windows location is shown as it maps onto this computer; a host one with its own separators.
  auto naHoscie = [](std::string l) {
    if (isDriveLocation(l) || isUncLocation(l)) return hostPath(l).string();
    std::replace(l.begin(), l.end(), '\\', '/');
    return l;
  };
  std::string tekst = naHoscie(SciezkaKonwersji + plik);
  if (std::error_code ec; !std::filesystem::is_directory(naHoscie(SciezkaKonwersji), ec))
    tekst += "\r\n(nie ma katalogu " + naHoscie(SciezkaKonwersji) + ")";
  if (obokProgramu_)
    tekst +=
        "\r\nKonfiguracja nie wskazała katalogu głównego programu Kalmiro (PathMain), więc tabel "
        "kontrolnych szukano w katalogu KONWERSJA obok programu.";
  return tekst;
}

bool TdmKonw::OtworzListeTabel(db::Table& table) {
  try {
    table.open();
    return true;
  } catch (...) {
    // Reported whatever it was: the message names the table that could not be opened.
    wyjatki_.ReportError("", "Błąd otwarcia pliku konfiguracyjnego:\r\n" + gdzie(NazwaPlikuTabeli(table)),
                         "TdmKonw.OtworzListeTabel");
    return false;
  }
}

void TdmKonw::ZamknijTabeleKonfiguracyjne() noexcept {
  for (db::Table* t : {&tblIdxPomijane, &tblPomijane, &tblKolejnosc, &tblRozmiar, &tblPola, &tblLista})
    t->close();
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
    return PoleWKluczuGlownym(TblI.indexDefs(), field.name());
  } catch (const db::EngineError&) {
    // Index definitions that cannot be read name no key: the field is copied as an ordinary one.
  }
  return false;
}

bool TdmKonw::PoleWKluczuGlownym(const std::vector<db::IndexDef>& indeksy, const std::string& pole) {
  for (const auto& index : indeksy) {
    if (!index.primary) continue;
    for (const std::string& name : splitList(index.fields))
      if (name == pole) return true;
    return false;
  }
  return false;
}

void TdmKonw::ZerujWybraneTabele() {
  // Only a row that is selected is written: a start-up with no selection leaves the file as it was.
  for (tblLista.first(); !tblLista.eof(); tblLista.next()) {
    if (!tblLista.fieldByName("KONWERTOWANA").asBoolean()) continue;
    try {
      tblLista.edit();
      tblLista.fieldByName("KONWERTOWANA").setAsBoolean(false);
      tblLista.post();
    } catch (...) {
      // The operator learns which file could not be written; the failure still ends what called this.
      tblLista.cancel();
      wyjatki_.ReportError(
          "", "Błąd zapisu pliku konfiguracyjnego:\r\n" + SciezkaKonwersji + NazwaPlikuTabeli(tblLista),
          "TdmKonw.ZerujWybraneTabele");
      throw;
    }
  }
  tblLista.first();
}

std::vector<std::string> TdmKonw::ZaznaczWybraneTabele(const std::vector<std::string>& nazwy) {
  auto wybrany = [&](const std::string& tabela) {
    for (const std::string& n : nazwy)
      if (!tabela.empty() && equalsIgnoreCase(n, tabela)) return true;
    return false;
  };
  std::vector<bool> znana(nazwy.size(), false);
  std::vector<std::int64_t> wiersze;
  for (tblLista.first(); !tblLista.eof(); tblLista.next()) {
    const std::string p = tblLista.fieldByName("TABELA").asString();
    const std::string f = tblLista.fieldByName("TABELA_IB").asString();
    for (std::size_t i = 0; i < nazwy.size(); ++i)
      if (equalsIgnoreCase(nazwy[i], p) || equalsIgnoreCase(nazwy[i], f)) znana[i] = true;
    if (wybrany(p) || wybrany(f)) wiersze.push_back(tblLista.bookmark());
  }
  std::vector<std::string> nieznane;
  for (std::size_t i = 0; i < nazwy.size(); ++i)
    if (!znana[i]) nieznane.push_back(nazwy[i]);
  if (nieznane.empty()) {
    for (std::int64_t w : wiersze) {
      tblLista.gotoBookmark(w);
      try {
        tblLista.edit();
        tblLista.fieldByName("KONWERTOWANA").setAsBoolean(true);
        tblLista.post();
      } catch (...) {
        tblLista.cancel();
        wyjatki_.ReportError(
            "", "Błąd zapisu pliku konfiguracyjnego:\r\n" + SciezkaKonwersji + NazwaPlikuTabeli(tblLista),
            "TdmKonw.ZaznaczWybraneTabele");
        throw;
      }
    }
  }
  tblLista.first();
  return nieznane;
}

std::string TdmKonw::KatalogParadoxa() const {
  for (const std::string& p : DBp.params())
    if (p.size() >= 5 && upperAscii(p.substr(0, 5)) == "PATH=") return p.substr(5);
  return {};
}

void WykonajSql(db::Query& q, const std::string& sql) {
  q.clearSql();
  q.addSql(sql);
  q.execSql();
}

void OtworzSql(db::Query& q, const std::string& sql) {
  q.clearSql();
  q.addSql(sql);
  q.open();
}

}  // namespace konw
