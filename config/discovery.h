// Finding the product's data locations through WIN.INI and the product's INI file.
#pragma once

#include <optional>
#include <string>

#include "config/profile.h"

namespace konw {

enum class Edycja { JST, JB };

struct Lokalizacje {
  std::string SciezkaGlowna;     // the product's main directory, may be empty
  std::string SciezkaParadoxa;   // the Paradox data directory
  std::string SciezkaInterbase;  // the Firebird location, "server:path"
};

struct WynikKonfiguracji {
  std::optional<Edycja> edycja;  // the edition whose configuration was read (when WIN.INI named one)
  Lokalizacje lokalizacje;       // what was found, also when something is missing
  std::string blad;              // the message to show when a location is missing; empty on success
  bool ok() const { return blad.empty(); }
};

// Reads the locations of `edycja`, or, without one, of the first edition that WIN.INI names (JST, then
// JB). The product's INI file is searched in the workstation's section (`stanowisko`, may be empty),
// the edition's and the shared one, in that order, key by key.
WynikKonfiguracji ZnajdzLokalizacje(TProfile& ini, std::optional<Edycja> edycja,
                                    const std::string& stanowisko);

}  // namespace konw
