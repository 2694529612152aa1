// Others at the data a run is about to convert: programs connected to the Firebird database, and the lock
// files a program that has the Paradox data open leaves in its directory.
#pragma once

#include <string>
#include <vector>

namespace db {
class Database;
}

namespace konw {

// The other connections to the database `baza` is connected to, one line each ("użytkownik SYSDBA,
// adres 192.168.1.20, program C:\KALMIRO\KALMIRO.EXE"); the database's own workers are not counted.
// EngineError when the monitoring tables cannot be read.
std::vector<std::string> InnePolaczenia(db::Database& baza);

// The lock files in the Paradox data directory `katalog` (a location as the program keeps it) that show a
// program has the data open: PDOXUSRS.NET, PDOXUSRS.LCK, PARADOX.LCK and any table's .LCK, as found.
std::vector<std::string> PlikiBlokad(const std::string& katalog);

}  // namespace konw
