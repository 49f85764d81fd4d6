// The camera's capture-properties dialog: the shared dialog over this
// camera (CVeskCaptureProperties), shown, driven and closed for the camera
// window.
#include "app/cameras/vesk/VeskCaptureProperties.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"

#include <QWidget>

HRESULT CVeskDllWr::ShowCaptureProperties(HWND parent, std::int32_t, bool show) {
  return m_captureProperties.Show(
      show, static_cast<QWidget*>(parent), [this] { return std::make_shared<CVeskCaptureProperties>(this); },
      [] { return GetVeskSdkWrapper(nullptr)->GetSettings(); });
}

HRESULT CVeskDllWr::EnableCaptureProperties(bool enable) {
  return m_captureProperties.Enable(enable);
}

HRESULT CVeskDllWr::NotifyCaptureProperties(std::int32_t event) {
  return m_captureProperties.Notify(event);
}

HRESULT CVeskDllWr::CloseCaptureProperties() {
  return m_captureProperties.Close([this](std::int32_t digitalZoom) { SetPropElectricZoom(digitalZoom); });
}
