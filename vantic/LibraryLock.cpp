#include "vantic/LibraryLock.h"

namespace tarsel::vantic {

std::recursive_mutex& libraryLock() {
  static std::recursive_mutex lock;
  return lock;
}

} // namespace tarsel::vantic
