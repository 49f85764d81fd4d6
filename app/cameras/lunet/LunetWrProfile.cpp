// The camera object's capture settings as capture-profile text and in the
// keyword form (CLunetCaptureSettings over the camera's own operations).
#include "app/cameras/lunet/LunetCaptureSettings.h"
#include "app/cameras/lunet/LunetWr.h"

HRESULT CLunetWr::GetCaptureSettingsText(ICaptureProfileStorage* storage) {
  return tarsel::lunet::CLunetCaptureSettings(*m_captureCamera).GetCaptureSettingsText(storage);
}

HRESULT CLunetWr::ApplyCaptureSettingsText(ICaptureProfileStorage* storage) {
  return tarsel::lunet::CLunetCaptureSettings(*m_captureCamera).ApplyCaptureSettingsText(storage);
}

HRESULT CLunetWr::ApplyKeywordSettings(const char* keywordSettings) {
  return tarsel::lunet::CLunetCaptureSettings(*m_captureCamera).ApplyKeywordSettings(keywordSettings);
}
