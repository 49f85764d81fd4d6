// The boundary of a saver's user-interface handler: runs the handler's work
// and shows whatever it throws with the error box, owned by `window`, so no
// exception reaches the event loop.
#pragma once

#include "env/ErrorReport.h"
#include "platform/Win32Error.h"

namespace tarsel::savers {

// True when the action ran to its end.
template <class Action> bool ReportFailures(void* window, Action&& action) noexcept {
  try {
    action();
    return true;
  } catch (const _brantel_take_error& error) {
    ReportError(error, window);
  } catch (...) {
    ReportError(E_UNEXPECTED, window);
  }
  return false;
}

} // namespace tarsel::savers
