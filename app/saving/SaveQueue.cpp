#include "app/saving/SaveQueue.h"

#include <utility>

namespace tarsel::saving {

bool CSaveQueue::PushSaveJob(std::unique_ptr<CSaveInfoMultiPics>& job) {
  if (!job)
    return false;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_limit != 0 && m_jobs.size() >= m_limit)
      return false;
    m_jobs.push_back(std::move(job));
  }
  m_pushed.notify_all();
  return true;
}

std::unique_ptr<CSaveInfoMultiPics> CSaveQueue::PopSaveJob() {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_jobs.empty())
    return nullptr;
  std::unique_ptr<CSaveInfoMultiPics> job = std::move(m_jobs.front());
  m_jobs.pop_front();
  return job;
}

void CSaveQueue::ClearSaveQueue() {
  std::deque<std::unique_ptr<CSaveInfoMultiPics>> dropped;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    dropped.swap(m_jobs);
  }
  // The jobs release their pictures outside the lock.
}

std::size_t CSaveQueue::GetSaveQueueLength() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_jobs.size();
}

bool CSaveQueue::WaitForJob(std::stop_token stop) {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_pushed.wait(lock, stop, [this] { return !m_jobs.empty(); });
}

} // namespace tarsel::saving
