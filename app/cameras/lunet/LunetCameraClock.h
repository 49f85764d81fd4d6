// The camera clock's two forms: the control keeps it as an automation date
// in the camera's local time (days since 30 December 1899, the fraction the
// time of day), the family hands it out as a file time in UTC (100 ns units
// since 1601). One conversion each way, through the C library's local time
// with the time-zone rules (TZ), so a date across a daylight-saving change
// gets the offset of its own day; a local time that occurs twice or not at
// all is resolved by the suite's one rule (env/LocalClock.h). Whole seconds:
// the camera keeps no less.
//
// Threads: any. Failure: false when a time has no
// form on the other side (outside 1601 ... 9999, or not a number).
#pragma once

#include "hostapi/Win32Types.h"

namespace tarsel::lunet {

bool CameraDateToFileTime(double date, FILETIME* time);
bool FileTimeToCameraDate(const FILETIME& time, double* date);

} // namespace tarsel::lunet
