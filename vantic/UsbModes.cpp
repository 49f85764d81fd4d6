#include "vantic/UsbModes.h"

namespace tarsel::vantic {

UsbMode usbModeFor(std::uint16_t vendorId, std::uint16_t productId) {
  if (vendorId == 0x04B8) {
    if (productId == 0x0401 || productId == 0x0402)
      return {false, false};
    if (productId == 0x0403)
      return {true, true};
    return {false, true};
  }
  if (vendorId == 0x0474)
    return {false, true};
  if (vendorId == 0x04B0 && (productId == 0x0102 || productId == 0x0103))
    return {true, true};
  if (vendorId == kCameraVendorId && productId == 0x0100)
    return {true, true};
  return {false, true};
}

} // namespace tarsel::vantic
