#include "PtyPair.h"

#include <chrono>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tarsel::vantic::test {

PtyPair::PtyPair() {
  char name[256] = {};
  if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty failed");
  m_path = name;
  termios raw{};
  ::tcgetattr(m_slave, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(m_slave, TCSANOW, &raw);
  ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
  ::close(m_master);
  ::close(m_slave);
}

void PtyPair::send(const std::vector<std::uint8_t>& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::write(m_master, bytes.data() + sent, bytes.size() - sent);
    if (n > 0)
      sent += static_cast<std::size_t>(n);
    else
      ::usleep(1000);
  }
}

std::vector<std::uint8_t> PtyPair::receive(std::size_t want, int timeoutMs) {
  std::vector<std::uint8_t> out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.size() < want) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    if (left <= 0)
      break;
    pollfd pfd{m_master, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(left)) <= 0)
      continue;
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof(buffer));
    if (n > 0)
      out.insert(out.end(), buffer, buffer + n);
  }
  return out;
}

} // namespace tarsel::vantic::test
