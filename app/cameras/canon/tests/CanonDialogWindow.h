// The camera window as the Canon dialog tests need it: one real Canon camera
// on the stand-in, whose calls run on threads of the window; the takes asked for are counted, a take ends
// when the test says so.
#pragma once

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonResultGuard.h"
#include "app/core/ITarselCallback.h"
#include "app/host/CameraWindow.h"
#include "app/host/TarselEvents.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <thread>
#include <vector>

namespace tarsel::canon::test {

class CanonDialogWindow : public QWidget, public ICameraWindow, public _ITarselCallback {
public:
  explicit CanonDialogWindow(CanonCD_Wr& camera) : m_camera(camera) {}
  // Joined before the window's children go.
  ~CanonDialogWindow() override { m_calls.clear(); }

  bool QueueCameraCall(tarsel::host::CameraCall call) override {
    Queue([this, call](std::stop_token stop) { call(m_camera, stop); });
    return true;
  }
  bool QueueCameraCall(std::function<void()> work, QObject* receiver,
                       std::function<void(HRESULT)> done) override {
    Queue([this, work, receiver = QPointer<QObject>(receiver), done](std::stop_token) {
      const HRESULT code = tarsel::canon::GuardResult(work);
      QMetaObject::invokeMethod(
          this, [receiver, done, code] { receiver ? done(code) : void(); }, Qt::QueuedConnection);
    });
    return true;
  }
  void SetWaitingWindow(QObject* window) override { m_waiting = window; }
  void ClearWaitingWindow(QObject* window) override {
    if (m_waiting == window)
      m_waiting = nullptr;
  }
  void SetWaitingEvent(std::shared_ptr<CWaitEvent>) override {}
  void ClearWaitingEvent(const std::shared_ptr<CWaitEvent>&) override {}
  bool QueueTakePicture(const ICamExtraCommand*) override { return ++takes, true; }
  bool NotifyWaitingWindow(HRESULT code, std::intptr_t value) override {
    if (!m_waiting)
      return false;
    QCoreApplication::postEvent(m_waiting, new tarsel::host::CameraJobDoneEvent(code, value));
    return true;
  }
  void RestartSession() override {}
  void SetDownloading(bool) override {}
  void ShowLoadingPercent(std::int32_t) override {}
  void PostCommand(UINT) override {}
  void PostOpenCameraSettings(std::int32_t) override {}
  _ITarselCallback* StatusCallback() override { return this; }
  bool HasPreviewWindow() override { return previewOpen; }
  std::int32_t SetZoomDivisor(std::int32_t divisor) override { return divisor; }
  void BeginFocusSeries() override {}
  void ShowPictureIndex(long, long) override {}

  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char*) override { return true; }
  void SuspendPreview(bool) override {}

  bool previewOpen = false;
  int takes = 0;

private:
  void Queue(std::function<void(std::stop_token)> work) { m_calls.emplace_back(std::move(work)); }

  CanonCD_Wr& m_camera;
  QPointer<QObject> m_waiting;
  // A thread for each call (the tests wait for one before the next).
  std::vector<std::jthread> m_calls;
};

} // namespace tarsel::canon::test
