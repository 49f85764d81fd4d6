#include "sim/cdsdk/CdSimEventThread.h"

namespace tarsel::cdsim {

EventThread::~EventThread() {
  stop();
}

void EventThread::start() {
  std::lock_guard lock(m_mutex);
  if (m_thread.joinable())
    return;
  m_stopping = false;
  m_thread = std::thread([this] { loop(); });
}

void EventThread::stop() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable() && !onThread())
    m_thread.join();
}

bool EventThread::post(std::packaged_task<std::uint32_t()> task) {
  {
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable() || m_stopping)
      return false;
    m_tasks.push_back(std::move(task));
  }
  m_wake.notify_all();
  return true;
}

void EventThread::loop() {
  for (;;) {
    std::packaged_task<std::uint32_t()> task;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
      if (m_tasks.empty())
        return;
      task = std::move(m_tasks.front());
      m_tasks.pop_front();
    }
    task();
  }
}

} // namespace tarsel::cdsim
