#include "vantic/CallTimeLimit.h"

#include "vantic/Tick.h"

#include <algorithm>

namespace tarsel::vantic {

namespace {

struct Limit {
  int ms = 0;
  std::int64_t deadline = 0;
};

thread_local Limit t_limit;

std::int64_t remainingMs() {
  return std::max<std::int64_t>(t_limit.deadline - Tick::nowMs(), 0);
}

} // namespace

void CallTimeLimit::set(int milliseconds) {
  t_limit.ms = std::max(milliseconds, 0);
  t_limit.deadline = Tick::nowMs() + t_limit.ms;
}

int CallTimeLimit::limitMs() {
  return t_limit.ms;
}

void CallTimeLimit::answered() {
  if (t_limit.ms > 0)
    t_limit.deadline = Tick::nowMs() + t_limit.ms;
}

bool CallTimeLimit::expired() {
  return t_limit.ms > 0 && remainingMs() == 0;
}

int CallTimeLimit::clampMs(int ms) {
  if (t_limit.ms == 0)
    return ms;
  return static_cast<int>(std::min<std::int64_t>(ms, remainingMs()));
}

int CallTimeLimit::clampUnits(int units) {
  if (t_limit.ms == 0)
    return units;
  const std::int64_t left = (remainingMs() + 9) / 10;
  return static_cast<int>(std::min<std::int64_t>(units, left));
}

} // namespace tarsel::vantic
