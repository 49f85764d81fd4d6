// A point in time as a 64-bit count of 100-ns units since 1 January 1601
// (a FILETIME). The value does not record whether it is UTC or local time:
// the constructor or the caller decides.
#pragma once

#include "TarselEnv_export.h"
#include "hostapi/Win32Types.h"

#include <cstdint>

class TARSELENV_EXPORT TarselFileTime {
public:
  // The current time; converted to local time when `local` is true.
  explicit TarselFileTime(bool local = false);
  // From calendar fields; 0 when a field is out of range.
  explicit TarselFileTime(const SYSTEMTIME& st);
  // `ft` plus `offsetMs` milliseconds.
  TarselFileTime(const FILETIME& ft, std::int64_t offsetMs);
  explicit TarselFileTime(std::int64_t count);

  TarselFileTime& operator=(const FILETIME& ft);
  TarselFileTime& operator=(std::int64_t count);

  operator std::int64_t() const;
  operator FILETIME*() { return &m_ft; }
  operator const FILETIME*() const { return &m_ft; }
  FILETIME* operator&() { return &m_ft; }
  const FILETIME* operator&() const { return &m_ft; }
  const FILETIME& fileTime() const { return m_ft; }

  TarselFileTime& operator+=(std::int64_t units);
  TarselFileTime& operator-=(std::int64_t units);
  TarselFileTime& operator+=(const FILETIME& ft);
  TarselFileTime& operator-=(const FILETIME& ft);

  bool operator<(const FILETIME& other) const;
  bool operator>(const FILETIME& other) const;
  bool operator<=(const FILETIME& other) const;
  bool operator>=(const FILETIME& other) const;
  bool operator==(const FILETIME& other) const;
  bool operator!=(const FILETIME& other) const;

  // False for 0 and for all 64 bits set.
  bool IsValid() const;
  // The value taken as UTC, converted to local time.
  void GetLocalTime(FILETIME& out) const;
  // The value taken as local time, converted to UTC. A time that occurs
  // twice (the clocks go back) is its first occurrence, the earlier moment; a
  // time that a change skips is the moment of the change (LocalClock.h).
  void GetUniversalTime(FILETIME& out) const;
  // Calendar fields, converted to local time first when `local` is true.
  void GetSysTime(SYSTEMTIME& out, bool local) const;
  // "short date" + three blanks + 24-hour time. `length`: the buffer's size
  // on entry, the needed size (with NUL) on return. Returns 0, or 122 when
  // the buffer is too small (nothing is written then).
  DWORD GetString(char* buffer, unsigned long& length, bool local) const;

private:
  FILETIME m_ft;
};

// Compares two FILETIMEs: -1, 0 or 1.
TARSELENV_EXPORT long CompareFileTime(const FILETIME& a, const FILETIME& b);
