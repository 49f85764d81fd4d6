#include "sim/vesk/VeskSimRealClock.h"

namespace tarsel::vesksim {

VeskSimRealClock::VeskSimRealClock(double speed)
    : m_start(std::chrono::steady_clock::now()), m_speed(speed > 0 ? speed : 1.0) {}

std::uint64_t VeskSimRealClock::nowUs() const {
  const auto elapsed = std::chrono::steady_clock::now() - m_start;
  const double us = std::chrono::duration<double, std::micro>(elapsed).count() * m_speed;
  return us > 0 ? static_cast<std::uint64_t>(us) : 0;
}

void VeskSimRealClock::waitUntil(std::uint64_t deadlineUs) {
  std::unique_lock lock(m_mutex);
  const std::uint64_t epoch = m_wakeEpoch;
  const std::uint64_t now = nowUs();
  if (deadlineUs <= now)
    return;
  const double realUs = static_cast<double>(deadlineUs - now) / m_speed;
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::microseconds(static_cast<std::int64_t>(realUs) + 1);
  m_wake.wait_until(lock, until, [&] { return m_wakeEpoch != epoch; });
}

void VeskSimRealClock::wakeAll() {
  {
    std::lock_guard lock(m_mutex);
    ++m_wakeEpoch;
  }
  m_wake.notify_all();
}

} // namespace tarsel::vesksim
