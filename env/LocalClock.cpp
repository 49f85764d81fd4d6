#include "env/LocalClock.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <mutex>

namespace tarsel::env {
namespace {

// No zone is more than 26 hours off UTC: every moment a local time can name
// lies within this window around it.
constexpr std::int64_t kWindow = 26 * 3600;

// tzset() rewrites the C library's time-zone globals, which localtime_r
// reads: one lock serialises every conversion.
std::mutex& timeZoneLock() {
  static std::mutex lock;
  return lock;
}

std::optional<std::int64_t> offsetLocked(std::int64_t utcSeconds) {
  if (utcSeconds < std::numeric_limits<std::time_t>::min() ||
      utcSeconds > std::numeric_limits<std::time_t>::max())
    return std::nullopt;
  const auto t = static_cast<std::time_t>(utcSeconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm))
    return std::nullopt;
  return tm.tm_gmtoff;
}

} // namespace

std::optional<std::int64_t> UtcOffsetAt(std::int64_t utcSeconds) {
  std::lock_guard guard(timeZoneLock());
  tzset();
  return offsetLocked(utcSeconds);
}

std::optional<std::int64_t> LocalSecondsToUtc(std::int64_t local) {
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 2;
  if (local < -kLimit || local > kLimit)
    return std::nullopt;
  std::lock_guard guard(timeZoneLock());
  tzset();
  // The offsets in force around the time; each that agrees with the moment
  // it gives names one occurrence of the time. The earliest wins.
  std::optional<std::int64_t> earliest;
  for (const std::int64_t probe : {local - kWindow, local, local + kWindow}) {
    const std::optional<std::int64_t> offset = offsetLocked(probe);
    if (!offset)
      return std::nullopt;
    const std::int64_t candidate = local - *offset;
    const std::optional<std::int64_t> there = offsetLocked(candidate);
    if (there && *there == *offset)
      earliest = earliest ? std::min(*earliest, candidate) : candidate;
  }
  if (earliest)
    return earliest;
  // In a gap. Within the window the local time only grows across it, so the
  // change is found by halving: the first second whose local time is not
  // before `local`.
  std::int64_t before = local - kWindow;
  std::int64_t after = local + kWindow;
  while (after - before > 1) {
    const std::int64_t middle = before + (after - before) / 2;
    const std::optional<std::int64_t> offset = offsetLocked(middle);
    if (!offset)
      return std::nullopt;
    (middle + *offset < local ? before : after) = middle;
  }
  return after;
}

} // namespace tarsel::env
