#include "app/cameras/canon/CanonCameraClock.h"

#include "env/TarselFileTime.h"

#include <ctime>

namespace tarsel::canon {

namespace {

// 100-ns units from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpoch = 116444736000000000LL;
constexpr std::int64_t kUnitsPerSecond = 10000000LL;

} // namespace

FILETIME CameraClockToFileTime(std::uint32_t seconds) {
  const std::time_t wall = static_cast<std::time_t>(seconds);
  std::tm fields{};
  gmtime_r(&wall, &fields);
  fields.tm_isdst = -1; // the rules of that date decide
  const std::time_t utc = std::mktime(&fields);
  return TarselFileTime(kUnixEpoch + static_cast<std::int64_t>(utc) * kUnitsPerSecond).fileTime();
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
