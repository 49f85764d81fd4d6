#include "savers/ftp/Socket.h"

#include "platform/Win32Error.h"
#include "savers/ftp/SockError.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using tarsel::ftp::ThrowSocketError;

// The first address of `host` (numeric addresses first) with `port`.
socklen_t resolve(const std::string& host, std::uint16_t port, sockaddr_storage& address) {
  std::memset(&address, 0, sizeof address);
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    return sizeof(sockaddr_in);
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    return sizeof(sockaddr_in6);
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || !found)
    throw _sock_error(rc == EAI_NONAME || rc == EAI_NODATA ? WSAHOST_NOT_FOUND : WSANO_DATA);
  const socklen_t length = found->ai_addrlen;
  std::memcpy(&address, found->ai_addr, length);
  freeaddrinfo(found);
  if (address.ss_family == AF_INET)
    v4->sin_port = htons(port);
  else
    v6->sin6_port = htons(port);
  return length;
}

std::string numeric(const sockaddr_storage& address, std::uint16_t* port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    if (port)
      *port = ntohs(v6->sin6_port);
  } else {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    if (port)
      *port = ntohs(v4->sin_port);
  }
  return text;
}

} // namespace

CSocket::CSocket() = default;

CSocket::CSocket(int handle) : m_handle(handle) {}

CSocket::~CSocket() {
  if (m_handle.load() >= 0)
    ::close(m_handle.load());
}

void CSocket::open(int family) {
  const int made = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  if (made < 0)
    ThrowSocketError();
  const int old = m_handle.exchange(made);
  if (old >= 0)
    ::close(old);
  if (m_shutDown.load())
    ::shutdown(made, SHUT_RDWR);
}

void CSocket::Connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds limit) {
  sockaddr_storage address{};
  const socklen_t length = resolve(host, port, address);
  connectTo(address, length, limit);
}

void CSocket::connectTo(const sockaddr_storage& address, unsigned length, std::chrono::milliseconds limit) {
  // The handle is made here, of the address's family, non-blocking so that
  // the connect keeps to its time limit; blocking again once connected.
  open(address.ss_family);
  if (::connect(handle(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    if (errno != EINPROGRESS)
      ThrowSocketError();
    pollfd waiting{handle(), POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(limit.count()));
    if (ready < 0)
      ThrowSocketError();
    if (ready == 0)
      throw _sock_error(WSAETIMEDOUT);
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(handle(), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
      ThrowSocketError();
    if (error != 0)
      throw _sock_error(tarsel::ftp::SocketErrorFromErrno(error));
  }
  const int flags = ::fcntl(handle(), F_GETFL);
  if (flags < 0 || ::fcntl(handle(), F_SETFL, flags & ~O_NONBLOCK) != 0)
    ThrowSocketError();
}

void CSocket::Send(const void* bytes, std::size_t length) {
  const auto* next = static_cast<const char*>(bytes);
  while (length > 0) {
    const std::size_t sent = SendSome(next, length);
    next += sent;
    length -= sent;
  }
}

std::size_t CSocket::SendSome(const void* bytes, std::size_t length) {
  for (;;) {
    const ssize_t sent = ::send(handle(), bytes, length, MSG_NOSIGNAL);
    if (sent >= 0)
      return static_cast<std::size_t>(sent);
    if (errno != EINTR)
      ThrowSocketError();
  }
}

std::size_t CSocket::Receive(void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::recv(handle(), buffer, size, 0);
    if (got >= 0)
      return static_cast<std::size_t>(got);
    if (errno != EINTR)
      ThrowSocketError();
  }
}

bool CSocket::WaitReadable(std::chrono::milliseconds limit) const {
  pollfd waiting{handle(), POLLIN, 0};
  const int ready = ::poll(&waiting, 1, static_cast<int>(limit.count()));
  if (ready < 0 && errno != EINTR)
    ThrowSocketError();
  return ready > 0;
}

void CSocket::Bind(const std::string& address, std::uint16_t port) {
  sockaddr_storage local{};
  socklen_t length = sizeof(sockaddr_in);
  if (address.empty()) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&local);
    v4->sin_family = AF_INET;
    v4->sin_addr.s_addr = htonl(INADDR_ANY);
    v4->sin_port = htons(port);
  } else {
    length = resolve(address, port, local);
  }
  open(local.ss_family);
  const int flags = ::fcntl(handle(), F_GETFL);
  if (flags < 0 || ::fcntl(handle(), F_SETFL, flags & ~O_NONBLOCK) != 0 ||
      ::bind(handle(), reinterpret_cast<const sockaddr*>(&local), length) != 0)
    ThrowSocketError();
}

void CSocket::Listen() {
  if (::listen(handle(), 1) != 0)
    ThrowSocketError();
}

int CSocket::Accept() {
  for (;;) {
    const int accepted = ::accept4(handle(), nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted >= 0)
      return accepted;
    if (errno != EINTR)
      ThrowSocketError();
  }
}

std::string CSocket::GetSockName(std::uint16_t* port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(handle(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    ThrowSocketError();
  return numeric(address, port);
}

std::string CSocket::GetPeerName() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(handle(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    ThrowSocketError();
  return numeric(address, nullptr);
}

bool CSocket::IsIpv6() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  return ::getsockname(handle(), reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
         address.ss_family == AF_INET6;
}

std::size_t CSocket::GetBufferSize() const {
  int size = 0;
  socklen_t length = sizeof size;
  if (::getsockopt(handle(), SOL_SOCKET, SO_RCVBUF, &size, &length) != 0)
    ThrowSocketError();
  return size > 0 ? static_cast<std::size_t>(size) : 1;
}

void CSocket::Shutdown() noexcept {
  m_shutDown.store(true);
  const int current = m_handle.load();
  if (current >= 0)
    ::shutdown(current, SHUT_RDWR);
}
