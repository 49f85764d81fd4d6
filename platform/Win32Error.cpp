#include "platform/Win32Error.h"

#include <cerrno>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct ErrnoRow {
  int errnoValue;
  DWORD win32;
};

constexpr ErrnoRow kErrnoMap[] = {
    {EPERM, ERROR_ACCESS_DENIED},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ESRCH, ERROR_FILE_NOT_FOUND},
    {EINTR, ERROR_OPERATION_ABORTED},
    {EIO, ERROR_GEN_FAILURE},
    {ENXIO, ERROR_DEV_NOT_EXIST},
    {E2BIG, ERROR_BAD_LENGTH},
    {ENOEXEC, ERROR_INVALID_DATA},
    {EBADF, ERROR_INVALID_HANDLE},
    {EAGAIN, ERROR_BUSY},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EACCES, ERROR_ACCESS_DENIED},
    {EFAULT, ERROR_NOACCESS},
    {EBUSY, ERROR_BUSY},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {EXDEV, ERROR_NOT_SUPPORTED},
    {ENODEV, ERROR_DEV_NOT_EXIST},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EISDIR, ERROR_DIRECTORY},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EFBIG, ERROR_DISK_FULL},
    {ENOSPC, ERROR_DISK_FULL},
    {ESPIPE, ERROR_INVALID_FUNCTION},
    {EROFS, ERROR_WRITE_PROTECT},
    {EPIPE, ERROR_BROKEN_PIPE},
    {ERANGE, ERROR_INVALID_PARAMETER},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ENOSYS, ERROR_NOT_SUPPORTED},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {ENOTSUP, ERROR_NOT_SUPPORTED},
    {ETIMEDOUT, ERROR_SEM_TIMEOUT},
    {ECANCELED, ERROR_CANCELLED},
    {ECONNREFUSED, WSAECONNREFUSED},
    {ECONNRESET, WSAECONNRESET},
    {ECONNABORTED, WSAECONNABORTED},
    {ENOTCONN, WSAENOTCONN},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
};

struct TextRow {
  DWORD code;
  const char* text;
};

// The texts of the numbers this suite can produce, as the system words them.
constexpr TextRow kSystemTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_BAD_LENGTH, "The program issued a command but the command length is incorrect."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_BUFFER_OVERFLOW, "The file name is too long."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_SEM_TIMEOUT, "The semaphore timeout period has expired."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_OPERATION_ABORTED,
     "The I/O operation has been aborted because of either a thread exit or an application request."},
    {ERROR_IO_PENDING, "Overlapped I/O operation is in progress."},
    {ERROR_NOACCESS, "Invalid access to memory location."},
    {ERROR_BADKEY, "The configuration registry key is invalid."},
    {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
    {ERROR_CANTREAD, "The configuration registry key could not be read."},
    {ERROR_CANTWRITE, "The configuration registry key could not be written."},
    {ERROR_KEY_DELETED, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
    {ERROR_DEVICE_NOT_CONNECTED, "The device is not connected."},
    {ERROR_NOT_FOUND, "Element not found."},
    {ERROR_CANCELLED, "The operation was canceled by the user."},
    {ERROR_CONNECTION_REFUSED, "The remote computer refused the network connection."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
    {WSAEINTR, "A blocking operation was interrupted by a call to WSACancelBlockingCall."},
    {WSAEWOULDBLOCK, "A non-blocking socket operation could not be completed immediately."},
    {WSAEADDRINUSE,
     "Only one usage of each socket address (protocol/network address/port) is normally permitted."},
    {WSAEADDRNOTAVAIL, "The requested address is not valid in its context."},
    {WSAENETDOWN, "A socket operation encountered a dead network."},
    {WSAENETUNREACH, "A socket operation was attempted to an unreachable network."},
    {WSAECONNABORTED, "An established connection was aborted by the software in your host machine."},
    {WSAECONNRESET, "An existing connection was forcibly closed by the remote host."},
    {WSAENOTCONN, "A request to send or receive data was disallowed because the socket is not connected and "
                  "(when sending on a datagram socket using a sendto call) no address was supplied."},
    {WSAETIMEDOUT,
     "A connection attempt failed because the connected party did not properly respond after a period of "
     "time, or established connection failed because connected host has failed to respond."},
    {WSAECONNREFUSED, "No connection could be made because the target machine actively refused it."},
    {WSAEHOSTUNREACH, "A socket operation was attempted to an unreachable host."},
    {WSAHOST_NOT_FOUND, "No such host is known."},
    {WSANO_DATA, "The requested name is valid, but no data of the requested type was found."},
    {static_cast<DWORD>(E_NOTIMPL), "Not implemented"},
    {static_cast<DWORD>(E_NOINTERFACE), "No such interface supported"},
    {static_cast<DWORD>(E_POINTER), "Invalid pointer"},
    {static_cast<DWORD>(E_ABORT), "Operation aborted"},
    {static_cast<DWORD>(E_FAIL), "Unspecified error"},
    {static_cast<DWORD>(E_UNEXPECTED), "Catastrophic failure"},
    {static_cast<DWORD>(CLASS_E_NOAGGREGATION),
     "Class does not support aggregation (or class object is remote)"},
    {static_cast<DWORD>(CLASS_E_CLASSNOTAVAILABLE), "ClassFactory cannot supply requested class"},
    {static_cast<DWORD>(REGDB_E_CLASSNOTREG), "Class not registered"},
    {static_cast<DWORD>(DISP_E_MEMBERNOTFOUND), "Member not found."},
    {static_cast<DWORD>(DISP_E_TYPEMISMATCH), "Type mismatch."},
    {static_cast<DWORD>(DISP_E_BADPARAMCOUNT), "Invalid number of parameters."},
};

const char* findText(DWORD code) {
  for (const auto& row : kSystemTexts)
    if (row.code == code)
      return row.text;
  return nullptr;
}

} // namespace

DWORD GetLastError() {
  return t_lastError;
}

void SetLastError(DWORD error) {
  t_lastError = error;
}

DWORD Win32FromErrno(int errnoValue) {
  if (errnoValue == 0)
    return ERROR_SUCCESS;
  for (const auto& row : kErrnoMap)
    if (row.errnoValue == errnoValue)
      return row.win32;
  return ERROR_GEN_FAILURE;
}

DWORD SetLastErrorFromErrno() {
  DWORD error = Win32FromErrno(errno);
  SetLastError(error);
  return error;
}

std::optional<std::string> SystemMessageText(DWORD code) {
  const char* text = findText(code);
  // An HRESULT of the Win32 facility reads as the Win32 number it carries.
  if (!text && (code & 0xFFFF0000u) == 0x80070000u)
    text = findText(code & 0xFFFFu);
  if (!text)
    return std::nullopt;
  return std::string(text) + "\r\n";
}
