#include "env/TarselFileTime.h"

#include "env/LocalClock.h"

#include "platform/CivilDays.h"
#include "platform/Win32Error.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <optional>
#include <string>
#include <string_view>

namespace tarsel::env {
namespace {

using tarsel::platform::CivilDate;
using tarsel::platform::CivilFromDays;
using tarsel::platform::DaysFromCivil;

constexpr std::uint64_t kUnitsPerSecond = 10'000'000;
constexpr std::uint64_t kUnitsPerMillisecond = 10'000;
constexpr std::uint64_t kSecondsPerDay = 86'400;
constexpr std::uint64_t kUnitsPerDay = kUnitsPerSecond * kSecondsPerDay;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDeltaSeconds = 11'644'473'600;
constexpr std::uint64_t kEpochDeltaUnits = 116'444'736'000'000'000;
// Counts with the top bit set have no calendar form.
constexpr std::uint64_t kLargestCalendarCount = 0x7FFFFFFFFFFFFFFFull;

std::uint64_t toCount(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME toFileTime(std::uint64_t count) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(count & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(count >> 32);
  return ft;
}

bool isLeapYear(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && isLeapYear(year))
    return 29;
  return kDays[month - 1];
}

// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDays1601 = -DaysFromCivil(1601, 1, 1);

// 0 when a field is out of range; no field is normalised into another.
std::uint64_t countFromSystemTime(const SYSTEMTIME& st) {
  if (st.wYear < 1601 || st.wYear > 30827)
    return 0;
  if (st.wMonth < 1 || st.wMonth > 12)
    return 0;
  if (st.wDay < 1 || st.wDay > daysInMonth(st.wYear, st.wMonth))
    return 0;
  if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 || st.wMilliseconds > 999)
    return 0;
  const auto days = static_cast<std::uint64_t>(DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDays1601);
  const std::uint64_t seconds = days * kSecondsPerDay + st.wHour * 3600u + st.wMinute * 60u + st.wSecond;
  return seconds * kUnitsPerSecond + st.wMilliseconds * kUnitsPerMillisecond;
}

// False (and all fields 0) for a count that has no calendar form.
bool systemTimeFromCount(std::uint64_t count, SYSTEMTIME& st) {
  st = SYSTEMTIME{};
  if (count > kLargestCalendarCount)
    return false;
  const std::uint64_t days = count / kUnitsPerDay;
  std::uint64_t rest = count % kUnitsPerDay;
  const CivilDate date = CivilFromDays(static_cast<std::int64_t>(days) - kDays1601);
  st.wYear = static_cast<WORD>(date.year);
  st.wMonth = static_cast<WORD>(date.month);
  st.wDay = static_cast<WORD>(date.day);
  // 1601-01-01 was a Monday; Sunday is 0.
  st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);
  st.wHour = static_cast<WORD>(rest / (3600 * kUnitsPerSecond));
  rest %= 3600 * kUnitsPerSecond;
  st.wMinute = static_cast<WORD>(rest / (60 * kUnitsPerSecond));
  rest %= 60 * kUnitsPerSecond;
  st.wSecond = static_cast<WORD>(rest / kUnitsPerSecond);
  rest %= kUnitsPerSecond;
  st.wMilliseconds = static_cast<WORD>(rest / kUnitsPerMillisecond);
  return true;
}

// Whole seconds relative to 1970 and the 100-ns units within that second.
struct SplitCount {
  std::int64_t unixSeconds;
  std::uint64_t fraction;
};

SplitCount splitCount(std::uint64_t count) {
  return {static_cast<std::int64_t>(count / kUnitsPerSecond) - kEpochDeltaSeconds, count % kUnitsPerSecond};
}

// Back to a count; false when the seconds lie outside the count's range.
bool joinCount(std::int64_t unixSeconds, std::uint64_t fraction, std::uint64_t& count) {
  if (unixSeconds < -kEpochDeltaSeconds)
    return false;
  const auto seconds = static_cast<std::uint64_t>(unixSeconds + kEpochDeltaSeconds);
  if (seconds > (UINT64_MAX - fraction) / kUnitsPerSecond)
    return false;
  count = seconds * kUnitsPerSecond + fraction;
  return true;
}

// The value taken as UTC, shifted by the local offset in force at that moment.
bool utcToLocal(std::uint64_t utc, std::uint64_t& local) {
  const SplitCount split = splitCount(utc);
  const std::optional<std::int64_t> offset = UtcOffsetAt(split.unixSeconds);
  return offset && joinCount(split.unixSeconds + *offset, split.fraction, local);
}

// The value taken as local calendar time, resolved by the suite's one rule
// for times that occur twice or not at all (see LocalClock.h).
bool localToUtc(std::uint64_t local, std::uint64_t& utc) {
  const SplitCount split = splitCount(local);
  const std::optional<std::int64_t> seconds = LocalSecondsToUtc(split.unixSeconds);
  return seconds && joinCount(*seconds, split.fraction, utc);
}

// The locale the user chose for dates, by the usual precedence.
std::string_view timeLocaleName() {
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value)
      return value;
  }
  return "C";
}

bool isPlainCLocale(std::string_view name) {
  return name == "C" || name == "POSIX" || name.starts_with("C.");
}

