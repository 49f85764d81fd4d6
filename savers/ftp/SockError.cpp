#include "savers/ftp/SockError.h"

#include "platform/Win32Error.h"

#include <cerrno>
#include <cstring>

const char* _sock_error::ErrorMessage() const {
  if (Error() == 0 && Explanation()[0] == '\0')
    return "Unknown Socket Error";
  return _brantel_take_error::ErrorMessage();
}

namespace tarsel::ftp {

HRESULT SocketErrorFromErrno(int errnoValue) {
  // The numbers a Windows Sockets call gives where the general errno table
  // has a file-system meaning.
  switch (errnoValue) {
  case EPIPE:
    return WSAECONNRESET;
  case ETIMEDOUT:
    return WSAETIMEDOUT;
  case EINTR:
    return WSAEINTR;
  case EAGAIN:
    return WSAEWOULDBLOCK;
  default:
    return static_cast<HRESULT>(Win32FromErrno(errnoValue));
  }
}

void ThrowSocketError() {
  const int error = errno;
  throw _sock_error(SocketErrorFromErrno(error));
}

} // namespace tarsel::ftp
