// The clock a time-lapse series runs by: the current time in UTC, as a count
// of 100-ns units since 1601 (a FILETIME's value). The program uses the
// system's clock; tests and the soak program hand in their own. Which thread
// reads it is the user's affair; the system clock may be read from any.
#pragma once

#include <cstdint>

class ITimeLapseClock {
public:
  virtual ~ITimeLapseClock() = default;
  virtual std::int64_t Now() const = 0;
};

namespace tarsel::core {

// The system's real-time clock (one object for the process).
ITimeLapseClock& SystemTimeLapseClock();

} // namespace tarsel::core
