// The Canon camera's clock: a 32-bit count of seconds that, read as UTC
// calendar time, gives the camera's local wall clock. Conversions to and
// from a UTC file time apply the computer's local-time rules for the date
// the clock stands for, so a summer date read in winter keeps its summer
// offset.
//
// Threads: any. Failure: none; a wall-clock time that occurs twice or not at
// all is resolved by the suite's one rule (env/LocalClock.h).
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>

namespace tarsel::canon {

FILETIME CameraClockToFileTime(std::uint32_t seconds);
std::uint32_t FileTimeToCameraClock(const FILETIME& time);

} // namespace tarsel::canon
