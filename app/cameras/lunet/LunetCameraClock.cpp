#include "app/cameras/lunet/LunetCameraClock.h"

#include "env/LocalClock.h"
#include "env/TarselFileTime.h"
#include "platform/com/OleDate.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <optional>

namespace tarsel::lunet {
namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kFileTimeEpochSeconds = 11644473600;
constexpr std::int64_t kUnitsPerSecond = 10000000;
// 31 December 9999 as a date: the last day dates can hold.
constexpr double kLastDate = 2958465.999999;

} // namespace

bool CameraDateToFileTime(double date, FILETIME* time) {
  if (!time || !std::isfinite(date) || date > kLastDate)
    return false;
  std::optional<std::tm> fields = tarsel::com::FieldsFromDate(date);
  if (!fields)
    return false;
  // Every field in its range: the fields name a local wall-clock time.
  std::tm local = *fields;
  const std::optional<std::int64_t> utc =
      tarsel::env::LocalSecondsToUtc(static_cast<std::int64_t>(timegm(&local)));
  if (!utc)
    return false;
  const std::int64_t sinceFileEpoch = *utc + kFileTimeEpochSeconds;
  if (sinceFileEpoch < 0)
    return false;
  *time = TarselFileTime(sinceFileEpoch * kUnitsPerSecond).fileTime();
  return true;
}

bool FileTimeToCameraDate(const FILETIME& time, double* date) {
  if (!date)
    return false;
  const auto units = static_cast<std::uint64_t>(static_cast<std::int64_t>(TarselFileTime(time, 0)));
  const std::time_t utc =
      static_cast<std::time_t>(static_cast<std::int64_t>(units / kUnitsPerSecond) - kFileTimeEpochSeconds);
  std::tm local{};
  if (!localtime_r(&utc, &local))
    return false;
  const std::optional<double> converted = tarsel::com::DateFromFields(local);
  if (!converted)
    return false;
  *date = *converted;
  return true;
}

} // namespace tarsel::lunet
