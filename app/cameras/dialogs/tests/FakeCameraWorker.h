// The camera window's worker as the dialog tests need it: one thread that
// runs queued work in order and stops (joined) with the object.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace tarsel::dialogs::test {

class FakeCameraWorker {
public:
  using Work = std::function<void(std::stop_token)>;

  void Queue(Work work) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(work));
    m_ready.notify_one();
  }

private:
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

  std::mutex m_mutex;
  std::condition_variable_any m_ready;
  std::deque<Work> m_queue;
  // Last: started once the queue exists, stopped and joined first.
  std::jthread m_thread{[this](std::stop_token stop) { Loop(stop); }};
};

} // namespace tarsel::dialogs::test
