#include "FakeUsbCamera.h"

#include <cstring>
#include <stdexcept>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::vantic::test {

FakeUsbCamera::FakeUsbCamera(std::string path, std::uint16_t vendorId, std::uint16_t productId,
                             Handler handler)
    : m_path(std::move(path)), m_vendor(vendorId), m_product(productId), m_handler(std::move(handler)) {
  m_listen = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, m_path.c_str(), sizeof(address.sun_path) - 1);
  ::unlink(m_path.c_str());
  if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(m_listen, 4) != 0 || ::pipe(m_wake) != 0)
    throw std::runtime_error("cannot listen on " + m_path);
  m_thread = std::thread([this] { run(); });
}

FakeUsbCamera::~FakeUsbCamera() {
  stop();
}

void FakeUsbCamera::stop() {
  if (!m_thread.joinable())
    return;
  const char byte = 1;
  (void)!::write(m_wake[1], &byte, 1);
  m_thread.join();
  ::close(m_listen);
  ::close(m_wake[0]);
  ::close(m_wake[1]);
  ::unlink(m_path.c_str());
}

std::vector<Bytes> FakeUsbCamera::received() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_received;
}

void FakeUsbCamera::run() {
  int client = -1;
  for (;;) {
    pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {client >= 0 ? client : m_listen, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0)
      continue;
    if (fds[0].revents)
      break;
    if (!fds[1].revents)
      continue;
    if (client < 0) {
      client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0)
        continue;
      ++m_connections;
      continue;
    }
    Bytes message(70000);
    const ssize_t n = ::recv(client, message.data(), message.size(), 0);
    if (n <= 0) {
      ::close(client);
      client = -1;
      continue;
    }
    message.resize(static_cast<std::size_t>(n));
    if (message == Bytes{0x80, 0x06, 0x00, 0x01, 0x00, 0x00, 0x12, 0x00}) {
      std::uint8_t descriptor[18] = {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64};
      descriptor[8] = static_cast<std::uint8_t>(m_vendor);
      descriptor[9] = static_cast<std::uint8_t>(m_vendor >> 8);
      descriptor[10] = static_cast<std::uint8_t>(m_product);
      descriptor[11] = static_cast<std::uint8_t>(m_product >> 8);
      ::send(client, descriptor, sizeof(descriptor), MSG_NOSIGNAL);
      continue;
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_received.push_back(message);
    }
    for (const Bytes& reply : m_handler(message))
      ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
  }
  if (client >= 0)
    ::close(client);
}

} // namespace tarsel::vantic::test
