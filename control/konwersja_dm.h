// The data module: owns every database object of the program and the control tables that drive a
// conversion. One instance, created by the main window's start-up, reachable through dmKonw.
#pragma once

#include <memory>
#include <string>

#include "config/profile.h"
#include "db/engine.h"

namespace konw {

class TfrmConvert;

class TdmKonw {
 public:
  explicit TdmKonw(TfrmConvert& frm);
  ~TdmKonw();
  TdmKonw(const TdmKonw&) = delete;
  TdmKonw& operator=(const TdmKonw&) = delete;

  TfrmConvert& frm() { return frm_; }

  enum class Kierunek { ParadoxDoFirebird, FirebirdDoParadox };

  bool OtworzTabeleKonfiguracyjne();
  bool OtworzListeTabel(db::Table& table);
  void ZamknijTabeleKonfiguracyjne() noexcept;
  std::string OdpowiednikPola(const std::string& name, Kierunek direction);
  bool TabelaIstniejeWFirebird(const std::string& name);
  bool PoleWKluczuGlownym(const db::Field& field);
  // Every ListaTabel row gets KONWERTOWANA false, posted; the cursor ends on the first row.
  void ZerujWybraneTabele();
  // The file name a control table was opened from ("ListaTabel.db", ...).
  static std::string NazwaPlikuTabeli(const db::Table& table);

  std::string SciezkaKonwersji;

  db::Session& session;
  db::Database dbKonwersja;
  db::Table tblLista, tblPola, tblRozmiar, tblKolejnosc, tblPomijane, tblIdxPomijane;
  db::Database DBp, DBpb, DBpbjo, DBi;
  db::Table PARAMS;
  db::Query qryInterbase, qryTemp, qryParadox;
  db::Table TblI, TblP;
  TProfile Ini;

 private:
  TfrmConvert& frm_;
};

// The program-wide data module (null until start-up creates it).
extern TdmKonw* dmKonw;

}  // namespace konw
