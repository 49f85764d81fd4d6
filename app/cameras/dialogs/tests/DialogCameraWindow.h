// The camera window as the family dialogs' tests need it: a plain widget
// over a real camera host, which owns a family's camera object and runs the
// dialogs' camera calls on its worker as the program's window does; a request for
// the settings sheet opens it. Restarting
// the session takes the camera's name as the window's title again; the
// status line, the download state and the pictures the host reports (which
// the program's window would add to its series) are only recorded.
//
// Threads: user-interface thread; the host's worker runs the camera calls.
#pragma once

#include "app/core/ICameraHiLevel.h"
#include "app/core/ITarselCallback.h"
#include "app/host/CameraWindow.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/TarselEvents.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>
#include <vector>

namespace tarsel::dialogs::test {

class DialogCameraWindow : public QWidget, public ICameraWindow, public _ITarselCallback {
public:
  // Takes the camera over.
  explicit DialogCameraWindow(ICameraHiLevel* camera)
      : m_host(std::make_unique<tarsel::host::CConnectedCameraHost>(camera, std::chrono::seconds(10),
                                                                    std::chrono::seconds(5))) {}
  // The host (and with it the camera) goes before the window's children.
  ~DialogCameraWindow() override { m_host.reset(); }

  // Initialises the camera on this window and starts the worker; false when
  // the camera refused.
  // The settings sheet at `firstPage`, as the window's command opens it; the
  // capture properties then read the camera again.
  HRESULT openSettingsSheet(std::int32_t firstPage) {
    const HRESULT result = camera().ShowCameraSettings(static_cast<QWidget*>(this), this, firstPage);
    camera().NotifyCaptureProperties(1);
    return result;
  }

  bool start() {
    if (!m_host->Start(this, static_cast<QWidget*>(this)))
      return false;
    RestartSession();
    return true;
  }
  ICameraHiLevel& camera() { return *m_host->GetCamera(); }
  // Runs one of the camera's dialog operations on this window, as the
  // window's command does.
  HRESULT runDialog(HRESULT (ICameraHiLevel::*dialog)(HWND, _ITarselCallback*)) {
    return (camera().*dialog)(static_cast<QWidget*>(this), this);
  }

  bool QueueCameraCall(tarsel::host::CameraCall call) override {
    return m_host->QueueCameraCall(std::move(call));
  }
  bool QueueCameraCall(std::function<void()> work, QObject* receiver,
                       std::function<void(HRESULT)> done) override {
    return m_host->QueueCameraCall(std::move(work), receiver, std::move(done));
  }
  void SetWaitingWindow(QObject* window) override { m_waiting = window; }
  void ClearWaitingWindow(QObject* window) override {
    if (m_waiting == window)
      m_waiting = nullptr;
  }
  void SetWaitingEvent(std::shared_ptr<CWaitEvent>) override {}
  void ClearWaitingEvent(const std::shared_ptr<CWaitEvent>&) override {}
  bool QueueTakePicture(const ICamExtraCommand*) override { return false; }
  bool NotifyWaitingWindow(HRESULT code, std::intptr_t value) override {
    if (!m_waiting)
      return false;
    QCoreApplication::postEvent(m_waiting, new tarsel::host::CameraJobDoneEvent(code, value));
    return true;
  }
  void RestartSession() override { setWindowTitle(QString::fromUtf8(camera().GetCameraName())); }
  void SetDownloading(bool downloading) override { downloadStates.push_back(downloading); }
  void ShowLoadingPercent(std::int32_t) override {}
  void PostCommand(UINT) override {}
  // Opens the settings sheet once the caller's event is done, as the
  // window's request does.
  void PostOpenCameraSettings(std::int32_t firstPage) override {
    QMetaObject::invokeMethod(
        this, [this, firstPage] { openSettingsSheet(firstPage); }, Qt::QueuedConnection);
  }
  _ITarselCallback* StatusCallback() override { return this; }
  bool HasPreviewWindow() override { return false; }
  std::int32_t SetZoomDivisor(std::int32_t divisor) override { return m_host->SetZoomDivisor(divisor); }
  void BeginFocusSeries() override {}
  void ShowPictureIndex(long, long) override {}

  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char*) override { return true; }
  void SuspendPreview(bool) override {}

  std::vector<bool> downloadStates;
  int picturesReported = 0;

protected:
  bool event(QEvent* event) override {
    if (event->type() == WM_TARSEL_CAMERA_STATUS &&
        static_cast<tarsel::host::CameraStatusEvent*>(event)->picture())
      ++picturesReported;
    return QWidget::event(event);
  }

private:
  std::unique_ptr<tarsel::host::CConnectedCameraHost> m_host;
  QPointer<QObject> m_waiting;
};

} // namespace tarsel::dialogs::test
