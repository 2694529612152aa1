// The run's tables as the results page lists them: one row each, the problem tables first and marked,
// with the lines the four log pages hold about each.
#pragma once

#include <vector>

#include "convert/przebieg.h"
#include "log/conversion_log.h"
#include "platform/operator.h"

namespace konw {

// `sekcje` are the log's sections by the table's place in the walk (TLogKonwersji::sekcje); a table
// without one has no lines. Problem tables keep the walk's order among themselves, as do the others.
std::vector<TabelaPodsumowania> PodsumowanieTabel(const std::vector<WynikTabeli>& tabele,
                                                  const std::vector<SekcjaLogow>& sekcje);

}  // namespace konw
