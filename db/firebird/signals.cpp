#include "db/firebird/signals.h"

#include <ibase.h>

#include <mutex>

#include "platform/signals.h"

namespace db::firebird {

namespace {

// Runs on the client's shutdown thread, never inside the signal handler.
int confirmShutdown(const int reason, const int mask, void*) {
  if ((mask & fb_shut_confirmation) != 0 && reason == fb_shutrsn_signal && konw::sygnaly::installed())
    return 1;  // anything but 0 (success) cancels the shutdown
  return 0;    // go on with the shutdown
}

}  // namespace

void keepAttachmentsOnSignals() {
  static std::once_flag once;
  std::call_once(once, [] {
    ISC_STATUS_ARRAY status{};
    fb_shutdown_callback(status, confirmShutdown, fb_shut_confirmation, nullptr);
  });
}

}  // namespace db::firebird
