// The "STANDARD" driver: Paradox tables in a directory.
#pragma once

#include <memory>

#include "db/driver.h"

namespace db::paradox {
std::unique_ptr<Driver> makeDriver();
}
