// The camera object's dialogs: camera information, the capability test,
// the capture properties (shown, driven and closed for the camera window)
// and the fine zoom dialog as the camera's settings.
#include "app/cameras/canon/CanonCDCameraInfo.h"
#include "app/cameras/canon/CanonCDCaptureProperties.h"
#include "app/cameras/canon/CanonCDFineAdjustZoom.h"
#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "app/cameras/canon/CanonCDTestCameraCapabilities.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonResultGuard.h"
#include "app/cameras/dialogs/CameraInfoDlg.h"
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/host/CameraWindow.h"
#include "platform/Win32Error.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <new>

using tarsel::canon::GuardResult;
using tarsel::dialogs::CCapturePropertiesDialog;

namespace {

// Runs a modal dialog made on the heap: a camera window that closes
// meanwhile takes its child along.
template <class Dialog> void runModal(Dialog* made) {
  const QPointer<Dialog> dialog = made;
  dialog->exec();
  delete dialog.data();
}

} // namespace

HRESULT CanonCD_Wr::ShowCameraInfo(HWND parent, _ITarselCallback* callback) {
  return GuardResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    runModal(new tarsel::dialogs::CCameraInfoDlg(std::make_shared<CCanonCDCameraInfo>(this),
                                                 ICameraWindow::FromObject(owner), callback, owner));
  });
}

HRESULT CanonCD_Wr::ShowCapabilityTest(HWND parent, _ITarselCallback*) {
  return GuardResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    const QPointer<QWidget> owner = window;
    runModal(
        new CTestCameraCapabilitiesDlg(std::make_shared<CCanonCDTestCameraCapabilities>(window), window));
    // A run may have changed the capability sets (and closing put settings
    // back): an open capture-properties dialog offers the new lists. The
    // camera goes with its window, which may have closed meanwhile.
    if (owner)
      NotifyCaptureProperties(0);
  });
}

HRESULT CanonCD_Wr::ShowCameraSettings(HWND parent, _ITarselCallback*, std::int32_t) {
  return GuardResult([&] { runModal(new CCanonCD_FineAdjustZoom(this, static_cast<QWidget*>(parent))); });
}

HRESULT CanonCD_Wr::ShowCaptureProperties(HWND parent, std::int32_t, bool show) {
  return GuardResult([&] {
    if (!show) {
      if (m_captureProperties)
        m_captureProperties->hide();
      return;
    }
    if (!m_captureProperties) {
      try {
        m_captureProperties = new CCapturePropertiesDialog(std::make_shared<CCanonCDCaptureProperties>(this),
                                                           static_cast<QWidget*>(parent),
                                                           GetCanonCDSdkWrapper(nullptr)->GetSettings());
      } catch (const std::bad_alloc&) {
        ThrowError(static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY));
      }
    }
    m_captureProperties->ShowAtStoredPlace();
  });
}

HRESULT CanonCD_Wr::EnableCaptureProperties(bool enable) {
  return GuardResult([&] {
    if (m_captureProperties)
      m_captureProperties->Enable(enable);
  });
}

HRESULT CanonCD_Wr::NotifyCaptureProperties(std::int32_t event) {
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

HRESULT CanonCD_Wr::CloseCaptureProperties() {
  return GuardResult([&] {
    CCapturePropertiesDialog* dialog = m_captureProperties.data();
    if (!dialog)
      return;
    m_captureProperties = nullptr;
    const std::optional<std::int32_t> digitalZoom = dialog->SavedDigitalZoom();
    delete dialog;
    // The window closes and stops its worker right after this: the digital
    // zoom goes back now, under the camera's lock (-1: none was in use).
    if (digitalZoom && *digitalZoom >= 0)
      SetDigitalZoomSteps(*digitalZoom);
  });
}
