// The camera-link camera's exposure-bracketing series: the shared series
// over this camera's operations. Program mode 1 (manual) steps the
// exposure time or the aperture, every other mode the exposure bias. The
// camera owns it; its lock is the camera's.
#pragma once

#include "app/core/ExposureBracketing.h"

class CVeskDllWr;

class CVeskBracketing : public CExposureBracketing {
public:
  explicit CVeskBracketing(CVeskDllWr* camera);

  using CExposureBracketing::Init;
  // Init with the family's settings.
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
  CVeskDllWr* m_camera;
};
