// The one event pump of the main program's tests: it delivers the events of
// the calling (user-interface) thread, posted events, timers, socket
// notifiers and deferred deletes included, until a condition holds or the
// time is up. Between rounds it sleeps until the next event arrives, at most
// a millisecond, so a result posted by a worker is seen at once and a
// condition that another thread changes without posting is still polled.
// The time-outs are safety limits, not expectations.
#pragma once

#include <chrono>
#include <functional>

namespace tarsel::test {

// Whether the condition held before the time-out.
bool pumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Delivers events for about `time` (to see that nothing more happens).
void pumpFor(std::chrono::milliseconds time);

} // namespace tarsel::test
