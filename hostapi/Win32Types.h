// The Windows data types and constants that cross module boundaries in this
// suite, with their Windows sizes. Codes and record layouts keep their values
// so that callers compare them exactly as the other modules expect.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using HRESULT = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;

// Opaque handles. A window handle stands for a widget of the GUI programs
// (a QWidget*), or null where a library has no window.
using HANDLE = void*;
using HWND = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A point in time: 100-ns units since 1 January 1601, low word first.
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

// Calendar fields of a point in time.
struct SYSTEMTIME {
  WORD wYear = 0;
  WORD wMonth = 0;
  WORD wDayOfWeek = 0;
  WORD wDay = 0;
  WORD wHour = 0;
  WORD wMinute = 0;
  WORD wSecond = 0;
  WORD wMilliseconds = 0;
};

constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}
constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}

constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return static_cast<HRESULT>(error) <= 0 ? static_cast<HRESULT>(error)
                                          : static_cast<HRESULT>((error & 0x0000FFFFu) | 0x80070000u);
}

constexpr DWORD HRESULT_FACILITY(HRESULT hr) {
  return (static_cast<DWORD>(hr) >> 16) & 0x1FFFu;
}
constexpr DWORD HRESULT_CODE(HRESULT hr) {
  return static_cast<DWORD>(hr) & 0xFFFFu;
}
