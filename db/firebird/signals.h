// The Firebird client and Ctrl+C.
#pragma once

namespace db::firebird {

// The client library puts a SIGINT/SIGTERM handler of its own in front of the process's (on its first
// call) and, on such a signal, shuts every attachment down ("connection shutdown") while the program
// goes on. This asks the client to confirm such a shutdown with us first and refuses it while the
// process's own handler (platform/signals.h) is installed; without that handler the client does as
// before. Idempotent; called when the drivers are registered.
void keepAttachmentsOnSignals();

}  // namespace db::firebird
