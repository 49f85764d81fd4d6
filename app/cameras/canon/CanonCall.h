// The one way into the Canon SDK's function table: an entry called by its
// byte offset with the entry's own argument types. An entry the table lacks
// (the SDK not started, or a slot it left empty) answers "not implemented"
// (1) without calling anything.
//
// CameraCallLock is the scope guard every camera operation that calls the
// SDK holds: the camera's re-entrant lock, so operations nest.
//
// Threads: any; a camera's calls are serialised by its lock, the SDK's
// call-backs take no lock.
#pragma once

#include "app/cameras/canon/CanonError.h"
#include "app/cameras/canon/CanonSdkLibrary.h"
#include "app/cameras/canon/CdSdkAbi.h"

#include <mutex>
#include <utility>

namespace tarsel::canon {

using CameraCallLock = std::lock_guard<std::recursive_mutex>;

template <std::uint32_t Offset, class... Args> std::uint32_t CallEntry(Args&&... args) {
  auto* function = cdsdk::entry<Offset>(CanonSdkTable());
  if (!function)
    return cdsdk::kErrNotImplemented;
  return function(std::forward<Args>(args)...);
}

// The same, a non-zero result thrown as the Canon error.
template <std::uint32_t Offset, class... Args> void CallChecked(Args&&... args) {
  ThrowIfCanonError(CallEntry<Offset>(std::forward<Args>(args)...));
}

// A closing call whose result is not wanted and that never throws.
template <std::uint32_t Offset, class... Args> void CallQuietly(Args&&... args) noexcept {
  try {
    CallEntry<Offset>(std::forward<Args>(args)...);
  } catch (...) {
  }
}

} // namespace tarsel::canon
