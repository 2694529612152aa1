#include "db/drivers.h"

#include "db/firebird/driver.h"
#include "db/firebird/signals.h"
#include "db/paradox/driver.h"

namespace db {

void registerBuiltinDrivers() {
  registerDriver("STANDARD", [] { return paradox::makeDriver(); });
  registerDriver("INTRBASE", [] { return firebird::makeDriver(); });
  firebird::keepAttachmentsOnSignals();
}

}  // namespace db
