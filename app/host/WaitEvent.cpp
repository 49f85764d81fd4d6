#include "app/host/WaitEvent.h"

void CWaitEvent::Set() {
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_set = true;
  }
  m_changed.notify_all();
}

void CWaitEvent::Reset() {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_set = false;
}

bool CWaitEvent::IsSet() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_set;
}

bool CWaitEvent::Wait(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_changed.wait_for(lock, timeout, [this] { return m_set; });
}
