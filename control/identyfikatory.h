// The names a ListaTabel row puts into SQL statements, checked before any of them is used.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace db {
class Table;
}

namespace konw {

// A ListaTabel column and its value in the row.
using NazwyWiersza = std::vector<std::pair<std::string, std::string>>;

// The line that refuses the row for its first name that may not enter SQL unquoted, empty when every
// one may. Firebird names (TABELA_IB, TRIGGER_IB, GENERATOR_IB) must be plain identifiers and no
// reserved word; Paradox names (TABELA, AUTOINC_PDX) plain identifiers. Empty values are left to the
// copy, which handles a missing trigger or generator. `wiersz` names the row in the line.
std::string BlednyIdentyfikator(const NazwyWiersza& nazwy, const std::string& wiersz);

// The same for the current row of ListaTabel.
std::string BlednyIdentyfikatorListy(db::Table& lista);

}  // namespace konw
