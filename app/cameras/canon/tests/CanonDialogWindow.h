// The camera window as the Canon dialog tests need it: one real Canon camera
// on the stand-in, whose calls run in order on a worker thread of the
// window; the takes asked for are counted, a take ends when the test says so.
#pragma once

#include "app/cameras/canon/CanonCDWr.h"
#include "app/core/ITarselCallback.h"
#include "app/host/CameraWindow.h"
#include "app/host/TarselEvents.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tarsel::canon::test {

class CanonDialogWindow : public QWidget, public ICameraWindow, public _ITarselCallback {
public:
  explicit CanonDialogWindow(CanonCD_Wr& camera) : m_camera(camera) {}
  ~CanonDialogWindow() override { m_thread.request_stop(), m_thread.join(); }

  bool QueueCameraCall(tarsel::host::CameraCall call) override {
    Queue([this, call](std::stop_token stop) { call(m_camera, stop); });
    return true;
  }
  bool QueueCameraCall(std::function<void()> work, QObject* receiver,
                       std::function<void(HRESULT)> done) override {
    Queue([this, work, receiver = QPointer<QObject>(receiver), done](std::stop_token) {
      HRESULT code = 0;
      try {
        work();
      } catch (const _brantel_take_error& error) {
        code = error.Error();
      } catch (...) {
        code = E_UNEXPECTED;
      }
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
  using Work = std::function<void(std::stop_token)>;
  void Queue(Work work) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(work));
    m_ready.notify_one();
  }
  void Loop(std::stop_token stop) {
    for (;;) {
      Work work;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_ready.wait(lock, stop, [this] { return !m_queue.empty(); }))
          return;
        work = std::move(m_queue.front());
        m_queue.pop_front();
      }
      work(stop);
    }
  }

  CanonCD_Wr& m_camera;
  QPointer<QObject> m_waiting;
  std::mutex m_mutex;
  std::condition_variable_any m_ready;
  std::deque<Work> m_queue;
  // Last: stopped and joined before the window's children go.
  std::jthread m_thread{[this](std::stop_token stop) { Loop(stop); }};
};

} // namespace tarsel::canon::test
