// The enumerations of a camera's offered values and records that the
// capability detection walks: each opens in its constructor (a failure is
// thrown as the Canon error), hands out one value per Next (the SDK's
// result is returned, not thrown: non-zero ends the list; the output is
// zeroed first) and is released when the object goes (quietly). A list
// ends after kMaxEnumerated values, however many the SDK offers.
//
// Threads: under the camera's lock.
#pragma once

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonLimits.h"
#include "app/cameras/canon/CdSdkAbi.h"

#include <cstdint>
#include <cstring>

template <std::uint32_t Open, std::uint32_t NextEntry, std::uint32_t Release, class Value>
class CCanonValueEnum {
public:
  explicit CCanonValueEnum(std::uint32_t source) { tarsel::canon::CallChecked<Open>(source, &m_handle); }
  ~CCanonValueEnum() {
    if (m_handle)
      tarsel::canon::CallQuietly<Release>(m_handle);
  }
  CCanonValueEnum(const CCanonValueEnum&) = delete;
  CCanonValueEnum& operator=(const CCanonValueEnum&) = delete;

  std::uint32_t Next(Value* out) {
    std::memset(out, 0, sizeof *out);
    if (m_handedOut == tarsel::canon::kMaxEnumerated)
      return tarsel::cdsdk::kErrEnumEnd;
    ++m_handedOut;
    return tarsel::canon::CallEntry<NextEntry>(m_handle, out);
  }

protected:
  CCanonValueEnum() = default;
  std::uint32_t m_handle = 0;

private:
  std::uint32_t m_handedOut = 0;
};

namespace tarsel::canon::detail {
namespace cd = tarsel::cdsdk;
template <std::uint32_t Open, std::uint32_t Next, std::uint32_t Release>
using ListOf16 = CCanonValueEnum<Open, Next, Release, cd::u16>;
} // namespace tarsel::canon::detail

using CCanonResolutionCodeEnum =
    CCanonValueEnum<tarsel::cdsdk::kEntryImageFormatEnumOpen, tarsel::cdsdk::kEntryImageFormatEnumNext,
                    tarsel::cdsdk::kEntryImageFormatEnumRelease, tarsel::cdsdk::ImageFormatPair>;
using CCanonReleaseControlEnum =
    CCanonValueEnum<tarsel::cdsdk::kEntryReleaseControlEnumOpen, tarsel::cdsdk::kEntryReleaseControlEnumNext,
                    tarsel::cdsdk::kEntryReleaseControlEnumRelease, tarsel::cdsdk::ReleaseControlDescriptor>;
using CCanonProgramModeEnum = tarsel::canon::detail::ListOf16<tarsel::cdsdk::kEntryProgramModeEnumOpen,
                                                              tarsel::cdsdk::kEntryProgramModeEnumNext,
                                                              tarsel::cdsdk::kEntryProgramModeEnumRelease>;
using CCanonApertureEnum = tarsel::canon::detail::ListOf16<tarsel::cdsdk::kEntryApertureEnumOpen,
                                                           tarsel::cdsdk::kEntryApertureEnumNext,
                                                           tarsel::cdsdk::kEntryApertureEnumRelease>;
using CCanonExposureTimeEnum = tarsel::canon::detail::ListOf16<tarsel::cdsdk::kEntryExposureTimeEnumOpen,
                                                               tarsel::cdsdk::kEntryExposureTimeEnumNext,
                                                               tarsel::cdsdk::kEntryExposureTimeEnumRelease>;
using CCanonExposureBiasEnum = tarsel::canon::detail::ListOf16<tarsel::cdsdk::kEntryExposureBiasEnumOpen,
                                                               tarsel::cdsdk::kEntryExposureBiasEnumNext,
                                                               tarsel::cdsdk::kEntryExposureBiasEnumRelease>;
using CCanonWhiteBalanceEnum = tarsel::canon::detail::ListOf16<tarsel::cdsdk::kEntryWhiteBalanceEnumOpen,
                                                               tarsel::cdsdk::kEntryWhiteBalanceEnumNext,
                                                               tarsel::cdsdk::kEntryWhiteBalanceEnumRelease>;
using CCanonAfDistanceEnum = tarsel::canon::detail::ListOf16<tarsel::cdsdk::kEntryAfDistanceEnumOpen,
                                                             tarsel::cdsdk::kEntryAfDistanceEnumNext,
                                                             tarsel::cdsdk::kEntryAfDistanceEnumRelease>;
using CCanonFlashEnum =
    tarsel::canon::detail::ListOf16<tarsel::cdsdk::kEntryFlashEnumOpen, tarsel::cdsdk::kEntryFlashEnumNext,
                                    tarsel::cdsdk::kEntryFlashEnumRelease>;

// The resolution records (open takes a reserved 0 before the handle).
class CCanonResolutionInfoEnum
    : public CCanonValueEnum<tarsel::cdsdk::kEntryResolutionEnumOpen, tarsel::cdsdk::kEntryResolutionEnumNext,
                             tarsel::cdsdk::kEntryResolutionEnumRelease, tarsel::cdsdk::ResolutionRecord> {
public:
  explicit CCanonResolutionInfoEnum(std::uint32_t source) {
    tarsel::canon::CallChecked<tarsel::cdsdk::kEntryResolutionEnumOpen>(source, 0u, &m_handle);
  }
  std::uint32_t GetCount() {
    std::uint32_t count = 0;
    tarsel::canon::CallChecked<tarsel::cdsdk::kEntryResolutionEnumCount>(m_handle, &count);
    return count;
  }
};

// The values of one release-control property; the open reports their size.
class CCanonParameterValueEnum {
public:
  CCanonParameterValueEnum(std::uint32_t source, std::uint32_t id) {
    tarsel::canon::CallChecked<tarsel::cdsdk::kEntryParameterValuesOpen>(source, id, &m_handle, &m_valueSize);
  }
  ~CCanonParameterValueEnum() {
    if (m_handle)
      tarsel::canon::CallQuietly<tarsel::cdsdk::kEntryParameterValuesRelease>(m_handle);
  }
  CCanonParameterValueEnum(const CCanonParameterValueEnum&) = delete;
  CCanonParameterValueEnum& operator=(const CCanonParameterValueEnum&) = delete;

  std::uint32_t GetValueSize() const { return m_valueSize; }
  // Reads the next value of `size` bytes into `out` (zeroed first).
  std::uint32_t Next(void* out, std::uint32_t size) {
    std::memset(out, 0, size);
    if (m_handedOut == tarsel::canon::kMaxEnumerated)
      return tarsel::cdsdk::kErrEnumEnd;
    ++m_handedOut;
    return tarsel::canon::CallEntry<tarsel::cdsdk::kEntryParameterValuesNext>(m_handle, size, out);
  }

private:
  std::uint32_t m_handle = 0;
  std::uint32_t m_handedOut = 0;
  std::uint32_t m_valueSize = 0;
};
