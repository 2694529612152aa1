// The "INTRBASE" driver: a Firebird database, embedded or through a server.
#pragma once

#include <memory>

#include "db/driver.h"

namespace db::firebird {
std::unique_ptr<Driver> makeDriver();
}
