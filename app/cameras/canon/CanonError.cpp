#include "app/cameras/canon/CanonError.h"

#include "env/BrantelTakeError.h"

void ThrowCanonError(std::uint32_t result, const char* text) {
  throw _brantel_take_error(tarsel::canon::CanonErrorCode(result), text);
}
