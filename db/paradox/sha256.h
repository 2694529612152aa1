// SHA-256 of a byte string, as lowercase hex (used to identify binary values in dumps).
#pragma once

#include <string>
#include <string_view>

namespace db::paradox {
std::string sha256Hex(std::string_view data);
}
