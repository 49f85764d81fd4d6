// Calendar days of the proleptic Gregorian calendar as a count of days since
// 1 January 1970, both ways; any year the 64-bit count can hold.
//
// Threads: any.
#pragma once

#include <cstdint>

namespace tarsel::platform {

struct CivilDate {
  std::int64_t year;
  unsigned month; // 1..12
  unsigned day;   // 1..31
};

// Days since 1970-01-01 of a date (month 1..12, day 1..31).
constexpr std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yoe = year - era * 400;
  const std::int64_t mp = month > 2 ? month - 3 : month + 9;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The date `days` after 1970-01-01 (before it when negative).
constexpr CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const auto day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  const auto month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  return {era * 400 + yoe + (month <= 2 ? 1 : 0), month, day};
}

} // namespace tarsel::platform
