#include "app/cameras/vesk/VeskCameraSettings.h"

#include "app/cameras/vesk/VeskCaptureProperties.h"
#include "app/cameras/vesk/VeskDllWr.h"

using tarsel::dialogs::CaptureValueList;
using tarsel::dialogs::ZoomOpening;

CRange VeskSettingsFamily::Range(CVeskDllWr& camera, const char* name) {
  return camera.GetRangeByName(name);
}

bool VeskSettingsFamily::UsesFocusResolution(CVeskDllWr& camera) {
  return camera.IsModelResolution();
}

void VeskSettingsFamily::TakeFocusResolution(CVeskDllWr& camera) {
  camera.SetModelResolution();
}

CaptureValueList VeskSettingsFamily::ValuesOf(CVeskDllWr& camera, const char* name) {
  return CVeskCaptureProperties::ValuesOf(camera, name);
}

void VeskSettingsFamily::ReadZoomRange(CVeskDllWr& camera, ZoomOpening& opening) {
  const CRange range = camera.GetRangeByName("OpticalZoom");
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  camera.GetOpticalZoomRange(&opening.minFactor, &opening.maxFactor);
}

std::int32_t CVeskCameraSettings::SetExternalFlash(std::int32_t value) {
  m_camera->SetExternalFlash(value);
  return m_camera->GetExternalFlash();
}

std::int32_t CVeskCameraSettings::GetExternalFlash() {
  return m_camera->GetExternalFlash();
}

CaptureValueList CVeskCameraSettings::ExternalFlashValues() {
  return CVeskCaptureProperties::ValuesOf(*m_camera, "ExternalFlash");
}
