// The operations of a Canon camera that its exposure-bracketing series
// uses: the camera's lock, the exposure block and the exposure bias as the
// SDK codes them, the effective value table of a capability and whether
// the camera offers a capability at all.
//
// Threads: every operation runs under the camera's re-entrant lock.
// Failure: camera errors are thrown as _brantel_take_error.
#pragma once

#include "app/core/CapabilitySet.h"

#include <cstdint>
#include <mutex>

class ICanonExposureCamera {
public:
  virtual ~ICanonExposureCamera() = default;

  virtual std::recursive_mutex& CallMutex() = 0;
  virtual void GetExposure(std::int32_t* programMode, std::int32_t* aperture, std::int32_t* exposureTime) = 0;
  virtual void SetExposure(std::int32_t programMode, std::int32_t aperture, std::int32_t exposureTime) = 0;
  virtual std::int32_t GetExposureBias() = 0;
  virtual void SetExposureBias(std::int32_t bias) = 0;
  // "ExposureTime", "Aperture", "ExposureBias" ...; null when none is offered.
  virtual const tarsel::core::CapabilityValue* GetValueTable(const char* name) = 0;
  // Whether the capability (tarsel::canon::Capability) is offered: its set
  // exists and is not marked unsupported.
  virtual bool OffersCapability(int capability) = 0;
};
