// The live view of one camera: a frame thread of its own that calls the
// family's frame call-back at the configured rate while `deliverable` says so
// (the camera is plugged in). stop() and the destructor join the thread, so
// once they return no frame call-back runs; stop() must not be called from
// the frame call-back itself (onFrameThread() tells).
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tarsel::cdsim {

class Viewfinder {
public:
  struct Settings {
    std::uint32_t width = 160;
    std::uint32_t height = 120;
    std::uint32_t framesPerSecond = 15;
  };
  // Called on the frame thread: whether to deliver now; after each frame, how long the call-back took.
  using Deliverable = std::function<bool()>;
  using Delivered = std::function<void(std::chrono::milliseconds)>;

  Viewfinder(cdsdk::ViewfinderCallback* callback, void* context, Settings settings, Deliverable deliverable,
             Delivered delivered);
  ~Viewfinder();
  Viewfinder(const Viewfinder&) = delete;
  Viewfinder& operator=(const Viewfinder&) = delete;

  void stop();
  bool onFrameThread() const { return std::this_thread::get_id() == m_threadId.load(); }

private:
  void run();

  cdsdk::ViewfinderCallback* m_callback;
  void* m_context;
  Settings m_settings;
  Deliverable m_deliverable;
  Delivered m_delivered;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stopping = false;
  std::atomic<std::thread::id> m_threadId;
  std::thread m_thread;
};

} // namespace tarsel::cdsim
