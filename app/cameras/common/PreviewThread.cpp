#include "app/cameras/common/PreviewThread.h"

#include <QCoreApplication>
#include <QThread>

namespace tarsel::cameras {

// One preview thread and what it was asked; guarded by the preview's lock.
struct CPreviewThread::Run {
  std::thread thread;
  _ISdkPreviewCallback* listener = nullptr;
  bool keepRunning = true;
  bool ended = false;
  // Counts the starts, so that a listener's refusal does not undo a start
  // that came while the listener was deciding.
  unsigned starts = 0;
};

CPreviewThread::CPreviewThread(Frame frame) : m_frame(std::move(frame)) {}

CPreviewThread::~CPreviewThread() {
  Stop();
  // Only left when the preview's own listener destroyed the camera.
  if (m_run && m_run->thread.joinable())
    m_run->thread.detach();
}

void CPreviewThread::Start(_ISdkPreviewCallback* listener) {
  std::shared_ptr<Run> ended;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_run && !m_run->ended) {
      m_run->listener = listener;
      m_run->keepRunning = true;
      ++m_run->starts;
      return;
    }
    auto run = std::make_shared<Run>();
    run->listener = listener;
    // The thread waits for this lock before its first step.
    run->thread = std::thread([this, raw = run.get()] { Loop(*raw); });
    ended = std::exchange(m_run, std::move(run));
  }
  if (ended && ended->thread.joinable())
    ended->thread.join();
}

void CPreviewThread::Stop() {
  std::shared_ptr<Run> run;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (!m_run)
      return;
    m_run->keepRunning = false;
    m_run->listener = nullptr;
    m_changed.notify_all();
    if (m_run->thread.get_id() == std::this_thread::get_id())
      return;
    run = std::move(m_run);
  }
  WaitForEnd(*run);
  if (run->thread.joinable())
    run->thread.join();
}

void CPreviewThread::WaitForEnd(Run& run) {
  QCoreApplication* const application = QCoreApplication::instance();
  if (!application || QThread::currentThread() != application->thread())
    return; // the join waits
  std::unique_lock<std::mutex> lock(m_lock);
  while (!run.ended) {
    lock.unlock();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    lock.lock();
    m_changed.wait_for(lock, std::chrono::milliseconds(5), [&run] { return run.ended; });
  }
}

void CPreviewThread::Pause(bool pause) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_gateOpen = !pause;
  m_changed.notify_all();
}

bool CPreviewThread::IsRunning() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_run && !m_run->ended;
}

void CPreviewThread::Loop(Run& run) {
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    m_changed.wait(lock, [&] { return m_gateOpen || !run.keepRunning; });
    if (!run.keepRunning)
      break;
    _ISdkPreviewCallback* const listener = run.listener;
    const unsigned starts = run.starts;
    lock.unlock();
    bool keep = true;
    bool failed = false;
    try {
      keep = m_frame(listener);
    } catch (...) {
      failed = true;
    }
    lock.lock();
    if (!keep && run.starts == starts)
      run.keepRunning = false;
    if (failed)
      m_changed.wait_for(lock, kFailurePause, [&run] { return !run.keepRunning; });
  }
  run.ended = true;
  m_changed.notify_all();
}

} // namespace tarsel::cameras
