// Shared by the preview and download tests: a preview listener that counts
// its frames, a window that records the camera host's status events, and
// the camera handed to a host.
#pragma once

#include "VeskSimulatedCamera.h"

#include "app/core/ISdkPreviewCallback.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/TarselEvents.h"
#include "app/testsupport/EventPump.h"
#include "hostapi/RefPtr.h"

#include <QObject>

#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace tarsel::vesk::test {

// Accepts `accepted` frames and declines the next.
class FrameListener : public _ISdkPreviewCallback {
public:
  explicit FrameListener(int accepted = 1 << 30) : m_accepted(accepted) {}
  bool OnPreviewFrame(IPictureFromCamera*) override {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_threads.insert(std::this_thread::get_id());
    return ++m_frames <= m_accepted;
  }
  int frames() {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_frames;
  }
  std::set<std::thread::id> threads() {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_threads;
  }

private:
  const int m_accepted;
  std::mutex m_lock;
  int m_frames = 0;
  std::set<std::thread::id> m_threads;
};

struct StatusRecord {
  std::int32_t code;
  std::intptr_t argument;
  CRefPtr<IPictureFromCamera> picture;
};

// Stands in for the camera window.
class StatusWindow : public QObject {
public:
  std::vector<StatusRecord> records;
  bool has(std::int32_t code) const {
    return std::any_of(records.begin(), records.end(), [code](const auto& r) { return r.code == code; });
  }

protected:
  bool event(QEvent* event) override {
    if (event->type() != WM_TARSEL_CAMERA_STATUS)
      return QObject::event(event);
    auto* status = static_cast<tarsel::host::CameraStatusEvent*>(event);
    records.push_back({status->code(), status->argument(), CRefPtr<IPictureFromCamera>(status->picture())});
    return true;
  }
};

// The camera in a camera host that reports to a window; the host deletes
// the camera, which stops the preview.
struct HostedCamera {
  explicit HostedCamera(std::unique_ptr<CVeskDllWr> owned) : camera(owned.get()), host(owned.release()) {}
  // Starts the host and the preview; true once `frames` frames arrived.
  bool start(int frames) {
    return host.Start(&window, nullptr) && camera->StartPreview(&listener) == 0 &&
           tarsel::test::pumpUntil([&] { return listener.frames() >= frames; });
  }

  StatusWindow window;
  FrameListener listener;
  CVeskDllWr* const camera;
  tarsel::host::CConnectedCameraHost host;
};

} // namespace tarsel::vesk::test
