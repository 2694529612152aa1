// The commit of a table copy, whose outcome is found out from what the table holds when the commit
// fails, never guessed.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "convert/weryfikacja.h"

namespace konw {

class TdmKonw;

// How a copy's commit ended: committed, not, or not known (the connection lost on its way and the table
// not readable afterwards).
enum class Zatwierdzenie { Zatwierdzone, Wycofane, Nieznane };
struct WynikZatwierdzenia {
  Zatwierdzenie stan = Zatwierdzenie::Zatwierdzone;
  std::exception_ptr blad;  // the commit's error, when it failed
};

// Commits the copy of `tabelaIb`. When the commit fails, what the table holds now says whether it took
// effect: the rows the read-back found (`stan`; without it, their number `skopiowane`) are committed,
// anything else is not. The table is read on the copy's connection, else on a new one; when neither can
// read it the outcome is unknown. It is read in a transaction that reserves it: a commit that reached the
// server while the connection was lost may still be in progress there, and the copy's transaction holds
// the table until the server has committed or undone it.
WynikZatwierdzenia ZatwierdzKopie(TdmKonw& dm, const std::string& tabelaIb,
                                  const std::optional<StanZapisanej>& stan,
                                  const std::optional<std::string>& skopiowane);

}  // namespace konw
