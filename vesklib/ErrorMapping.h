// Turns the library's internal failures into the exception its callers see:
// a library number becomes CVeskNVError(name, 0, number) with the name of its
// row (VESK_ERROR for numbers without a name of their own), a Win32 number of
// a device command CVeskNVError("DeviceIoControl", 1, number).
#pragma once

#include "vesklib/VeskFault.h"
#include "vesklib/VeskNVError.h"

namespace tarsel::vesk {

class ErrorMapping {
public:
  static const char* libraryErrorName(int number);
  static CVeskNVError toVeskNVError(const VeskFault& fault);
};

} // namespace tarsel::vesk
