// Comparison of a Firebird table's structure with its Paradox counterpart: fields (presence, type,
// size, position) and indexes, optionally through the control tables that map field names and accept
// recorded differences. The comparison itself is TfrmConvert::PorownajStrukturyTabel.
#pragma once

#include <string>

#include "control/konwersja_dm.h"
#include "db/value.h"

namespace konw {

// Classes of a comparison's outcome, one byte of flags; kKlasaZawsze is always present.
constexpr unsigned char kKlasaInformacja = 1;
constexpr unsigned char kKlasaBlad = 2;
constexpr unsigned char kKlasaKrytyczna = 4;
constexpr unsigned char kKlasaZawsze = 8;

// The type's name as messages show it ("Unknown" .. "DataSet", "?" outside the enumeration).
std::string NazwaTypuPola(db::FieldType type);

// An index field list ("A;B") with each name replaced by its counterpart through ListaTabelPola
// (the current ListaTabel row's map); the ";" separators are kept.
std::string OdpowiednikKlucza(TdmKonw& dm, const std::string& klucz, TdmKonw::Kierunek kierunek);

}  // namespace konw
