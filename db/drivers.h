// Registers the engine's built-in drivers: "STANDARD" (Paradox) and "INTRBASE" (Firebird).
#pragma once

namespace db {
void registerBuiltinDrivers();
}
