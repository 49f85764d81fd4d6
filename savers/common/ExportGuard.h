// The boundary of a saver plug-in's export: runs the export's work and turns
// every exception into a result code, so that none reaches the program.
#pragma once

#include "env/BrantelTakeError.h"

namespace tarsel::savers {

// The action's result; the code of a _brantel_take_error it throws; `foreign`
// for any other exception.
template <class Action> int GuardedExport(int foreign, Action&& action) noexcept {
  try {
    return action();
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (...) {
    return foreign;
  }
}

} // namespace tarsel::savers
