// The writer end of the mailslot stand-in (MailSlotAddress.h has the
// transports). The constructor opens the target:
//   - the local computer: a Unix datagram socket connected to the receiver's
//     abstract name; with no main program running that fails with Win32
//     error 2, as opening a missing mailslot does;
//   - another computer: the name is resolved (WSAHOST_NOT_FOUND when it does
//     not resolve) and a UDP socket connected to it; like a remote mailslot,
//     UDP cannot tell whether anybody listens;
//   - "*": a UDP socket allowed to broadcast and the list of broadcast
//     addresses (WSAENETUNREACH when there is none).
// The error of the open is kept (0 when none). Write sends the whole
// datagram once, never retried, and returns 0 or the error as an HRESULT.
// A receiver whose queue stays full makes Write fail with ERROR_TIMEOUT after
// the send time-out. Used by one thread at a time; the destructor closes.
#pragma once

#include "hostapi/Win32Types.h"
#include "platform/UniqueFd.h"
#include "remote/MailSlotAddress.h"

#include <chrono>
#include <cstddef>
#include <vector>

#include <netinet/in.h>

namespace tarsel::remote {

class CMailSlotClient {
public:
  explicit CMailSlotClient(const char* computer,
                           std::chrono::milliseconds sendTimeout = std::chrono::milliseconds(5000));
  CMailSlotClient(const CMailSlotClient&) = delete;
  CMailSlotClient& operator=(const CMailSlotClient&) = delete;

  HRESULT Write(const void* bytes, std::size_t count);

  DWORD OpenError() const { return m_openError; }

private:
  void openLocal();
  void openHost(const char* computer);
  void openBroadcast();
  void setSendTimeout();
  DWORD errorOf(int errnoValue) const;

  MailSlotTarget m_target;
  std::chrono::milliseconds m_sendTimeout;
  platform::UniqueFd m_socket;
  DWORD m_openError = 0;
  std::vector<sockaddr_in> m_broadcast;
};

} // namespace tarsel::remote
