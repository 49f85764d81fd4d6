// The USB camera's transfer modes by vendor and product id: whether the
// driver's pre-read request precedes every read, and whether blocks are 32768
// bytes instead of 2048.
#pragma once

#include <cstdint>

namespace tarsel::vantic {

// The camera maker's own USB vendor id; 0 stands for "not assigned" until the
// maker's number is known, so only the listed vendors match.
inline constexpr std::uint16_t kCameraVendorId = 0x0000;

struct UsbMode {
  bool preReadRequest = false;
  bool largeBlocks = true;
};

UsbMode usbModeFor(std::uint16_t vendorId, std::uint16_t productId);

} // namespace tarsel::vantic
