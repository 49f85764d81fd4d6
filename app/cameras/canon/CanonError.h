// How a Canon SDK result becomes the suite's error: 0 is success, any other
// result is thrown as _brantel_take_error 0x81070000 | (result & 0xFFFF)
// (facility 0x107, "Canon_CD"); bits above the low 16 are dropped.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>

namespace tarsel::canon {

inline constexpr std::uint32_t kCanonFacility = 0x107;
inline constexpr HRESULT kCanonFacilityBase = static_cast<HRESULT>(0x81070000u);
// "Unexpected exception in Canon CD SDK."
inline constexpr HRESULT kCanonUnexpected = static_cast<HRESULT>(0x81070008u);
// "Unexpected exception."
inline constexpr HRESULT kCanonUnexpectedOther = static_cast<HRESULT>(0x8107FFFFu);

constexpr HRESULT CanonErrorCode(std::uint32_t result) {
  return static_cast<HRESULT>(static_cast<std::uint32_t>(kCanonFacilityBase) | (result & 0xFFFFu));
}

} // namespace tarsel::canon

[[noreturn]] void ThrowCanonError(std::uint32_t result, const char* text = nullptr);
inline void ThrowIfCanonError(std::uint32_t result, const char* text = nullptr) {
  if (result != 0)
    ThrowCanonError(result, text);
}
