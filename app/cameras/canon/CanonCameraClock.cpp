#include "app/cameras/canon/CanonCameraClock.h"

#include <ctime>

namespace tarsel::canon {

namespace {

// 100-ns units from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpoch = 116444736000000000LL;
constexpr std::int64_t kUnitsPerSecond = 10000000LL;

FILETIME fileTimeOf(std::int64_t units) {
  FILETIME time;
  const auto value = static_cast<std::uint64_t>(units);
  time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

std::int64_t unitsOf(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

} // namespace

FILETIME CameraClockToFileTime(std::uint32_t seconds) {
  const std::time_t wall = static_cast<std::time_t>(seconds);
  std::tm fields{};
  gmtime_r(&wall, &fields);
  fields.tm_isdst = -1; // the rules of that date decide
  const std::time_t utc = std::mktime(&fields);
  return fileTimeOf(kUnixEpoch + static_cast<std::int64_t>(utc) * kUnitsPerSecond);
}

std::uint32_t FileTimeToCameraClock(const FILETIME& time) {
  const std::int64_t units = unitsOf(time) - kUnixEpoch;
  // Whole seconds, rounded towards the past.
  const std::time_t utc = static_cast<std::time_t>(
      units >= 0 ? units / kUnitsPerSecond : -((-units + kUnitsPerSecond - 1) / kUnitsPerSecond));
  std::tm fields{};
  localtime_r(&utc, &fields);
  return static_cast<std::uint32_t>(timegm(&fields));
}

} // namespace tarsel::canon
