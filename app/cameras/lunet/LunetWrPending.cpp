// Stand-ins for the camera object's capture-settings texts, capability
// store, bracketing series, picture information and focus settings, until
// their own files define them: no texts, no capabilities, no series, no
// information. Each definition goes when its real one arrives.
#include "app/cameras/lunet/LunetWr.h"
#include "hostapi/IPictureInfo.h"
#include "platform/Win32Error.h"

void CLunetWr::CreatePropertyState() {}

void CLunetWr::DestroyPropertyState() noexcept {}

void CLunetWr::ApplyBracketingStep() {}

std::unique_ptr<IPictureInfo> CLunetWr::MakePictureInfo(const std::vector<std::uint8_t>&, std::int32_t) {
  return nullptr;
}

void CLunetWr::LoadCameraDescription() {}

std::int32_t CLunetWr::CapabilitiesKnown() {
  return 0;
}

IBracketing* CLunetWr::GetBracketing() {
  return nullptr;
}

HRESULT CLunetWr::GetCaptureSettingsText(ICaptureProfileStorage*) {
  return E_NOTIMPL;
}

HRESULT CLunetWr::ApplyCaptureSettingsText(ICaptureProfileStorage*) {
  return E_NOTIMPL;
}

HRESULT CLunetWr::ApplyKeywordSettings(const char*) {
  return E_NOTIMPL;
}

HRESULT CLunetWr::ApplyFocusSettings(ICamExtraCommand*) {
  return 1;
}
