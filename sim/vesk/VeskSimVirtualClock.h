// A clock that stands still until advanced. Waiting on it moves it forward to
// the deadline at once, so a 45-second time-out or a 16-second exposure is
// over without any real waiting. Thread-safe (one atomic counter).
#pragma once

#include "sim/vesk/VeskSimClock.h"

#include <atomic>

namespace tarsel::vesksim {

class VeskSimVirtualClock final : public VeskSimClock {
public:
  explicit VeskSimVirtualClock(std::uint64_t startUs = 0) : m_now(startUs) {}

  std::uint64_t nowUs() const override { return m_now.load(); }
  void waitUntil(std::uint64_t deadlineUs) override { advanceTo(deadlineUs); }
  void wakeAll() override {}

  void advanceUs(std::uint64_t us) { m_now.fetch_add(us); }
  void advanceMs(std::uint64_t ms) { advanceUs(ms * 1000); }

  // Moves forward to t; never backwards.
  void advanceTo(std::uint64_t t) {
    std::uint64_t current = m_now.load();
    while (current < t && !m_now.compare_exchange_weak(current, t)) {
    }
  }

private:
  std::atomic<std::uint64_t> m_now;
};

} // namespace tarsel::vesksim
