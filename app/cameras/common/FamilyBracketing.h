// The exposure-bracketing series of a camera with the families' exposure
// operations (Connect, DisConnect, GetExposureProp3, SetExposureProp3,
// GetPropExpoBias, SetPropExpoBias and its lock, Mutex): the shared series
// over them. Program mode 1 (manual) steps the exposure time or the
// aperture, every other mode the exposure bias. The camera owns it; its
// lock is the camera's. A family adds its settings and its value tables.
#pragma once

#include "app/core/ExposureBracketing.h"

#include <cstdint>

namespace tarsel::cameras {

template <class Camera> class CFamilyBracketing : public CExposureBracketing {
public:
  explicit CFamilyBracketing(Camera* camera) : CExposureBracketing(camera->Mutex()), m_camera(camera) {}

protected:
  void Connect() override { m_camera->Connect(); }
  void DisConnect() override { m_camera->DisConnect(); }
  Exposure GetExposure() override {
    Exposure exposure{};
    m_camera->GetExposureProp3(&exposure.programMode, &exposure.aperture, &exposure.exposureTime);
    return exposure;
  }
  void SetExposure(const Exposure& exposure) override {
    m_camera->SetExposureProp3(exposure.programMode, exposure.aperture, exposure.exposureTime);
  }
  std::int32_t GetExposureBias() override { return m_camera->GetPropExpoBias(); }
  void SetExposureBias(std::int32_t bias) override { m_camera->SetPropExpoBias(bias); }
  bool IsManualMode(std::int32_t programMode) override { return programMode == kManualMode; }

  Camera* const m_camera;

private:
  static constexpr std::int32_t kManualMode = 1;
};

} // namespace tarsel::cameras
