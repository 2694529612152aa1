#include "db/error.h"

namespace db {

namespace {
std::string joinMessages(const std::vector<EngineError::Entry>& entries) {
  std::string text;
  for (const auto& e : entries) {
    if (!text.empty()) text += "\n";
    text += e.message;
  }
  return text;
}
}  // namespace

EngineError::EngineError(std::uint16_t code, const std::string& message)
    : std::runtime_error(message), entries_{{code, message}} {}

EngineError::EngineError(std::vector<Entry> entries)
    : std::runtime_error(joinMessages(entries)), entries_(std::move(entries)) {
  if (entries_.empty()) entries_.push_back({errc::kState, "engine error"});
}

}  // namespace db
