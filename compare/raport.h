// The whole-database comparison report: every Firebird table against its Paradox counterpart, then
// every Paradox table for a Firebird counterpart. The operations are TfrmConvert::PorownajBazy and
// TfrmConvert::ZapiszPorownanie; these are their pure parts.
#pragma once

#include <ctime>
#include <string>

namespace db {
class Database;
}

namespace konw {

class TdmKonw;

// The Paradox counterpart of a Firebird table: the name without one trailing "_".
std::string OdpowiednikParadox(const std::string& nazwaIB);
// The Paradox database of a Firebird table: DBpbjo for BUF_JB*, DBpb for other BUF_*, else DBp.
db::Database& BazaParadox(TdmKonw& dm, const std::string& nazwaIB);
// A Firebird table's entry: its header and the comparison's description, or " ok" when it is empty.
std::string WpisTabeli(const std::string& nazwaIB, const std::string& opis);
// "Porównanie danych Paradox-Firebird, " with the date (yyyy-mm-dd) and the time (hh:mm:ss).
std::string LiniaDatyRaportu(const std::tm& kiedy);
// "GDBvsDB_" + yyyymmddhhmm + ".txt".
std::string NazwaPlikuRaportu(const std::tm& kiedy);
// Writes `text` (UTF-8) to `file` in Windows-1250; throws std::runtime_error when it cannot.
void ZapiszPlikRaportu(const std::string& file, const std::string& text);

}  // namespace konw
