#include "app/cameras/lunet/LunetCall.h"

namespace tarsel::lunet {

void ThrowLunetError(WORD code, const char* text) {
  throw _brantel_take_error(
      static_cast<HRESULT>(static_cast<std::uint32_t>(CLunetWr::kLunetFacilityBase) | code), text);
}

} // namespace tarsel::lunet
