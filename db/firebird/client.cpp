#include "db/firebird/client.h"

#include <ibase.h>

namespace db::firebird {

ServerError::ServerError(std::uint16_t code, const std::string& message, std::int64_t gdsCode, int sqlCode)
    : EngineError(code, message), sqlCode_(sqlCode) {
  withNative(gdsCode);
}

Firebird::IMaster* master() {
  static Firebird::IMaster* const instance = Firebird::fb_get_master_interface();
  return instance;
}

Firebird::IUtil* util() {
  static Firebird::IUtil* const instance = master()->getUtilInterface();
  return instance;
}

Status::Status() : wrapper_(master()->getStatus()) {}

Status::~Status() {
  wrapper_.dispose();
}

void Status::check(std::uint16_t code) {
  if (failed()) throw errorFromStatus(&wrapper_, code);
}

ServerError errorFromStatus(Firebird::IStatus* status, std::uint16_t code) {
  const intptr_t* vector = status->getErrors();
  std::int64_t gds = (vector[0] == isc_arg_gds) ? vector[1] : 0;
  // A duplicate primary or unique key is the one refusal callers tell apart by code.
  if (code == errc::kSqlError && (gds == isc_unique_key_violation || gds == isc_no_dup)) {
    code = errc::kKeyViolation;
  }
  // The interpreted text has one line per status clause; the engine error carries all of them.
  std::string message;
  const ISC_STATUS* cursor = vector;
  char line[1024];
  while (fb_interpret(line, sizeof line, &cursor) > 0) {
    if (!message.empty()) message += '\n';
    message += line;
  }
  if (message.empty()) message = "Firebird error " + std::to_string(gds);
  int sqlCode = static_cast<int>(isc_sqlcode(vector));
  return ServerError(code, message, gds, sqlCode);
}

}  // namespace db::firebird
