#include "remote/MailSlotClient.h"

#include "platform/Win32Error.h"
#include "remote/RemoteDatagram.h"

#include <cerrno>
#include <string>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace tarsel::remote {

CMailSlotClient::CMailSlotClient(const char* computer, std::chrono::milliseconds sendTimeout)
    : m_target(targetOf(computer)), m_sendTimeout(sendTimeout) {
  switch (m_target) {
  case MailSlotTarget::Local:
    openLocal();
    break;
  case MailSlotTarget::Host:
    openHost(computer);
    break;
  case MailSlotTarget::Broadcast:
    openBroadcast();
    break;
  }
  if (m_openError != 0)
    m_socket.reset();
}

DWORD CMailSlotClient::errorOf(int errnoValue) const {
  // Nobody bound to the local name: the main program is not running.
  if (m_target == MailSlotTarget::Local && (errnoValue == ENOENT || errnoValue == ECONNREFUSED))
    return ERROR_FILE_NOT_FOUND;
  if (errnoValue == EMSGSIZE)
    return ERROR_INVALID_PARAMETER;
  // The send time-out ran out while the receiver's queue stayed full.
  if (errnoValue == EAGAIN || errnoValue == EWOULDBLOCK)
    return ERROR_TIMEOUT;
  return Win32FromErrno(errnoValue);
}

void CMailSlotClient::setSendTimeout() {
  const auto ms = m_sendTimeout.count() > 0 ? m_sendTimeout.count() : 1;
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(ms / 1000);
  tv.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
  setsockopt(m_socket.get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

void CMailSlotClient::openLocal() {
  sockaddr_un address{};
  socklen_t length = 0;
  if (!abstractAddress(mailslotSocketName(), address, length)) {
    m_openError = ERROR_INVALID_NAME;
    return;
  }
  m_socket.reset(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!m_socket.valid()) {
    m_openError = errorOf(errno);
    return;
  }
  setSendTimeout();
  if (connect(m_socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0)
    m_openError = errorOf(errno);
}

void CMailSlotClient::openHost(const char* computer) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(remotePort());
  if (getaddrinfo(computer, port.c_str(), &hints, &found) != 0 || !found) {
    m_openError = WSAHOST_NOT_FOUND;
    return;
  }
  int lastErrno = EHOSTUNREACH;
  for (const addrinfo* a = found; a; a = a->ai_next) {
    platform::UniqueFd fd(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
    if (!fd.valid()) {
      lastErrno = errno;
      continue;
    }
    if (connect(fd.get(), a->ai_addr, a->ai_addrlen) != 0) {
      lastErrno = errno;
      continue;
    }
    m_socket = std::move(fd);
    break;
  }
  freeaddrinfo(found);
  if (!m_socket.valid()) {
    m_openError = errorOf(lastErrno);
    return;
  }
  setSendTimeout();
}

void CMailSlotClient::openBroadcast() {
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) {
    m_openError = errorOf(errno);
    return;
  }
  m_broadcast = broadcastAddresses(interfaces, remotePort());
  freeifaddrs(interfaces);
  if (m_broadcast.empty()) {
    m_openError = WSAENETUNREACH;
    return;
  }
  m_socket.reset(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!m_socket.valid()) {
    m_openError = errorOf(errno);
    return;
  }
  const int on = 1;
  if (setsockopt(m_socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    m_openError = errorOf(errno);
    return;
  }
  setSendTimeout();
}

HRESULT CMailSlotClient::Write(const void* bytes, std::size_t count) {
  if (!m_socket.valid())
    return HRESULT_FROM_WIN32(m_openError != 0 ? m_openError : ERROR_INVALID_HANDLE);
  if (!bytes || count > kMaxDatagramSize)
    return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);

  if (m_target != MailSlotTarget::Broadcast) {
    ssize_t sent = 0;
    do {
      sent = send(m_socket.get(), bytes, count, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0)
      return HRESULT_FROM_WIN32(errorOf(errno));
    if (static_cast<std::size_t>(sent) != count)
      return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    return S_OK;
  }

  // One datagram per network: delivered when at least one send went out.
  DWORD firstError = 0;
  bool anySent = false;
  for (const sockaddr_in& address : m_broadcast) {
    ssize_t sent = 0;
    do {
      sent = sendto(m_socket.get(), bytes, count, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                    sizeof address);
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0 && static_cast<std::size_t>(sent) == count) {
      anySent = true;
      continue;
    }
    if (firstError == 0)
      firstError = sent < 0 ? errorOf(errno) : ERROR_WRITE_FAULT;
  }
  return anySent ? S_OK : HRESULT_FROM_WIN32(firstError);
}

} // namespace tarsel::remote
