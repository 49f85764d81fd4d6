#include "app/cameras/canon/CanonCDBracketing.h"

#include "app/cameras/canon/CanonCapabilityDefaults.h"

CCanonCD_Bracketing::CCanonCD_Bracketing(ICanonExposureCamera* camera)
    : CExposureBracketing(camera->CallMutex()), m_camera(camera) {}

CCanonCD_Bracketing::Exposure CCanonCD_Bracketing::GetExposure() {
  Exposure exposure{};
  m_camera->GetExposure(&exposure.programMode, &exposure.aperture, &exposure.exposureTime);
  return exposure;
}

void CCanonCD_Bracketing::SetExposure(const Exposure& exposure) {
  m_camera->SetExposure(exposure.programMode, exposure.aperture, exposure.exposureTime);
}

std::int32_t CCanonCD_Bracketing::GetExposureBias() {
  return m_camera->GetExposureBias();
}

void CCanonCD_Bracketing::SetExposureBias(std::int32_t bias) {
  m_camera->SetExposureBias(bias);
}

const tarsel::core::CapabilityValue* CCanonCD_Bracketing::GetValueTable(const char* name) {
  return m_camera->GetValueTable(name);
}

bool CCanonCD_Bracketing::IsManualMode(std::int32_t programMode) {
  // Without biases to step, every mode steps the exposure time or aperture.
  return !m_camera->OffersCapability(tarsel::canon::kExposureBias) || programMode == kManualMode;
}
