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
#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/host/CameraWindow.h"

#include <QPointer>
#include <QWidget>

#include <memory>

using tarsel::canon::GuardResult;

HRESULT CanonCD_Wr::ShowCameraInfo(HWND parent, _ITarselCallback* callback) {
  return GuardResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(new tarsel::dialogs::CCameraInfoDlg(
        std::make_shared<CCanonCDCameraInfo>(this), ICameraWindow::FromObject(owner), callback, owner));
  });
}

HRESULT CanonCD_Wr::ShowCapabilityTest(HWND parent, _ITarselCallback*) {
  return GuardResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    const QPointer<QWidget> owner = window;
    tarsel::dialogs::RunModalDialog(
        new CTestCameraCapabilitiesDlg(std::make_shared<CCanonCDTestCameraCapabilities>(window), window));
    // A run may have changed the capability sets (and closing put settings
    // back): an open capture-properties dialog offers the new lists. The
    // camera goes with its window, which may have closed meanwhile.
    if (owner)
      NotifyCaptureProperties(0);
  });
}

HRESULT CanonCD_Wr::ShowCameraSettings(HWND parent, _ITarselCallback*, std::int32_t) {
  return GuardResult([&] {
    tarsel::dialogs::RunModalDialog(new CCanonCD_FineAdjustZoom(this, static_cast<QWidget*>(parent)));
  });
}

HRESULT CanonCD_Wr::ShowCaptureProperties(HWND parent, std::int32_t, bool show) {
  return m_captureProperties.Show(
      show, static_cast<QWidget*>(parent),
      [this] { return std::make_shared<CCanonCDCaptureProperties>(this); },
      [] { return GetCanonCDSdkWrapper(nullptr)->GetSettings(); });
}

HRESULT CanonCD_Wr::EnableCaptureProperties(bool enable) {
  return m_captureProperties.Enable(enable);
}

HRESULT CanonCD_Wr::NotifyCaptureProperties(std::int32_t event) {
  return m_captureProperties.Notify(event);
}

HRESULT CanonCD_Wr::CloseCaptureProperties() {
  // -1: no digital zoom was in use.
  return m_captureProperties.Close([this](std::int32_t digitalZoom) {
    if (digitalZoom >= 0)
      SetDigitalZoomSteps(digitalZoom);
  });
}
