// Local wall-clock time and UTC, by the time zone's rules (TZ is read again
// on every call, so a changed zone takes effect at once). Times are whole
// seconds since 1970-01-01; a local time is written as if it were UTC.
//
// Every local-to-UTC conversion of the suite goes through LocalSecondsToUtc,
// so that one wall-clock time always names the same moment, whatever was
// converted before:
// - a time that occurs once is that moment;
// - a time that occurs twice (the clocks go back, 02:30 on the autumn change)
//   is its first occurrence, the earlier moment, under the offset in force
//   before the change;
// - a time that a change skips (02:30 when the clocks go from 02:00 to 03:00)
//   is the moment of the change: the first second whose local time is not
//   before it.
//
// Threads: any; the C library's time-zone state is read under one lock.
#pragma once

#include "TarselEnv_export.h"

#include <cstdint>
#include <optional>

namespace tarsel::env {

// The local offset from UTC, in seconds, in force at `utcSeconds`; empty when
// the C library cannot place that moment.
TARSELENV_EXPORT std::optional<std::int64_t> UtcOffsetAt(std::int64_t utcSeconds);

// The moment the local wall-clock time `localSeconds` names, by the rules
// above; empty when it lies outside what the C library can place.
TARSELENV_EXPORT std::optional<std::int64_t> LocalSecondsToUtc(std::int64_t localSeconds);

} // namespace tarsel::env
