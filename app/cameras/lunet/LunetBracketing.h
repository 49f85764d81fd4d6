// The ActiveX camera's exposure-bracketing series: the shared series over
// this camera's operations. Program mode 1 (manual) steps the exposure
// time or the aperture, every other mode the exposure bias. The camera
// owns it; its lock is the camera's.
#pragma once

#include "app/core/ExposureBracketing.h"

namespace tarsel::lunet {
class ILunetCaptureCamera;
}

class CLunetBracketing : public CExposureBracketing {
public:
  explicit CLunetBracketing(tarsel::lunet::ILunetCaptureCamera* camera);

  using CExposureBracketing::Init;
  // Init with the family's settings; without them the series stays off.
  // A failure to open the user settings is thrown.
  HRESULT Init();

protected:
  void Connect() override;
  void DisConnect() override;
  Exposure GetExposure() override;
  void SetExposure(const Exposure& exposure) override;
  std::int32_t GetExposureBias() override;
  void SetExposureBias(std::int32_t bias) override;
  const tarsel::core::CapabilityValue* GetValueTable(const char* name) override;
  bool IsManualMode(std::int32_t programMode) override { return programMode == kManualMode; }

private:
  static constexpr std::int32_t kManualMode = 1;
  tarsel::lunet::ILunetCaptureCamera* m_camera;
};
