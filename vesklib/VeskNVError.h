// The exception every export of the camera-link library throws. what() is the
// error's name ("VESK_NAK1_RESPONSE", "VESK_ERROR", "DeviceIoControl" ...);
// kind() is 0 for a library error number and 1 for a Win32 error number of a
// device command; code() is the number.
//
// Every member is inline and the class has default visibility, so a program
// that loads the library at run time (without linking it) catches the
// exception by type.
#pragma once

#include "VeskDLL_export.h"

#include <cstdint>
#include <stdexcept>
#include <string>

class VESKDLL_EXPORT CVeskNVError : public std::runtime_error {
public:
  CVeskNVError(const std::string& name, std::int32_t kind, std::int32_t code)
      : std::runtime_error(name), m_kind(kind), m_code(code) {}

  const char* name() const noexcept { return what(); }
  std::int32_t kind() const noexcept { return m_kind; }
  std::int32_t code() const noexcept { return m_code; }

private:
  std::int32_t m_kind;
  std::int32_t m_code;
};
