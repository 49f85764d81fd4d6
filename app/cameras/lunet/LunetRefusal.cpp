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
  case 1:  // invalid parameter
  case 2:  // out of range
  case 14: // NAK
  case 15: // DC1
    return true;
  default:
    return false;
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
