// The result guard of a camera's code-returning operations: 0 (or the code
// the body returns) on success, the code of an _brantel_take_error raised
// inside, `otherError` (0x8000FFFF unless told) for anything else.
#pragma once

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <type_traits>
#include <utility>

namespace tarsel::cameras {

template <class Body> HRESULT GuardResult(Body&& body, HRESULT otherError = E_UNEXPECTED) noexcept {
  try {
    if constexpr (std::is_void_v<decltype(std::forward<Body>(body)())>) {
      std::forward<Body>(body)();
      return 0;
    } else {
      return std::forward<Body>(body)();
    }
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (...) {
    return otherError;
  }
}

} // namespace tarsel::cameras
