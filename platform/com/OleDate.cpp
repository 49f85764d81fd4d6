#include "platform/com/OleDate.h"

#include <cmath>
#include <cstdint>

namespace tarsel::com {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

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
      daysFromCivil(year, static_cast<unsigned>(f.tm_mon + 1), static_cast<unsigned>(f.tm_mday)) +
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
  std::int64_t y = 0;
  unsigned m = 0;
  unsigned d = 0;
  const std::int64_t unixDays = days - kEpochOffsetDays;
  civilFromDays(unixDays, y, m, d);
  std::tm f{};
  f.tm_year = static_cast<int>(y - 1900);
  f.tm_mon = static_cast<int>(m) - 1;
  f.tm_mday = static_cast<int>(d);
  f.tm_hour = static_cast<int>(seconds / 3600);
  f.tm_min = static_cast<int>(seconds / 60 % 60);
  f.tm_sec = static_cast<int>(seconds % 60);
  f.tm_wday = static_cast<int>(((unixDays % 7) + 11) % 7); // 1970-01-01 was a Thursday
  f.tm_yday = static_cast<int>(unixDays - daysFromCivil(y, 1, 1));
  f.tm_isdst = -1;
  return f;
}

} // namespace tarsel::com
