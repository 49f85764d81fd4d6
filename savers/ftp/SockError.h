// A network failure of the FTP client: its code is the Windows Sockets number
// of the failure (mapped from errno), or one of the session's refusal codes.
// With code 0 and no text its message reads "Unknown Socket Error".
#pragma once

#include "env/BrantelTakeError.h"

class _sock_error : public _brantel_take_error {
public:
  explicit _sock_error(HRESULT code, const char* text = nullptr) : _brantel_take_error(code, text) {}
  const char* ErrorMessage() const override;
};

namespace tarsel::ftp {

// The Windows Sockets number that stands for a socket call's errno.
HRESULT SocketErrorFromErrno(int errnoValue);

// Throws _sock_error with the number of the current errno.
[[noreturn]] void ThrowSocketError();

} // namespace tarsel::ftp
