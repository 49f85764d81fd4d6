#include "vesklib/VeskFault.h"

namespace tarsel::vesk {

const char* VeskFault::what() const noexcept {
  return m_kind == Kind::Library ? "camera-link library error" : "camera-link device command failed";
}

} // namespace tarsel::vesk
