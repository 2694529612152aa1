// The data module: owns every database object of the program and the control tables that drive a
// conversion. One instance, owned by the main window and handed to the parts that read the databases.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/profile.h"
#include "db/engine.h"
#include "log/appex.h"

namespace konw {

// Runs `sql` through `q` (a statement without rows), or opens it (a query with rows).
void WykonajSql(db::Query& q, const std::string& sql);
void OtworzSql(db::Query& q, const std::string& sql);

class TdmKonw {
 public:
  // Errors of opening the control tables are reported through `wyjatki`.
  explicit TdmKonw(TAppException& wyjatki);
  ~TdmKonw();
  TdmKonw(const TdmKonw&) = delete;
  TdmKonw& operator=(const TdmKonw&) = delete;

  enum class Kierunek { ParadoxDoFirebird, FirebirdDoParadox };

  // Opens the six control tables in the directory KONWERSJA under the main directory (beside the
  // program when the main directory is empty); false, reported, when one cannot be opened.
  bool OtworzTabeleKonfiguracyjne(const std::string& SciezkaGlowna, const std::string& programPath);
  bool OtworzListeTabel(db::Table& table);
  // The parameter lines of the four working databases for these locations; none is connected. Set
  // from the start with empty locations, so that any later pair of locations can connect.
  void UstawParametryBaz(const std::string& SciezkaParadoxa, const std::string& SciezkaInterbase);
  void ZamknijTabeleKonfiguracyjne() noexcept;
  std::string OdpowiednikPola(const std::string& name, Kierunek direction);
  bool TabelaIstniejeWFirebird(const std::string& name);
  // Whether the field is a column of the primary key of TblI's table (of the table whose indexes are given).
  bool PoleWKluczuGlownym(const db::Field& field);
  static bool PoleWKluczuGlownym(const std::vector<db::IndexDef>& indeksy, const std::string& pole);
  // Every ListaTabel row gets KONWERTOWANA false, posted where it was set (nothing is written when no row
  // is selected); the cursor ends on the first row.
  void ZerujWybraneTabele();
  // Ticks KONWERTOWANA of every row whose TABELA or TABELA_IB is one of `nazwy` (ignoring case), as the
  // grid of selected tables does, and leaves the list on its first row. Returns the names no row holds;
  // then nothing is ticked.
  std::vector<std::string> ZaznaczWybraneTabele(const std::vector<std::string>& nazwy);
  // The file name a control table was opened from ("ListaTabel.db", ...).
  static std::string NazwaPlikuTabeli(const db::Table& table);

  std::string SciezkaKonwersji;
  // The directory the Paradox database DBp reads its tables from (its PATH parameter).
  std::string KatalogParadoxa() const;

  db::Session session;  // the engine session of the program's databases
  db::Database dbKonwersja;
  db::Table tblLista, tblPola, tblRozmiar, tblKolejnosc, tblPomijane, tblIdxPomijane;
  db::Database DBp, DBpb, DBpbjo, DBi;
  db::Table PARAMS;
  db::Query qryInterbase, qryTemp, qryParadox;
  db::Table TblI, TblP;
  TProfile Ini;

 private:
  TAppException& wyjatki_;
  // A control file (or the directory, for an empty name) as the operator finds it, and why it was
  // looked for there.
  std::string gdzie(const std::string& plik) const;
  bool obokProgramu_ = false;
};

}  // namespace konw
