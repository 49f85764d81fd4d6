// The library's device thread: camera events reach the family's call-backs
// on it, one at a time, in the order they were fired.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

namespace tarsel::cdsim {

class EventThread {
public:
  EventThread() = default;
  ~EventThread();
  EventThread(const EventThread&) = delete;
  EventThread& operator=(const EventThread&) = delete;

  void start();
  // Runs what is queued, then joins. Not from the thread itself.
  void stop();
  bool onThread() const { return std::this_thread::get_id() == m_thread.get_id(); }
  // Queues the task; false (and the task never runs) when the thread is not running.
  bool post(std::packaged_task<std::uint32_t()> task);

private:
  void loop();

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::packaged_task<std::uint32_t()>> m_tasks;
  bool m_stopping = false;
  std::thread m_thread;
};

} // namespace tarsel::cdsim