// The user's short date: the "%x" of the time locale; four-digit years in the C locale.
std::string shortDate(const SYSTEMTIME& st) {
  std::tm tm{};
  tm.tm_year = st.wYear - 1900;
  tm.tm_mon = st.wMonth > 0 ? st.wMonth - 1 : 0;
  tm.tm_mday = st.wDay;
  tm.tm_wday = st.wDayOfWeek;
  tm.tm_hour = st.wHour;
  tm.tm_min = st.wMinute;
  tm.tm_sec = st.wSecond;
  if (st.wMonth >= 1 && st.wMonth <= 12) {
    int yday = st.wDay - 1;
    for (unsigned m = 1; m < st.wMonth; ++m)
      yday += static_cast<int>(daysInMonth(st.wYear, m));
    tm.tm_yday = yday;
  }
  tm.tm_isdst = -1;

  char text[261] = {};
  const char* format = "%x";
  locale_t locale = static_cast<locale_t>(nullptr);
  if (isPlainCLocale(timeLocaleName()))
    format = "%m/%d/%Y";
  else
    locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (!locale) {
    // An unknown locale name falls back to the C locale.
    format = "%m/%d/%Y";
    locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
  }
  if (!locale)
    return {};
  const std::size_t n = strftime_l(text, sizeof text, format, &tm, locale);
  freelocale(locale);
  return std::string(text, n);
}

} // namespace
} // namespace tarsel::env

using namespace tarsel::env;

TarselFileTime::TarselFileTime(bool local) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::uint64_t count = 0;
  if (!joinCount(now.tv_sec, static_cast<std::uint64_t>(now.tv_nsec) / 100, count))
    count = 0;
  if (local && !utcToLocal(count, count))
    count = 0;
  m_ft = toFileTime(count);
}

TarselFileTime::TarselFileTime(const SYSTEMTIME& st) : m_ft(toFileTime(countFromSystemTime(st))) {}

TarselFileTime::TarselFileTime(const FILETIME& ft, std::int64_t offsetMs)
    : m_ft(toFileTime(toCount(ft) + static_cast<std::uint64_t>(offsetMs) * kUnitsPerMillisecond)) {}

TarselFileTime::TarselFileTime(std::int64_t count) : m_ft(toFileTime(static_cast<std::uint64_t>(count))) {}

TarselFileTime& TarselFileTime::operator=(const FILETIME& ft) {
  m_ft = ft;
  return *this;
}

TarselFileTime& TarselFileTime::operator=(std::int64_t count) {
  m_ft = toFileTime(static_cast<std::uint64_t>(count));
  return *this;
}

TarselFileTime::operator std::int64_t() const {
  return static_cast<std::int64_t>(toCount(m_ft));
}

// Additions wrap around modulo 2^64, as the 64-bit sum with carry does.
TarselFileTime& TarselFileTime::operator+=(std::int64_t units) {
  m_ft = toFileTime(toCount(m_ft) + static_cast<std::uint64_t>(units));
  return *this;
}

TarselFileTime& TarselFileTime::operator-=(std::int64_t units) {
  m_ft = toFileTime(toCount(m_ft) - static_cast<std::uint64_t>(units));
  return *this;
}

TarselFileTime& TarselFileTime::operator+=(const FILETIME& ft) {
  m_ft = toFileTime(toCount(m_ft) + toCount(ft));
  return *this;
}

TarselFileTime& TarselFileTime::operator-=(const FILETIME& ft) {
  m_ft = toFileTime(toCount(m_ft) - toCount(ft));
  return *this;
}

bool TarselFileTime::operator<(const FILETIME& other) const {
  return CompareFileTime(m_ft, other) < 0;
}
bool TarselFileTime::operator>(const FILETIME& other) const {
  return CompareFileTime(m_ft, other) > 0;
}
bool TarselFileTime::operator<=(const FILETIME& other) const {
  return CompareFileTime(m_ft, other) <= 0;
}
bool TarselFileTime::operator>=(const FILETIME& other) const {
  return CompareFileTime(m_ft, other) >= 0;
}
bool TarselFileTime::operator==(const FILETIME& other) const {
  return CompareFileTime(m_ft, other) == 0;
}
bool TarselFileTime::operator!=(const FILETIME& other) const {
  return CompareFileTime(m_ft, other) != 0;
}

bool TarselFileTime::IsValid() const {
  const std::uint64_t count = toCount(m_ft);
  return count != 0 && count != UINT64_MAX;
}

void TarselFileTime::GetLocalTime(FILETIME& out) const {
  std::uint64_t local = 0;
  out = utcToLocal(toCount(m_ft), local) ? toFileTime(local) : m_ft;
}

void TarselFileTime::GetUniversalTime(FILETIME& out) const {
  std::uint64_t utc = 0;
  out = localToUtc(toCount(m_ft), utc) ? toFileTime(utc) : m_ft;
}

void TarselFileTime::GetSysTime(SYSTEMTIME& out, bool local) const {
  std::uint64_t count = toCount(m_ft);
  if (local) {
    FILETIME converted;
    GetLocalTime(converted);
    count = toCount(converted);
  }
  systemTimeFromCount(count, out);
}

DWORD TarselFileTime::GetString(char* buffer, unsigned long& length, bool local) const {
  SYSTEMTIME st;
  GetSysTime(st, local);
  std::string text = shortDate(st);
  char time[32];
  std::snprintf(time, sizeof time, "   %02u:%02u:%02u", static_cast<unsigned>(st.wHour),
                static_cast<unsigned>(st.wMinute), static_cast<unsigned>(st.wSecond));
  text += time;

  const unsigned long needed = static_cast<unsigned long>(text.size()) + 1;
  const unsigned long available = length;
  length = needed;
  if (!buffer || available < needed)
    return ERROR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), needed);
  return ERROR_SUCCESS;
}

long CompareFileTime(const FILETIME& a, const FILETIME& b) {
  const std::uint64_t x = toCount(a);
  const std::uint64_t y = toCount(b);
  if (x < y)
    return -1;
  return x > y ? 1 : 0;
}
