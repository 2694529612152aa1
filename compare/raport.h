// The whole-database comparison report: every Firebird table against its Paradox counterpart, then
// every Paradox table for a Firebird counterpart, appended to the page's memo line by line, so that
// what was found before an engine error stays there.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace db {
class Database;
}

namespace konw {

class Operator;
class TdmKonw;

// Appends the report with `naglowek`'s lines (the locations and the data version) after its date; with
// ZTabelamiKonf the control tables map names, accept differences and leave skipped tables out. Engine
// errors outside a table's opening pass on. Returns the classes of the differences found (kKlasa…).
// Every line goes to the page and, as it is written, to `raport`, which keeps what was found before an
// error too.
unsigned char PorownajBazy(TdmKonw& dm, Operator& ui, const std::vector<std::string>& naglowek,
                           bool ZTabelamiKonf, std::vector<std::string>& raport);

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
