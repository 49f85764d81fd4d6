#include "vantic/SimUsbTransport.h"

#include "platform/Bytes.h"
#include "platform/Win32Error.h"
#include "vantic/Tick.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::vantic {

namespace {
// Larger than any transfer: a 32768-byte block with its header and checksum.
constexpr std::size_t kMaxMessage = 65536 + 64;
constexpr std::uint8_t kDescriptorSize = 18;
} // namespace

SimUsbTransport::SimUsbTransport(std::string socketPath, int descriptorTimeoutMs)
    : m_path(std::move(socketPath)), m_descriptorTimeoutMs(descriptorTimeoutMs) {}

SimUsbTransport::~SimUsbTransport() {
  close();
}

bool SimUsbTransport::open(std::uint16_t& vendorId, std::uint16_t& productId) {
  close();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (m_path.empty() || m_path.size() >= sizeof(address.sun_path)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  std::memcpy(address.sun_path, m_path.c_str(), m_path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    SetLastErrorFromErrno();
    ::close(fd);
    return false;
  }
  m_fd = fd;
  // The standard device-descriptor request, as a control transfer's setup packet.
  const std::uint8_t request[8] = {0x80, 0x06, 0x00, 0x01, 0x00, 0x00, kDescriptorSize, 0x00};
  std::uint8_t descriptor[kDescriptorSize] = {};
  if (!write(request, sizeof(request)) ||
      read(descriptor, sizeof(descriptor), m_descriptorTimeoutMs) != static_cast<int>(kDescriptorSize)) {
    close();
    SetLastError(ERROR_DEV_NOT_EXIST);
    return false;
  }
  vendorId = bytes::loadLe16(descriptor, 8);
  productId = bytes::loadLe16(descriptor, 10);
  return true;
}

void SimUsbTransport::close() {
  if (m_fd >= 0)
    ::close(m_fd);
  m_fd = -1;
  m_message.clear();
  m_pending = 0;
}

bool SimUsbTransport::write(const std::uint8_t* bytes, std::size_t count) {
  if (m_fd < 0)
    return false;
  for (;;) {
    const ssize_t n = ::send(m_fd, bytes, count, MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(count))
      return true;
    if (n < 0 && errno == EINTR)
      continue;
    SetLastErrorFromErrno();
    return false;
  }
}

int SimUsbTransport::receive(int timeoutMs) {
  const std::int64_t deadline = Tick::nowMs() + std::max(timeoutMs, 0);
  for (;;) {
    const std::int64_t left = std::max<std::int64_t>(deadline - Tick::nowMs(), 0);
    pollfd pfd{m_fd, POLLIN, 0};
    const int rc = ::poll(&pfd, 1, static_cast<int>(left));
    if (rc < 0 && errno == EINTR)
      continue;
    if (rc < 0) {
      SetLastErrorFromErrno();
      return -1;
    }
    if (rc == 0)
      return 0;
    m_message.resize(kMaxMessage);
    const ssize_t n = ::recv(m_fd, m_message.data(), m_message.size(), 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      // The simulator went away (0) or the socket failed.
      SetLastError(n == 0 ? ERROR_DEVICE_NOT_CONNECTED : Win32FromErrno(errno));
      m_message.clear();
      return -1;
    }
    m_message.resize(static_cast<std::size_t>(n));
    m_pending = m_message.size();
    return static_cast<int>(n);
  }
}

int SimUsbTransport::read(std::uint8_t* buffer, std::size_t count, int timeoutMs) {
  if (m_fd < 0)
    return -1;
  if (m_pending == 0) {
    const int rc = receive(timeoutMs);
    if (rc <= 0)
      return rc;
  }
  const std::size_t start = m_message.size() - m_pending;
  const std::size_t take = std::min(count, m_pending);
  std::memcpy(buffer, m_message.data() + start, take);
  m_pending -= take;
  return static_cast<int>(take);
}

} // namespace tarsel::vantic
