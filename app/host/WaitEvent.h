// A manual-reset event: Set releases every waiter and the event stays set
// until Reset. A camera family's dialog hands one to its camera window
// (ICameraWindow::SetWaitingEvent) and waits on it, with a time-out, for the
// window's camera job to end.
//
// Threads: any member from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class CWaitEvent {
public:
  explicit CWaitEvent(bool initiallySet = false) : m_set(initiallySet) {}
  CWaitEvent(const CWaitEvent&) = delete;
  CWaitEvent& operator=(const CWaitEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // True when the event is set now or becomes set within the time-out.
  bool Wait(std::chrono::milliseconds timeout) const;

private:
  mutable std::mutex m_lock;
  mutable std::condition_variable m_changed;
  bool m_set;
};
