#include "db/driver.h"

#include <map>
#include <mutex>

#include "db/engine.h"
#include "db/error.h"

namespace db {

namespace {
std::map<std::string, std::function<std::unique_ptr<Driver>()>>& registry() {
  static std::map<std::string, std::function<std::unique_ptr<Driver>()>> drivers;
  return drivers;
}
}  // namespace

void registerDriver(const std::string& name, std::function<std::unique_ptr<Driver>()> factory) {
  registry()[upperAscii(name)] = std::move(factory);
}

std::unique_ptr<Driver> makeDriver(const std::string& name) {
  auto it = registry().find(upperAscii(name));
  if (it == registry().end()) throw EngineError(errc::kNotFound, "Nieznany sterownik bazy danych: " + name);
  return it->second();
}

std::optional<std::string> paramValue(const std::vector<std::string>& params, const std::string& key) {
  const std::string wanted = upperAscii(key);
  for (const auto& line : params) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string k = line.substr(0, eq);
    while (!k.empty() && k.back() == ' ') k.pop_back();
    if (upperAscii(k) == wanted) return line.substr(eq + 1);
  }
  return std::nullopt;
}

void ConnectionImpl::beginWork(const std::vector<std::string>& /*reserveForWrite*/) {
  throw EngineError(errc::kNotSupported, "Baza danych nie obsługuje transakcji");
}

void CursorImpl::setOrder(const std::string&, const std::string&) {
  throw EngineError(errc::kNotSupported, "Zbiór danych nie obsługuje porządku indeksu");
}
void CursorImpl::setRange(std::optional<std::pair<int, Value>>) {
  throw EngineError(errc::kNotSupported, "Zbiór danych nie obsługuje powiązania nadrzędny/podrzędny");
}
std::optional<std::int64_t> CursorImpl::update(std::int64_t, const Row&) {
  throw EngineError(errc::kReadOnly, "Zbiór danych jest tylko do odczytu");
}
std::optional<std::int64_t> CursorImpl::insert(const Row&) {
  throw EngineError(errc::kReadOnly, "Zbiór danych jest tylko do odczytu");
}
void CursorImpl::remove(std::int64_t) {
  throw EngineError(errc::kReadOnly, "Zbiór danych jest tylko do odczytu");
}

SilentServers::State SilentServers::state(const std::string& server) const {
  std::lock_guard lock(mutex_);
  auto it = states_.find(server);
  return it == states_.end() ? State::Answering : it->second;
}

void SilentServers::unanswered(const std::string& server) {
  std::lock_guard lock(mutex_);
  State& s = states_[server];
  s = s == State::Answering ? State::Silent : State::GivenUp;
}

void SilentServers::giveUp(const std::string& server) {
  std::lock_guard lock(mutex_);
  states_[server] = State::GivenUp;
}

void SilentServers::answered(const std::string& server) {
  std::lock_guard lock(mutex_);
  states_.erase(server);
}

void SilentServers::forget() {
  std::lock_guard lock(mutex_);
  states_.clear();
}

}  // namespace db
