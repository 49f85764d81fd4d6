// Win32 error numbers and HRESULTs as this suite uses them on Linux: the
// numbers keep their Windows values, the calling thread's last error is kept
// as Windows keeps it, errno values are mapped onto the nearest Win32 number,
// and the "system message" of a number comes from one table of our own.
#pragma once

#include "hostapi/Win32Types.h"
#include "tarselplatform_export.h"

#include <optional>
#include <string>

// Win32 error numbers that cross module boundaries.
enum : DWORD {
  ERROR_SUCCESS = 0,
  ERROR_INVALID_FUNCTION = 1,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_TOO_MANY_OPEN_FILES = 4,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_HANDLE = 6,
  ERROR_NOT_ENOUGH_MEMORY = 8,
  ERROR_INVALID_DATA = 13,
  ERROR_OUTOFMEMORY = 14,
  ERROR_NO_MORE_FILES = 18,
  ERROR_WRITE_PROTECT = 19,
  ERROR_NOT_READY = 21,
  ERROR_BAD_LENGTH = 24,
  ERROR_WRITE_FAULT = 29,
  ERROR_READ_FAULT = 30,
  ERROR_GEN_FAILURE = 31,
  ERROR_SHARING_VIOLATION = 32,
  ERROR_HANDLE_EOF = 38,
  ERROR_NOT_SUPPORTED = 50,
  ERROR_DEV_NOT_EXIST = 55,
  ERROR_FILE_EXISTS = 80,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_BROKEN_PIPE = 109,
  ERROR_BUFFER_OVERFLOW = 111,
  ERROR_DISK_FULL = 112,
  ERROR_SEM_TIMEOUT = 121,
  ERROR_INSUFFICIENT_BUFFER = 122,
  ERROR_INVALID_NAME = 123,
  ERROR_MOD_NOT_FOUND = 126,
  ERROR_PROC_NOT_FOUND = 127,
  ERROR_DIR_NOT_EMPTY = 145,
  ERROR_BUSY = 170,
  ERROR_ALREADY_EXISTS = 183,
  ERROR_FILENAME_EXCED_RANGE = 206,
  ERROR_MORE_DATA = 234,
  ERROR_NO_MORE_ITEMS = 259,
  ERROR_DIRECTORY = 267,
  ERROR_OPERATION_ABORTED = 995,
  ERROR_IO_PENDING = 997,
  ERROR_NOACCESS = 998,
  ERROR_BADKEY = 1010,
  ERROR_CANTOPEN = 1011,
  ERROR_CANTREAD = 1012,
  ERROR_CANTWRITE = 1013,
  ERROR_KEY_DELETED = 1018,
  ERROR_CANT_RESOLVE_FILENAME = 1921,
  ERROR_DEVICE_NOT_CONNECTED = 1167,
  ERROR_NOT_FOUND = 1168,
  ERROR_CANCELLED = 1223,
  ERROR_CONNECTION_REFUSED = 1225,
  ERROR_INVALID_WINDOW_HANDLE = 1400,
  ERROR_TIMEOUT = 1460,
  WSAEINTR = 10004,
  WSAEWOULDBLOCK = 10035,
  WSAEADDRINUSE = 10048,
  WSAEADDRNOTAVAIL = 10049,
  WSAENETDOWN = 10050,
  WSAENETUNREACH = 10051,
  WSAECONNABORTED = 10053,
  WSAECONNRESET = 10054,
  WSAENOTCONN = 10057,
  WSAETIMEDOUT = 10060,
  WSAECONNREFUSED = 10061,
  WSAEHOSTUNREACH = 10065,
  WSAHOST_NOT_FOUND = 11001,
  WSANO_DATA = 11004,
};

// HRESULTs that cross module boundaries.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

// The calling thread's last error, as GetLastError/SetLastError keep it.
TARSELPLATFORM_EXPORT DWORD GetLastError();
TARSELPLATFORM_EXPORT void SetLastError(DWORD error);

// The Win32 number that stands for an errno value; ERROR_GEN_FAILURE for a
// value without a closer match, ERROR_SUCCESS for 0.
TARSELPLATFORM_EXPORT DWORD Win32FromErrno(int errnoValue);

// Sets the last error from errno and returns the Win32 number it set.
TARSELPLATFORM_EXPORT DWORD SetLastErrorFromErrno();

// The system's message text for a Win32 number or an HRESULT, ending with
// CR LF as the system's texts do; no value for a number it does not know.
// An HRESULT of the Win32 facility (0x8007xxxx) reads as its Win32 number.
TARSELPLATFORM_EXPORT std::optional<std::string> SystemMessageText(DWORD code);
