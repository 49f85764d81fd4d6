#include "app/cameras/lunet/LunetCameraClock.h"

#include <cmath>
#include <cstdint>
#include <ctime>

namespace tarsel::lunet {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 30 December 1899 to 1 January 1970.
constexpr std::int64_t kDateEpochDays = 25569;
// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kFileTimeEpochSeconds = 11644473600;
constexpr std::int64_t kUnitsPerSecond = 10000000;
// 1 January 100 and 31 December 9999 as dates: the range dates can hold.
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958465.999999;

// Days since 1 January 1970 of a calendar day, and back (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, std::int64_t& m, std::int64_t& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2);
}

} // namespace

bool CameraDateToFileTime(double date, FILETIME* time) {
  if (!time || !std::isfinite(date) || date < kFirstDate || date > kLastDate)
    return false;
  // Before the epoch day the fraction still counts forward from midnight
  // (-1.25 is 29 December 1899, 06:00).
  const double whole = std::trunc(date);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(date - whole) * kSecondsPerDay));
  auto days = static_cast<std::int64_t>(whole);
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    ++days;
  }
  std::int64_t year = 0, month = 0, day = 0;
  civilFromDays(days - kDateEpochDays, year, month, day);
  // Every field in its range: mktime picks the day's offset from the fields
  // as given, before it carries any over.
  std::tm local{};
  local.tm_year = static_cast<int>(year - 1900);
  local.tm_mon = static_cast<int>(month - 1);
  local.tm_mday = static_cast<int>(day);
  local.tm_hour = static_cast<int>(seconds / 3600);
  local.tm_min = static_cast<int>(seconds / 60 % 60);
  local.tm_sec = static_cast<int>(seconds % 60);
  local.tm_isdst = -1;
  local.tm_wday = -1; // mktime sets it only when it succeeds
  const std::time_t utc = std::mktime(&local);
  if (local.tm_wday < 0)
    return false;
  const std::int64_t sinceFileEpoch = static_cast<std::int64_t>(utc) + kFileTimeEpochSeconds;
  if (sinceFileEpoch < 0)
    return false;
  const auto units = static_cast<std::uint64_t>(sinceFileEpoch) * kUnitsPerSecond;
  time->dwLowDateTime = static_cast<DWORD>(units & 0xFFFFFFFFu);
  time->dwHighDateTime = static_cast<DWORD>(units >> 32);
  return true;
}

bool FileTimeToCameraDate(const FILETIME& time, double* date) {
  if (!date)
    return false;
  const std::uint64_t units = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  const std::time_t utc =
      static_cast<std::time_t>(static_cast<std::int64_t>(units / kUnitsPerSecond) - kFileTimeEpochSeconds);
  std::tm local{};
  if (!localtime_r(&utc, &local) || local.tm_year + 1900 > 9999)
    return false;
  const std::int64_t days =
      daysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) + kDateEpochDays;
  const std::int64_t seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  // Before the epoch day the time of day is added to the day's magnitude.
  *date = days >= 0 ? static_cast<double>(days) + static_cast<double>(seconds) / kSecondsPerDay
                    : static_cast<double>(days) - static_cast<double>(seconds) / kSecondsPerDay;
  return true;
}

} // namespace tarsel::lunet
