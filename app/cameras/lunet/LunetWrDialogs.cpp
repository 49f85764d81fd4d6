// The camera object's dialogs. The family has none of its own yet: the
// dialog operations answer E_NOTIMPL, and with no capture-properties dialog
// open its notifications do nothing.
#include "app/cameras/lunet/LunetWr.h"
#include "platform/Win32Error.h"

HRESULT CLunetWr::ShowCameraInfo(HWND, _ITarselCallback*) {
  return E_NOTIMPL;
}

HRESULT CLunetWr::ShowCapabilityTest(HWND, _ITarselCallback*) {
  return E_NOTIMPL;
}

HRESULT CLunetWr::ShowDownloadAllPictures(HWND, _ITarselCallback*) {
  return E_NOTIMPL;
}

HRESULT CLunetWr::ShowCaptureProperties(HWND, std::int32_t, bool) {
  return E_NOTIMPL;
}

HRESULT CLunetWr::EnableCaptureProperties(bool) {
  return 0;
}

HRESULT CLunetWr::NotifyCaptureProperties(std::int32_t) {
  return 0;
}

HRESULT CLunetWr::CloseCaptureProperties() {
  return 0;
}

HRESULT CLunetWr::ShowCameraSettings(HWND, _ITarselCallback*, std::int32_t) {
  return E_NOTIMPL;
}
