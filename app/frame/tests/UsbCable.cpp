#include "UsbCable.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::frame::test {

namespace {

// Larger than any message of the stand-in (a 32768-byte block and its frame).
constexpr std::size_t kMaxMessage = 65536 + 64;

sockaddr_un addressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path))
    throw std::invalid_argument("socket path too long: " + path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

void closeFd(int& fd) {
  if (fd >= 0)
    ::close(fd);
  fd = -1;
}

} // namespace

UsbCable::UsbCable(std::string hostPath, std::string devicePath)
    : m_hostPath(std::move(hostPath)), m_devicePath(std::move(devicePath)) {
  if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::runtime_error("no pipe for the cable");
  m_thread = std::thread([this] { relay(); });
  plug();
}

UsbCable::~UsbCable() {
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_stop = true;
  }
  const char byte = 0;
  (void)!::write(m_wake[1], &byte, 1);
  m_thread.join();
  closeFd(m_wake[0]);
  closeFd(m_wake[1]);
}

void UsbCable::unplug() {
  onRelayThread([this] { drop(); });
}

void UsbCable::plug() {
  onRelayThread([this] { listen(); });
}

void UsbCable::unplugAtCameraMessage(std::size_t size, int count) {
  onRelayThread([this, size, count] {
    m_cutSize = size;
    m_cutCount = count;
  });
}

bool UsbCable::isPlugged() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_plugged;
}

void UsbCable::onRelayThread(std::function<void()> change) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_done.wait(lock, [this] { return !m_change; });
  m_change = std::move(change);
  const char byte = 0;
  (void)!::write(m_wake[1], &byte, 1);
  m_done.wait(lock, [this] { return !m_change; });
}

void UsbCable::relay() {
  for (;;) {
    std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}};
    // The connections first: a host that closed and connected again is
    // served in that order.
    for (int fd : {m_host, m_device, m_listener})
      if (fd >= 0)
        fds.push_back({fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) < 0)
      continue;
    if (fds[0].revents) {
      char bytes[16];
      while (::read(m_wake[0], bytes, sizeof bytes) > 0) {
      }
      std::unique_lock<std::mutex> lock(m_lock);
      if (m_stop)
        break;
      if (m_change) {
        lock.unlock();
        m_change();
        lock.lock();
        m_change = nullptr;
        m_done.notify_all();
      }
      continue;
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      const int fd = fds[i].fd;
      if (!fds[i].revents || (fd != m_host && fd != m_device && fd != m_listener))
        continue; // closed on the way
      if (fd == m_listener) {
        // A host that closed just before connecting again has its end seen
        // first (its last messages may still wait before it).
        for (pollfd host{m_host, POLLIN, 0}; m_host >= 0 && ::poll(&host, 1, 0) > 0;)
          serve(m_host);
        const int host = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (host >= 0 && m_host < 0) {
          m_host = host;
          connectDevice();
        } else if (host >= 0) {
          ::close(host); // one host at a time, as the camera takes it
        }
      } else {
        serve(fd);
      }
    }
  }
  drop();
}

void UsbCable::listen() {
  if (m_listener >= 0)
    return;
  ::unlink(m_hostPath.c_str());
  const sockaddr_un address = addressOf(m_hostPath);
  m_listener = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (m_listener < 0 ||
      ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listener, 4) != 0) {
    closeFd(m_listener);
    return;
  }
  const std::lock_guard<std::mutex> guard(m_lock);
  m_plugged = true;
}

void UsbCable::drop() {
  closeFd(m_host);
  closeFd(m_device);
  closeFd(m_listener);
  ::unlink(m_hostPath.c_str());
  m_cutCount = 0;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_plugged = false;
}

void UsbCable::connectDevice() {
  const sockaddr_un address = addressOf(m_devicePath);
  m_device = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (m_device < 0 || ::connect(m_device, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closeFd(m_device);
    closeFd(m_host);
  }
}

void UsbCable::serve(int from) {
  const bool fromCamera = from == m_device;
  if (!pass(from, fromCamera ? m_host : m_device, fromCamera)) {
    closeFd(m_host);
    closeFd(m_device);
  }
}

bool UsbCable::pass(int from, int to, bool fromCamera) {
  std::vector<char> message(kMaxMessage);
  const ssize_t size = ::recv(from, message.data(), message.size(), 0);
  if (size <= 0)
    return false;
  if (fromCamera && m_cutCount > 0 && static_cast<std::size_t>(size) >= m_cutSize && --m_cutCount == 0) {
    drop();
    return true;
  }
  return ::send(to, message.data(), static_cast<std::size_t>(size), MSG_NOSIGNAL) == size;
}

} // namespace tarsel::frame::test
