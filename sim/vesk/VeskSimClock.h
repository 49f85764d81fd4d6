// The time source of the camera simulator: busy times, "not ready" windows,
// the camera clock and request time-outs all run on it. Two kinds exist: a
// virtual clock that only moves when told (tests, in-process hosting) and a
// real clock with a speed factor (the daemon).
//
// Thread-safe: every member may be called from any thread.
#pragma once

#include <cstdint>

namespace tarsel::vesksim {

class VeskSimClock {
public:
  virtual ~VeskSimClock() = default;

  // Microseconds since the clock was made.
  virtual std::uint64_t nowUs() const = 0;

  // Returns once nowUs() >= deadline, or earlier after wakeAll(); callers
  // check the time again. A virtual clock jumps to the deadline at once.
  virtual void waitUntil(std::uint64_t deadlineUs) = 0;

  // Wakes every waitUntil() now in progress (unplug, shutdown).
  virtual void wakeAll() = 0;
};

} // namespace tarsel::vesksim
