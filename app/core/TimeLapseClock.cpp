#include "app/core/TimeLapseClock.h"

#include "env/TarselFileTime.h"

namespace tarsel::core {
namespace {

class SystemClock : public ITimeLapseClock {
public:
  std::int64_t Now() const override { return static_cast<std::int64_t>(TarselFileTime(false)); }
};

} // namespace

ITimeLapseClock& SystemTimeLapseClock() {
  static SystemClock clock;
  return clock;
}

} // namespace tarsel::core
