#include "app/cameras/lunet/LunetCameraSettings.h"

#include "app/cameras/lunet/LunetCaptureProperties.h"
#include "app/cameras/lunet/LunetWr.h"

using tarsel::dialogs::CaptureValueList;
using tarsel::dialogs::ZoomOpening;

CRange LunetSettingsFamily::Range(CLunetWr& camera, const char* name) {
  return camera.GetRange(name);
}

bool LunetSettingsFamily::UsesFocusResolution(CLunetWr& camera) {
  return camera.IsResolutionHigh();
}

void LunetSettingsFamily::TakeFocusResolution(CLunetWr& camera) {
  camera.SetResolutionHigh();
}

CaptureValueList LunetSettingsFamily::ValuesOf(CLunetWr& camera, const char* name) {
  return CLunetCaptureProperties::ValuesOf(camera, name);
}

void LunetSettingsFamily::ReadZoomRange(CLunetWr& camera, ZoomOpening& opening) {
  const CRangeD range = camera.GetOpticalZoomRange();
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  opening.minFactor = range.GetMinValue();
  opening.maxFactor = range.GetMaxValue();
}
