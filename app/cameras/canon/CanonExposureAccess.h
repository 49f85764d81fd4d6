// The exposure values of one Canon camera as its bracketing series reads
// and steps them: program mode, aperture, exposure time and exposure bias as
// the SDK codes them, each setter acting only when the camera offers the
// capability (the aperture only in modes 3 and 4, the exposure time only in
// modes 2 and 4), and the capability tables of the camera's cache.
//
// Threads: every member runs under the camera's lock. Failure: SDK
// failures are thrown as the Canon error; a closed source as 0x81070080.
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
