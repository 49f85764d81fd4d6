// The value enumerations a Canon camera offers its capability detection:
// holders on the stack for one walk, each opened by its constructor (the
// Canon error of a failed open is thrown), released by its destructor when
// open (a failed release is swallowed). Next zeroes its output and returns
// the SDK's result: non-zero ends the walk (the end of the list or an error).
//
// Threads: under the camera's lock. Failure: as above.
#pragma once

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CdSdkAbi.h"

#include <cstdint>
#include <cstring>

namespace tarsel::canon {

template <std::uint32_t OpenEntry, std::uint32_t NextEntry, std::uint32_t ReleaseEntry, class Value>
class CCanonEnumeration {
public:
  // Opens with (source, out handle), or (source, 0, out handle) when `reserved` is given.
  explicit CCanonEnumeration(std::uint32_t source) { CallChecked<OpenEntry>(source, &m_handle); }
  CCanonEnumeration(std::uint32_t source, std::uint32_t reserved) {
    CallChecked<OpenEntry>(source, reserved, &m_handle);
  }
  ~CCanonEnumeration() {
    if (m_handle)
      CallQuietly<ReleaseEntry>(m_handle);
  }
  CCanonEnumeration(const CCanonEnumeration&) = delete;
  CCanonEnumeration& operator=(const CCanonEnumeration&) = delete;

  std::uint32_t Next(Value* out) {
    std::memset(static_cast<void*>(out), 0, sizeof *out);
    return CallEntry<NextEntry>(m_handle, out);
  }

private:
  std::uint32_t m_handle = 0;
};

namespace cd = tarsel::cdsdk;

using CCanonResolutionInfoEnum = CCanonEnumeration<cd::kEntryResolutionEnumOpen, cd::kEntryResolutionEnumNext,
                                                   cd::kEntryResolutionEnumRelease, cd::ResolutionRecord>;
using CCanonResolutionCodeEnum =
    CCanonEnumeration<cd::kEntryImageFormatEnumOpen, cd::kEntryImageFormatEnumNext,
                      cd::kEntryImageFormatEnumRelease, cd::ImageFormatPair>;
using CCanonApertureEnum = CCanonEnumeration<cd::kEntryApertureEnumOpen, cd::kEntryApertureEnumNext,
                                             cd::kEntryApertureEnumRelease, std::uint16_t>;
using CCanonExposureTimeEnum =
    CCanonEnumeration<cd::kEntryExposureTimeEnumOpen, cd::kEntryExposureTimeEnumNext,
                      cd::kEntryExposureTimeEnumRelease, std::uint16_t>;
using CCanonProgramModeEnum = CCanonEnumeration<cd::kEntryProgramModeEnumOpen, cd::kEntryProgramModeEnumNext,
                                                cd::kEntryProgramModeEnumRelease, std::uint16_t>;
using CCanonExposureBiasEnum =
    CCanonEnumeration<cd::kEntryExposureBiasEnumOpen, cd::kEntryExposureBiasEnumNext,
                      cd::kEntryExposureBiasEnumRelease, std::uint16_t>;
using CCanonWhiteBalanceEnum =
    CCanonEnumeration<cd::kEntryWhiteBalanceEnumOpen, cd::kEntryWhiteBalanceEnumNext,
                      cd::kEntryWhiteBalanceEnumRelease, std::uint16_t>;
using CCanonAfDistanceEnum = CCanonEnumeration<cd::kEntryAfDistanceEnumOpen, cd::kEntryAfDistanceEnumNext,
                                               cd::kEntryAfDistanceEnumRelease, std::uint16_t>;
using CCanonFlashEnum = CCanonEnumeration<cd::kEntryFlashEnumOpen, cd::kEntryFlashEnumNext,
                                          cd::kEntryFlashEnumRelease, std::uint16_t>;
using CCanonReleaseControlEnum =
    CCanonEnumeration<cd::kEntryReleaseControlEnumOpen, cd::kEntryReleaseControlEnumNext,
                      cd::kEntryReleaseControlEnumRelease, cd::ReleaseControlDescriptor>;

// The values of one release-control property, each of the size the open reports.
class CCanonParameterValues {
public:
  CCanonParameterValues(std::uint32_t source, std::uint32_t parameter) {
    CallChecked<cd::kEntryParameterValuesOpen>(source, parameter, &m_handle, &m_valueSize);
  }
  ~CCanonParameterValues() {
    if (m_handle)
      CallQuietly<cd::kEntryParameterValuesRelease>(m_handle);
  }
  CCanonParameterValues(const CCanonParameterValues&) = delete;
  CCanonParameterValues& operator=(const CCanonParameterValues&) = delete;

  std::uint32_t ValueSize() const { return m_valueSize; }
  // The next value, read at the size the open reported (at most 4 bytes).
  std::uint32_t Next(std::uint32_t* value) {
    *value = 0;
    if (m_valueSize > sizeof *value)
      return cd::kErrInvalidLength;
    return CallEntry<cd::kEntryParameterValuesNext>(m_handle, m_valueSize, static_cast<void*>(value));
  }

private:
  std::uint32_t m_handle = 0;
  std::uint32_t m_valueSize = 0;
};

} // namespace tarsel::canon
