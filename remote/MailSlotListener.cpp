#include "remote/MailSlotListener.h"

#include "platform/Win32Error.h"
#include "remote/RemoteDatagram.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <vector>

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarsel::remote {

namespace {

// Datagrams taken from one socket per wake-up before the others get a turn.
constexpr int kBatch = 64;

// One socket for both families where the system has IPv6, else IPv4 alone.
// Invalid, with `error` set to the errno, when neither can be bound.
platform::UniqueFd bindAnyAddress(std::uint16_t port, int& error) {
  platform::UniqueFd six(socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (six.valid()) {
    const int off = 0;
    setsockopt(six.get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    any.sin6_addr = in6addr_any;
    any.sin6_port = htons(port);
    if (bind(six.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0)
      return six;
    // Taken or forbidden: IPv4 alone would fare no better.
    error = errno;
    if (error == EADDRINUSE || error == EACCES)
      return {};
  }
  platform::UniqueFd four(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!four.valid()) {
    error = errno;
    return {};
  }
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  any.sin_port = htons(port);
  if (bind(four.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    error = errno;
    return {};
  }
  return four;
}

} // namespace

struct MailSlotListener::Sockets {
  platform::UniqueFd local;
  platform::UniqueFd udp;
};

struct MailSlotListener::Run {
  std::shared_ptr<const Sockets> sockets;
  Handler handler;
  platform::UniqueFd wake;
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
};

MailSlotListener::MailSlotListener() : MailSlotListener(Options{}) {}

MailSlotListener::MailSlotListener(Options options) : m_sockets(std::make_shared<Sockets>()) {
  bindLocal(options.socketName);
  if (m_error == 0 && options.listenUdp)
    bindUdp(options.udpAddress, options.udpPort);
}

MailSlotListener::~MailSlotListener() {
  Stop();
}

void MailSlotListener::bindLocal(const std::string& name) {
  sockaddr_un address{};
  socklen_t length = 0;
  if (!abstractAddress(name, address, length)) {
    m_error = ERROR_INVALID_NAME;
    return;
  }
  platform::UniqueFd fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) {
    m_error = Win32FromErrno(errno);
    return;
  }
  if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    m_error = errno == EADDRINUSE ? static_cast<DWORD>(ERROR_ALREADY_EXISTS) : Win32FromErrno(errno);
    return;
  }
  m_sockets->local = std::move(fd);
}

void MailSlotListener::bindUdp(const std::string& address, std::uint16_t port) {
  platform::UniqueFd fd;
  if (address.empty()) {
    int error = 0;
    fd = bindAnyAddress(port, error);
    if (!fd.valid()) {
      m_udpError = Win32FromErrno(error);
      return;
    }
  } else {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(address.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
      m_udpError = ERROR_INVALID_PARAMETER;
      return;
    }
    fd.reset(socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol));
    const int rc = fd.valid() ? bind(fd.get(), found->ai_addr, found->ai_addrlen) : -1;
    const int savedErrno = errno;
    freeaddrinfo(found);
    if (rc != 0) {
      m_udpError = Win32FromErrno(savedErrno);
      return;
    }
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (getsockname(fd.get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    m_udpError = Win32FromErrno(errno);
    return;
  }
  if (bound.ss_family == AF_INET6)
    m_udpPort = ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
  else
    m_udpPort = ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
  m_sockets->udp = std::move(fd);
}

DWORD MailSlotListener::Start(Handler handler) {
  if (m_run)
    return ERROR_SUCCESS;
  if (m_error != 0)
    return m_error;
  auto run = std::make_shared<Run>();
  run->sockets = m_sockets;
  run->handler = std::move(handler);
  run->wake.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!run->wake.valid())
    return Win32FromErrno(errno);
  try {
    m_thread = std::thread([run] { readLoop(run); });
  } catch (const std::system_error& e) {
    return Win32FromErrno(e.code().value());
  }
  m_run = std::move(run);
  return ERROR_SUCCESS;
}

bool MailSlotListener::Stop(std::chrono::milliseconds deadline) {
  if (!m_run)
    return true;
  const std::shared_ptr<Run> run = std::move(m_run);
  run->stop.store(true);
  const std::uint64_t one = 1;
  // The eventfd cannot overflow from one write; a failure leaves the flag,
  // which the reader sees after its next datagram.
  [[maybe_unused]] const ssize_t written = write(run->wake.get(), &one, sizeof one);
  bool ended = false;
  {
    std::unique_lock lock(run->mutex);
    ended = run->ended.wait_for(lock, deadline, [&] { return run->done; });
  }
  if (ended)
    m_thread.join();
  else
    m_thread.detach();
  return ended;
}

void MailSlotListener::readLoop(const std::shared_ptr<Run>& run) {
  std::vector<std::uint8_t> buffer(kMaxDatagramSize + 1);
  const Sockets& sockets = *run->sockets;

  const auto drain = [&](int fd) {
    for (int taken = 0; taken < kBatch && !run->stop.load(); ++taken) {
      // MSG_TRUNC: the datagram's real length, so an oversized one is seen
      // and dropped rather than handed on cut short.
      const ssize_t got = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
      if (got < 0) {
        if (errno == EINTR)
          continue;
        return;
      }
      if (static_cast<std::size_t>(got) > kMaxDatagramSize)
        continue;
      try {
        run->handler(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)));
      } catch (...) {
        // A failing handler loses its datagram, not the reader.
      }
    }
  };

  while (!run->stop.load()) {
    pollfd fds[3] = {
        {run->wake.get(), POLLIN, 0}, {sockets.local.get(), POLLIN, 0}, {sockets.udp.get(), POLLIN, 0}};
    const nfds_t count = sockets.udp.valid() ? 3 : 2;
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (fds[0].revents != 0)
      break;
    for (nfds_t i = 1; i < count; ++i)
      if (fds[i].revents & (POLLIN | POLLERR))
        drain(fds[i].fd);
  }

  {
    std::lock_guard lock(run->mutex);
    run->done = true;
  }
  run->ended.notify_all();
}

} // namespace tarsel::remote
