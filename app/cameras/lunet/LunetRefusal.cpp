#include "app/cameras/lunet/LunetRefusal.h"

#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetWr.h"

#include <cstdint>

namespace tarsel::lunet {

bool IsRefusal(const _brantel_take_error& error) {
  const auto code = static_cast<std::uint32_t>(error.Error());
  if ((code & 0xFFFF0000u) != static_cast<std::uint32_t>(CLunetWr::kLunetFacilityBase))
    return false;
  switch (code & 0xFFFFu) {
  case 12: // not responding
  case 20: // session closed
  case 21: // USB failed
    return false;
  default:
    // The library's own codes; the control's (0x1000 on) are no answer of the camera.
    return (code & 0xFFFFu) != 0 && (code & 0xFFFFu) <= 0xFFu;
  }
}

bool RunRefusable(CLunetWr& camera, const std::function<void()>& change) {
  const CLunetLock lock(&camera);
  const std::uint32_t depth = camera.GetConnectionCount();
  try {
    change();
    return true;
  } catch (const _brantel_take_error& error) {
    if (!IsRefusal(error))
      throw;
  }
  // The refusal dropped the connection: the caller's batch gets it back.
  while (camera.GetConnectionCount() < depth)
    camera.Connect();
  return false;
}

} // namespace tarsel::lunet
