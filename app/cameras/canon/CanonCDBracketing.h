// The Canon camera's exposure-bracketing series: the shared series over the
// camera's operations. It steps the exposure bias, unless the camera offers
// no exposure biases or the program mode is manual (4): then it steps the
// exposure time or the aperture. The camera owns it; its lock is the
// camera's. Connecting is not needed: the camera stays in remote-release
// mode while it is in use.
#pragma once

#include "app/cameras/canon/CanonExposureCamera.h"
#include "app/core/ExposureBracketing.h"

class CCanonCD_Bracketing : public CExposureBracketing {
public:
  explicit CCanonCD_Bracketing(ICanonExposureCamera* camera);

protected:
  void Connect() override {}
  void DisConnect() override {}
  Exposure GetExposure() override;
  void SetExposure(const Exposure& exposure) override;
  std::int32_t GetExposureBias() override;
  void SetExposureBias(std::int32_t bias) override;
  const tarsel::core::CapabilityValue* GetValueTable(const char* name) override;
  bool IsManualMode(std::int32_t programMode) override;

private:
  static constexpr std::int32_t kManualMode = 4;
  ICanonExposureCamera* m_camera;
};
