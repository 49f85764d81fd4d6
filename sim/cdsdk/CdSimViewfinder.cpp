#include "sim/cdsdk/CdSimViewfinder.h"

#include "sim/cdsdk/CdSimPictures.h"

namespace tarsel::cdsim {

Viewfinder::Viewfinder(cdsdk::ViewfinderCallback* callback, void* context, Settings settings,
                       Deliverable deliverable, Delivered delivered)
    : m_callback(callback), m_context(context), m_settings(settings), m_deliverable(std::move(deliverable)),
      m_delivered(std::move(delivered)) {
  m_thread = std::thread([this] { run(); });
  m_threadId = m_thread.get_id();
}

Viewfinder::~Viewfinder() {
  stop();
}

void Viewfinder::stop() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable() && !onFrameThread())
    m_thread.join();
}

void Viewfinder::run() {
  using namespace std::chrono;
  const auto period = microseconds(1000000 / std::max<std::uint32_t>(1, m_settings.framesPerSecond));
  auto next = steady_clock::now();
  std::uint32_t frameNumber = 0;
  for (;;) {
    {
      std::unique_lock lock(m_mutex);
      if (m_wake.wait_until(lock, next, [this] { return m_stopping; }))
        return;
    }
    next += period;
    if (!m_deliverable())
      continue;
    Bytes frame;
    try {
      frame = makeViewfinderFrame(m_settings.width, m_settings.height, frameNumber++);
    } catch (...) {
      continue; // out of memory: this frame is skipped
    }
    const auto began = steady_clock::now();
    m_callback(frame.data(), static_cast<std::uint32_t>(frame.size()), cdsdk::kViewfinderFormatJpeg,
               m_context);
    m_delivered(duration_cast<milliseconds>(steady_clock::now() - began));
    if (steady_clock::now() > next + period * 4)
      next = steady_clock::now(); // a slow consumer: do not burst to catch up
  }
}

} // namespace tarsel::cdsim
