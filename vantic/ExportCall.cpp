#include "vantic/ExportCall.h"

#include "vantic/CameraLibrary.h"

namespace tarsel::vantic {

int exportFailed(int failure) noexcept {
  try {
    LibraryGuard guard(libraryLock());
    CameraLibrary::instance().state().record(CAM_OTHER);
  } catch (...) {
    // Nothing more can be kept: the result alone tells the caller.
  }
  return failure;
}

} // namespace tarsel::vantic
