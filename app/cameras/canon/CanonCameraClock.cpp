#include "app/cameras/canon/CanonCameraClock.h"

#include "env/LocalClock.h"
#include "env/TarselFileTime.h"

#include <ctime>

namespace tarsel::canon {

namespace {

// 100-ns units from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpoch = 116444736000000000LL;
constexpr std::int64_t kUnitsPerSecond = 10000000LL;

} // namespace

FILETIME CameraClockToFileTime(std::uint32_t seconds) {
  // The camera counts local wall-clock seconds; one it cannot place stays as it is.
  const std::int64_t wall = seconds;
  const std::int64_t utc = tarsel::env::LocalSecondsToUtc(wall).value_or(wall);
  return TarselFileTime(kUnixEpoch + utc * kUnitsPerSecond).fileTime();
}

std::uint32_t FileTimeToCameraClock(const FILETIME& time) {
  const std::int64_t units = static_cast<std::int64_t>(TarselFileTime(time, 0)) - kUnixEpoch;
  // Whole seconds, rounded towards the past.
  const std::time_t utc = static_cast<std::time_t>(
      units >= 0 ? units / kUnitsPerSecond : -((-units + kUnitsPerSecond - 1) / kUnitsPerSecond));
  std::tm fields{};
  localtime_r(&utc, &fields);
  return static_cast<std::uint32_t>(timegm(&fields));
}

} // namespace tarsel::canon
