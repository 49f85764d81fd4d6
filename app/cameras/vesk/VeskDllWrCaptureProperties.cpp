// The camera's capture-properties dialog: the shared dialog over this
// camera (CVeskCaptureProperties), shown, driven and closed for the camera
// window.
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/cameras/vesk/VeskCaptureProperties.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"

#include <QWidget>

#include <new>

using tarsel::dialogs::CCapturePropertiesDialog;
using tarsel::vesk::GuardResult;

HRESULT CVeskDllWr::ShowCaptureProperties(HWND parent, std::int32_t, bool show) {
  return GuardResult([&] {
    if (!show) {
      if (m_captureProperties)
        m_captureProperties->hide();
      return;
    }
    if (!m_captureProperties) {
      try {
        m_captureProperties = new CCapturePropertiesDialog(std::make_shared<CVeskCaptureProperties>(this),
                                                           static_cast<QWidget*>(parent),
                                                           GetVeskSdkWrapper(nullptr)->GetSettings());
      } catch (const std::bad_alloc&) {
        ThrowError(static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY));
      }
    }
    m_captureProperties->ShowAtStoredPlace();
  });
}

HRESULT CVeskDllWr::EnableCaptureProperties(bool enable) {
  return GuardResult([&] {
    if (m_captureProperties)
      m_captureProperties->Enable(enable);
  });
}

HRESULT CVeskDllWr::NotifyCaptureProperties(std::int32_t event) {
  // The dialog reads the camera on the window's worker and reports a
  // failure itself; here only the request can fail.
  return GuardResult([&] {
    if (!m_captureProperties)
      return;
    if (event == 0)
      m_captureProperties->Refill();
    else if (event == 1)
      m_captureProperties->RefillZoom();
    else if (event == 2)
      m_captureProperties->Reset();
  });
}

HRESULT CVeskDllWr::CloseCaptureProperties() {
  return GuardResult([&] {
    CCapturePropertiesDialog* dialog = m_captureProperties.data();
    if (!dialog)
      return;
    m_captureProperties = nullptr;
    const std::optional<std::int32_t> digitalZoom = dialog->SavedDigitalZoom();
    delete dialog;
    // The window closes and stops its worker right after this: the zoom goes
    // back now, under the camera's lock, and a failure changes nothing more.
    if (digitalZoom)
      GuardResult([&] { SetPropElectricZoom(*digitalZoom); });
  });
}
