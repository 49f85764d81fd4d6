// The result guard of the Canon camera's code-returning operations: an
// _brantel_take_error raised inside becomes the result (its code), anything
// else the catch-all code (0x8000FFFF unless the operation names another);
// 0 is success.
#pragma once

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

namespace tarsel::canon {

template <class Body> HRESULT GuardResult(Body&& body, HRESULT catchAll = E_UNEXPECTED) noexcept {
  try {
    body();
    return 0;
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (...) {
    return catchAll;
  }
}

} // namespace tarsel::canon
