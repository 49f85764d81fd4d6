// The exposure values of one Canon camera as its bracketing series reads
// and steps them, through the camera's own property operations (program
// mode, aperture, exposure time and exposure bias as the SDK codes them)
// and its capability tables.
//
// Threads: every operation takes the camera's lock. Failure: the camera's
// error codes are thrown as _brantel_take_error.
#pragma once

#include "app/cameras/canon/CanonExposureCamera.h"

class CanonCD_Wr;

class CCanonExposureAccess : public ICanonExposureCamera {
public:
  explicit CCanonExposureAccess(CanonCD_Wr& camera) : m_camera(camera) {}

  std::recursive_mutex& CallMutex() override;
  void GetExposure(std::int32_t* programMode, std::int32_t* aperture, std::int32_t* exposureTime) override;
  void SetExposure(std::int32_t programMode, std::int32_t aperture, std::int32_t exposureTime) override;
  std::int32_t GetExposureBias() override;
  void SetExposureBias(std::int32_t bias) override;
  const tarsel::core::CapabilityValue* GetValueTable(const char* name) override;
  bool OffersCapability(int capability) override;

private:
  CanonCD_Wr& m_camera;
};
