// The save queue: jobs in arrival order under one lock, with an optional
// length limit (the main frame's queue refuses its 21st job; the same type
// without a limit serves elsewhere). A queued job belongs to the queue; Pop
// hands it over. Clearing deletes the jobs unsaved.
//
// Threads: any thread may call every member; the lock is held only inside
// them, and nothing else is called under it.
#pragma once

#include "app/saving/SaveInfoMultiPics.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <stop_token>

namespace tarsel::saving {

class CSaveQueue {
public:
  // The main frame's limit.
  static constexpr std::size_t kFrameLimit = 20;

  // limit 0: no limit.
  explicit CSaveQueue(std::size_t limit = 0) : m_limit(limit) {}
  CSaveQueue(const CSaveQueue&) = delete;
  CSaveQueue& operator=(const CSaveQueue&) = delete;

  // Appends the job and wakes a waiter; false (the job handed back in `job`)
  // when the queue holds its limit. A null job is refused.
  bool PushSaveJob(std::unique_ptr<CSaveInfoMultiPics>& job);
  // The first job, or null when the queue is empty.
  std::unique_ptr<CSaveInfoMultiPics> PopSaveJob();
  // Deletes every queued job.
  void ClearSaveQueue();
  std::size_t GetSaveQueueLength() const;
  // Waits until a job is queued; false when `stop` was requested first.
  bool WaitForJob(std::stop_token stop);

private:
  const std::size_t m_limit;
  mutable std::mutex m_lock;
  std::condition_variable_any m_pushed;
  std::deque<std::unique_ptr<CSaveInfoMultiPics>> m_jobs;
};

} // namespace tarsel::saving
