// The one lock of the library: every exported function holds it while it
// runs, so callers on several threads take turns on the one camera. It is
// recursive, because a progress call-back may call back into the library on
// the thread that holds it.
#pragma once

#include <mutex>

namespace tarsel::vantic {

std::recursive_mutex& libraryLock();

using LibraryGuard = std::lock_guard<std::recursive_mutex>;

} // namespace tarsel::vantic
