#include "platform/com/OleDate.h"

#include "platform/CivilDays.h"

#include <cmath>
#include <cstdint>

namespace tarsel::com {

namespace {

using tarsel::platform::CivilFromDays;
using tarsel::platform::DaysFromCivil;

constexpr std::int64_t kEpochOffsetDays = 25569; // 1899-12-30 to 1970-01-01
constexpr int kSecondsPerDay = 86400;
constexpr double kMinDate = -657434.0; // 1 January 100
constexpr double kMaxDate = 2958466.0; // 1 January 10000

} // namespace

std::optional<DATE> DateFromFields(const std::tm& f) {
  const int year = f.tm_year + 1900;
  if (year < 100 || year > 9999 || f.tm_mon < 0 || f.tm_mon > 11 || f.tm_mday < 1 || f.tm_mday > 31 ||
      f.tm_hour < 0 || f.tm_hour > 23 || f.tm_min < 0 || f.tm_min > 59 || f.tm_sec < 0 || f.tm_sec > 59)
    return std::nullopt;
  const std::int64_t days =
      DaysFromCivil(year, static_cast<unsigned>(f.tm_mon + 1), static_cast<unsigned>(f.tm_mday)) +
      kEpochOffsetDays;
  const double fraction = (f.tm_hour * 3600 + f.tm_min * 60 + f.tm_sec) / static_cast<double>(kSecondsPerDay);
  // Before day 0 the whole part counts back while the fraction counts forward.
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::optional<std::tm> FieldsFromDate(DATE date) {
  if (!std::isfinite(date) || date < kMinDate || date >= kMaxDate)
    return std::nullopt;
  const double whole = std::trunc(date);
  const double fraction = std::fabs(date - whole);
  auto days = static_cast<std::int64_t>(whole);
  auto seconds = static_cast<std::int64_t>(std::llround(fraction * kSecondsPerDay));
  if (seconds >= kSecondsPerDay) { // rounded up to the next midnight
    seconds -= kSecondsPerDay;
    ++days;
  }
  const std::int64_t unixDays = days - kEpochOffsetDays;
  const tarsel::platform::CivilDate civil = CivilFromDays(unixDays);
  std::tm f{};
  f.tm_year = static_cast<int>(civil.year - 1900);
  f.tm_mon = static_cast<int>(civil.month) - 1;
  f.tm_mday = static_cast<int>(civil.day);
  f.tm_hour = static_cast<int>(seconds / 3600);
  f.tm_min = static_cast<int>(seconds / 60 % 60);
  f.tm_sec = static_cast<int>(seconds % 60);
  f.tm_wday = static_cast<int>(((unixDays % 7) + 11) % 7); // 1970-01-01 was a Thursday
  f.tm_yday = static_cast<int>(unixDays - DaysFromCivil(civil.year, 1, 1));
  f.tm_isdst = -1;
  return f;
}

} // namespace tarsel::com
