// Wall time (a steady clock) scaled by a speed factor: with speed 10 a
// 2-second capture is over after 0.2 s. Waits sleep on a condition variable
// so wakeAll() ends them early (unplug, shutdown). Thread-safe.
#pragma once

#include "sim/vesk/VeskSimClock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tarsel::vesksim {

class VeskSimRealClock final : public VeskSimClock {
public:
  // speed <= 0 is taken as 1.
  explicit VeskSimRealClock(double speed = 1.0);

  std::uint64_t nowUs() const override;
  void waitUntil(std::uint64_t deadlineUs) override;
  void wakeAll() override;

  double speed() const { return m_speed; }

private:
  const std::chrono::steady_clock::time_point m_start;
  const double m_speed;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::uint64_t m_wakeEpoch = 0;
};

} // namespace tarsel::vesksim
