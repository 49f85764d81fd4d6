// The library's tick counter and pauses: milliseconds of the monotonic clock
// (never the wall clock, so a clock change cannot stretch a time-out), and
// sleeps that last at least what was asked. Any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

namespace tarsel::vantic {

class Tick {
public:
  static std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  static std::int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  static void sleepMs(std::int64_t ms) {
    if (ms > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  static void sleepUs(std::int64_t us) {
    if (us > 0)
      std::this_thread::sleep_for(std::chrono::microseconds(us));
  }
};

} // namespace tarsel::vantic
