// The one way an exported function runs: under the library lock, and with
// nothing thrown leaving through the C boundary. An exception (memory
// exhausted, a failed check of a byte access) ends the call with its
// `failure` result and keeps 255 as the last result, which fails an open
// session: the exchange it broke off left the line in an unknown state.
#pragma once

#include "vantic/LibraryLock.h"
#include "vantic/Vantic.h"

namespace tarsel::vantic {

// Records 255 for an export that threw and gives `failure`.
int exportFailed(int failure) noexcept;

template <class Body> int exportCall(Body&& body, int failure = CAM_OTHER) noexcept {
  try {
    LibraryGuard guard(libraryLock());
    return body();
  } catch (...) {
    return exportFailed(failure);
  }
}

} // namespace tarsel::vantic
