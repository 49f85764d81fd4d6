// How long the calling thread's camera calls may go on without an answer
// from the camera. A caller that bounds its own calls sets it (0: no limit,
// the protocol's own waits alone decide). Every answer starts the time
// again, so a transfer that keeps coming is never cut short; once the time
// has run out, waits end at once and exchanges give up as "not responding".
// Kept per thread: one caller's limit never shortens another's calls.
#pragma once

#include <cstdint>

namespace tarsel::vantic {

class CallTimeLimit {
public:
  static void set(int milliseconds);
  static int limitMs();
  // The camera answered: the time starts again.
  static void answered();
  static bool expired();
  // A wait of `ms`, shortened to what is left of the limit.
  static int clampMs(int ms);
  // A read time-out in 10 ms units likewise (never below one unit while time is left).
  static int clampUnits(int units);
};

} // namespace tarsel::vantic
