#include "vesklib/ErrorMapping.h"

#include "vesklib/VeskErrors.h"

namespace tarsel::vesk {

const char* ErrorMapping::libraryErrorName(int number) {
  switch (number) {
  case VESK_CAMERA_BAD_RESPONSE:
    return "VESK_CAMERA_BAD_RESPONSE";
  case VESK_NAK1_RESPONSE:
    return "VESK_NAK1_RESPONSE";
  case VESK_DC1_RESPONSE:
    return "VESK_DC1_RESPONSE";
  case VESK_BAD_CHECKSUM:
    return "VESK_BAD_CHECKSUM";
  case VESK_BAD_CAM_NO:
    return "VESK_BAD_CAM_NO";
  case VESK_NOT_CONNECTED:
    return "VESK_NOT_CONNECTED";
  case VESK_CAMERA_BUSY:
    return "VESK_CAMERA_BUSY";
  default:
    return "VESK_ERROR";
  }
}

CVeskNVError ErrorMapping::toVeskNVError(const VeskFault& fault) {
  if (fault.kind() == VeskFault::Kind::Win32)
    return CVeskNVError("DeviceIoControl", 1, fault.code());
  return CVeskNVError(libraryErrorName(fault.code()), 0, fault.code());
}

} // namespace tarsel::vesk
