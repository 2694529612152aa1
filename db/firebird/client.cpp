#include "db/firebird/client.h"

#include <ibase.h>
#include <langinfo.h>

#include <chrono>
#include <clocale>
#include <cstring>
#include <string>

#include "db/firebird/charset.h"
#include "db/firebird/lockdir.h"
#include "db/firebird/watch.h"

namespace db::firebird {

ServerError::ServerError(std::uint16_t code, const std::string& message, std::int64_t gdsCode, int sqlCode)
    : EngineError(code, message), sqlCode_(sqlCode) {
  withNative(gdsCode);
}

namespace {

bool utf8Codeset() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

// The client and the in-process engine convert a database's file name between UTF-8 and the
// character set of the process's LC_CTYPE, fixed at their first conversion; in the "C" locale a program
// starts in that is ASCII, and a name with a Polish letter cannot be converted. The host's file names
// are UTF-8 bytes (see platform/hostpath.h), so the conversion must be the identity: the environment's
// locale when it is a UTF-8 one, else C.UTF-8.
void useUtf8FileNames() {
  if (utf8Codeset()) return;
  const char* before = setlocale(LC_CTYPE, nullptr);
  const std::string previous = before ? before : "C";
  for (const char* name : {"", "C.UTF-8", "C.utf8"}) {
    if (setlocale(LC_CTYPE, name) && utf8Codeset()) return;
  }
  setlocale(LC_CTYPE, previous.c_str());
}

// The arguments of the status vector's first clause, as text.
std::vector<std::string> firstClauseArguments(const intptr_t* vector) {
  std::vector<std::string> arguments;
  for (const intptr_t* p = vector + 2; *p != isc_arg_end && *p != isc_arg_gds;) {
    const intptr_t type = *p++;
    if (type == isc_arg_cstring) {
      const auto length = static_cast<std::size_t>(*p++);
      arguments.emplace_back(reinterpret_cast<const char*>(*p++), length);
    } else if (type == isc_arg_string || type == isc_arg_interpreted) {
      arguments.emplace_back(reinterpret_cast<const char*>(*p++));
    } else if (type == isc_arg_number) {
      arguments.push_back(std::to_string(*p++));
    } else {
      ++p;  // an operating system's error number, an SQL state: not an argument of the message
    }
  }
  return arguments;
}

}  // namespace

Firebird::IMaster* master() {
  static Firebird::IMaster* const instance = [] {
    useUtf8FileNames();
    chooseLockFolder();
    return Firebird::fb_get_master_interface();
  }();
  return instance;
}

Firebird::IUtil* util() {
  static Firebird::IUtil* const instance = master()->getUtilInterface();
  return instance;
}

Status::Status(std::uint16_t code, CallContext context)
    : BaseStatusWrapper(master()->getStatus()), code_(code), context_(context) {}

Status::~Status() {
  status->dispose();
}

void Status::clearException(Status* s) {
  s->BaseStatusWrapper::clearException();
  if (s->context_.watch) {
    s->afterCutOff_ = s->context_.watch->expired();
    s->context_.watch->begin();
  }
}

void Status::checkException(Status* s) {
  if (CallWatch* watch = s->context_.watch) {
    watch->end();
    // A call cut off by the watch fails with a broken connection; what the operator must hear is why.
    if (watch->expired()) {
      auto seconds = std::chrono::duration_cast<std::chrono::seconds>(watch->waited()).count();
      // A call after the cut-off did nothing: what became of the changes was said by the call cut off.
      if (s->afterCutOff_) {
        throw ServerError(errc::kConnect,
                          "Serwer bazy danych Firebird nie odpowiedział w ciągu " + std::to_string(seconds) +
                              " s i połączenie z nim zostało zamknięte; operacji nie wykonano.",
                          isc_network_error, 0);
      }
      throw ServerError(errc::kConnect,
                        "Serwer bazy danych Firebird nie odpowiedział w ciągu " + std::to_string(seconds) +
                            " s; operację przerwano i połączenie zostało zamknięte" +
                            std::string(kZmianyWycofanePoZerwaniu),
                        isc_network_error, 0);
    }
  }
  if (s->dirty && s->failed()) throw errorFromStatus(s->status, s->code_, s->context_.charset);
}

QuietStatus::QuietStatus(CallContext context) : BaseStatusWrapper(master()->getStatus()), context_(context) {}

QuietStatus::~QuietStatus() {
  status->dispose();
}

void QuietStatus::clearException(QuietStatus* s) {
  s->BaseStatusWrapper::clearException();
  if (s->context_.watch) s->context_.watch->begin();
}

void QuietStatus::checkException(QuietStatus* s) {
  if (s->context_.watch) s->context_.watch->end();
}

ServerError errorFromStatus(Firebird::IStatus* status, std::uint16_t code, const Charset* charset) {
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
  if (charset) message = charset->decode(message);
  if (message.empty()) message = "Firebird error " + std::to_string(gds);
  int sqlCode = static_cast<int>(isc_sqlcode(vector));
  ServerError error(code, message, gds, sqlCode);
  if (gds != 0) error.withArguments(firstClauseArguments(vector));
  return error;
}

}  // namespace db::firebird
