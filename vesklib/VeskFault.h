// The failure that travels inside the library: a library error number
// (tagVESK_ERROR) or the Win32 number of a failed device command. The exports
// turn it into CVeskNVError (ErrorMapping); nothing outside the library sees it.
#pragma once

#include <cstdint>
#include <exception>

namespace tarsel::vesk {

class VeskFault : public std::exception {
public:
  enum class Kind : std::int32_t { Library = 0, Win32 = 1 };

  VeskFault(Kind kind, std::int32_t code) noexcept : m_kind(kind), m_code(code) {}

  static VeskFault library(std::int32_t number) noexcept { return {Kind::Library, number}; }
  static VeskFault win32(std::uint32_t number) noexcept {
    return {Kind::Win32, static_cast<std::int32_t>(number)};
  }

  Kind kind() const noexcept { return m_kind; }
  std::int32_t code() const noexcept { return m_code; }
  const char* what() const noexcept override;

private:
  Kind m_kind;
  std::int32_t m_code;
};

} // namespace tarsel::vesk
