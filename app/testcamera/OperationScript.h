// The scripted behaviour of a fake's operations: how often each was called,
// an error code that its next N calls answer with, and a delay each call
// waits before it does anything. Any thread may call any member.
#pragma once

#include "hostapi/Win32Types.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace tarsel::testcamera {

template <class Op> class OperationScript {
public:
  // The next `count` calls of op answer `code` (a later call adds to the
  // count of the same code, replaces another code).
  void failNext(Op op, HRESULT code, int count = 1) {
    const std::lock_guard<std::mutex> guard(m_lock);
    Entry& entry = m_entries[op];
    entry.failures = entry.failureCode == code ? entry.failures + count : count;
    entry.failureCode = code;
  }

  // Every later call of op waits `delay` first.
  void setDelay(Op op, std::chrono::milliseconds delay) {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_entries[op].delay = delay;
  }

  int calls(Op op) const {
    const std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_entries.find(op);
    return it == m_entries.end() ? 0 : it->second.calls;
  }

  // Counts one call of op, waits its delay and answers the scripted code,
  // 0 when none is left.
  HRESULT enter(Op op) {
    std::chrono::milliseconds delay{0};
    HRESULT code = 0;
    {
      const std::lock_guard<std::mutex> guard(m_lock);
      Entry& entry = m_entries[op];
      ++entry.calls;
      delay = entry.delay;
      if (entry.failures > 0) {
        --entry.failures;
        code = entry.failureCode;
      }
    }
    if (delay.count() > 0)
      std::this_thread::sleep_for(delay);
    return code;
  }

private:
  struct Entry {
    int calls = 0;
    int failures = 0;
    HRESULT failureCode = 0;
    std::chrono::milliseconds delay{0};
  };

  mutable std::mutex m_lock;
  std::map<Op, Entry> m_entries;
};

} // namespace tarsel::testcamera
