// The camera's capture-properties dialog: the shared dialog over this
// camera (CVeskCaptureProperties), shown, driven and closed for the camera
// window.
#include "app/cameras/vesk/VeskCaptureProperties.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"

#include <QWidget>

using tarsel::vesk::GuardResult;

HRESULT CVeskDllWr::ShowCaptureProperties(HWND parent, std::int32_t, bool show) {
  return GuardResult([&] {
    m_captureProperties.Show(
        show, static_cast<QWidget*>(parent),
        [this] { return std::make_shared<CVeskCaptureProperties>(this); },
        [] { return GetVeskSdkWrapper(nullptr)->GetSettings(); });
  });
}

HRESULT CVeskDllWr::EnableCaptureProperties(bool enable) {
  return GuardResult([&] { m_captureProperties.Enable(enable); });
}

HRESULT CVeskDllWr::NotifyCaptureProperties(std::int32_t event) {
  // The dialog reads the camera on the window's worker and reports a
  // failure itself; here only the request can fail.
  return GuardResult([&] { m_captureProperties.Notify(event); });
}

HRESULT CVeskDllWr::CloseCaptureProperties() {
  return GuardResult([&] {
    // The window closes and stops its worker right after this: the zoom goes
    // back now, under the camera's lock, and a failure changes nothing more.
    if (const std::optional<std::int32_t> digitalZoom = m_captureProperties.Close())
      GuardResult([&] { SetPropElectricZoom(*digitalZoom); });
  });
}
