#include "sim/vesk/VeskSimServer.h"

#include "sim/vesk/VeskSimControl.h"
#include "sim/vesk/VeskSimEngine.h"
#include "sim/vesk/VeskSimTypes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::vesksim {
namespace {

constexpr int kControlDeviceSlot = -1;
constexpr int kCommandSlot = -2;
constexpr int kAllSlots = -3;
constexpr std::size_t kMaxCommandLine = 4096;

// Reads exactly n bytes; false on end of stream or error.
bool readExact(int fd, std::uint8_t* data, std::size_t n) {
  while (n > 0) {
    const ssize_t got = ::recv(fd, data, n, 0);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return false;
    data += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t n) {
  while (n > 0) {
    const ssize_t sent = ::send(fd, data, n, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR)
      continue;
    if (sent <= 0)
      return false;
    data += sent;
    n -= static_cast<std::size_t>(sent);
  }
  return true;
}

} // namespace

VeskSimServer::VeskSimServer(VeskSimEngine& engine, std::string dir, std::string controlPath)
    : m_engine(engine), m_dir(std::move(dir)), m_controlPath(std::move(controlPath)) {
  // "quit" stops the server once its answer is out.
  m_control = std::make_unique<VeskSimControl>(engine, [this] { m_quit.store(true); });
}

VeskSimServer::~VeskSimServer() {
  m_engine.setPresenceListener(nullptr);
  m_stop.store(true);
  closeAll();
  for (int fd : {m_wakeRead, m_wakeWrite}) {
    if (fd >= 0)
      ::close(fd);
  }
}

std::string VeskSimServer::socketPath(int device) const {
  if (device == kControlDeviceSlot)
    return m_dir + "/" + kControlDeviceName;
  return m_dir + "/" + cameraDeviceName(static_cast<std::uint32_t>(device));
}

int VeskSimServer::listen(const std::string& path, std::string& error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    error = path + ": path too long for a socket";
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  ::unlink(path.c_str()); // a socket file left by an earlier run
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
    error = path + ": " + std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

bool VeskSimServer::start(std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(m_dir, ec);
  if (ec) {
    error = m_dir + ": " + ec.message();
    return false;
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  m_wakeRead = pipeFds[0];
  m_wakeWrite = pipeFds[1];

  m_controlDeviceFd = listen(socketPath(kControlDeviceSlot), error);
  if (m_controlDeviceFd < 0)
    return false;
  if (!m_controlPath.empty()) {
    m_commandFd = listen(m_controlPath, error);
    if (m_commandFd < 0)
      return false;
  }
  m_deviceFds.assign(static_cast<std::size_t>(m_engine.deviceCount()), -1);
  for (int i = 0; i < m_engine.deviceCount(); ++i) {
    if (!m_engine.isPresent(i))
      continue;
    m_deviceFds[static_cast<std::size_t>(i)] = listen(socketPath(i), error);
    if (m_deviceFds[static_cast<std::size_t>(i)] < 0)
      return false;
  }
  m_engine.setPresenceListener([this](int, bool) { wake(); });
  return true;
}

void VeskSimServer::wake() {
  const char byte = 1;
  if (m_wakeWrite >= 0) [[maybe_unused]]
    const ssize_t ignored = ::write(m_wakeWrite, &byte, 1);
}

void VeskSimServer::requestStop() {
  m_stop.store(true);
  wake();
}

void VeskSimServer::syncListeners() {
  std::string error;
  for (int i = 0; i < m_engine.deviceCount(); ++i) {
    if (static_cast<std::size_t>(i) >= m_deviceFds.size())
      m_deviceFds.push_back(-1);
    int& fd = m_deviceFds[static_cast<std::size_t>(i)];
    const bool present = m_engine.isPresent(i);
    if (present && fd < 0) {
      fd = listen(socketPath(i), error);
    } else if (!present && fd >= 0) {
      // The node is gone: its file disappears and its connections end.
      ::close(fd);
      fd = -1;
      ::unlink(socketPath(i).c_str());
      closeConnections(i);
    }
  }
}

void VeskSimServer::closeConnections(int device) {
  std::lock_guard lock(m_connectionsMutex);
  for (const auto& c : m_connections) {
    if (device != kAllSlots && c->device != device)
      continue;
    std::lock_guard fdLock(c->mutex);
    if (c->fd >= 0)
      ::shutdown(c->fd, SHUT_RDWR);
  }
}

void VeskSimServer::reap(bool all) {
  std::list<std::shared_ptr<Connection>> ended;
  {
    std::lock_guard lock(m_connectionsMutex);
    for (auto it = m_connections.begin(); it != m_connections.end();) {
      if (all || (*it)->finished.load()) {
        ended.push_back(*it);
        it = m_connections.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const auto& c : ended) {
    if (c->thread.joinable())
      c->thread.join();
  }
}

void VeskSimServer::accept(int listenFd, int device) {
  const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0)
    return;
  auto c = std::make_shared<Connection>();
  c->fd = fd;
  c->device = device;
  std::lock_guard lock(m_connectionsMutex);
  m_connections.push_back(c);
  if (device == kCommandSlot)
    c->thread = std::thread([this, c] { serveCommands(c); });
  else
    c->thread = std::thread([this, c] { serveDevice(c); });
}

void VeskSimServer::serveDevice(const std::shared_ptr<Connection>& c) {
  const int fd = c->fd;
  std::unique_ptr<VeskSimConnection> connection =
      c->device == kControlDeviceSlot ? m_engine.connectControl() : m_engine.connect(c->device);
  while (connection && !m_stop.load()) {
    std::uint8_t headerBytes[kRequestHeaderSize];
    if (!readExact(fd, headerBytes, sizeof headerBytes))
      break;
    Request request;
    if (decodeRequestHeader(headerBytes, request.header) != DecodeStatus::Ok)
      break; // the peer closes a connection whose frame does not decode
    const std::uint32_t payload = requestPayloadLength(request.header);
    request.data.resize(payload);
    if (payload && !readExact(fd, request.data.data(), payload))
      break;
    Response response = connection->handle(request);
    // The reply names the request it answers, so a late one is never taken for another's.
    response.reply.header.sequence = request.header.sequence;
    if (response.kind == Response::Kind::Silence)
      continue;
    if (response.kind == Response::Kind::Close)
      break;
    const std::vector<std::uint8_t> frame = encodeReply(response.reply);
    if (response.kind == Response::Kind::TruncatedThenClose) {
      writeAll(fd, frame.data(), std::min(frame.size(), response.truncateAt));
      break;
    }
    if (!writeAll(fd, frame.data(), frame.size()))
      break;
  }
  {
    std::lock_guard lock(c->mutex);
    ::close(c->fd);
    c->fd = -1;
  }
  c->finished = true;
  wake();
}

void VeskSimServer::serveCommands(const std::shared_ptr<Connection>& c) {
  const int fd = c->fd;
  std::string line;
  while (!m_stop.load()) {
    std::uint8_t byte = 0;
    if (!readExact(fd, &byte, 1))
      break;
    if (byte == '\r')
      continue;
    if (byte != '\n') {
      if (line.size() >= kMaxCommandLine)
        break;
      line.push_back(static_cast<char>(byte));
      continue;
    }
    const std::string answer = m_control->execute(line) + "\n";
    line.clear();
    const bool sent = writeAll(fd, reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size());
    if (m_quit.load())
      requestStop();
    if (!sent)
      break;
  }
  {
    std::lock_guard lock(c->mutex);
    ::close(c->fd);
    c->fd = -1;
  }
  c->finished = true;
  wake();
}

void VeskSimServer::run() {
  while (!m_stop.load()) {
    std::vector<pollfd> fds;
    std::vector<int> slots;
    fds.push_back({m_wakeRead, POLLIN, 0});
    slots.push_back(0);
    fds.push_back({m_controlDeviceFd, POLLIN, 0});
    slots.push_back(kControlDeviceSlot);
    if (m_commandFd >= 0) {
      fds.push_back({m_commandFd, POLLIN, 0});
      slots.push_back(kCommandSlot);
    }
    for (std::size_t i = 0; i < m_deviceFds.size(); ++i) {
      if (m_deviceFds[i] >= 0) {
        fds.push_back({m_deviceFds[i], POLLIN, 0});
        slots.push_back(static_cast<int>(i));
      }
    }
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (fds[0].revents) {
      char drain[64];
      while (::read(m_wakeRead, drain, sizeof drain) > 0) {
      }
      reap(false);
      if (m_stop.load())
        break;
      syncListeners();
      continue; // the listener set may have changed
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents & POLLIN)
        accept(fds[i].fd, slots[i]);
    }
  }

  closeAll();
}

void VeskSimServer::closeAll() {
  // No more connections, requests in progress end, threads end, files go.
  if (m_controlDeviceFd >= 0) {
    ::close(m_controlDeviceFd);
    m_controlDeviceFd = -1;
    ::unlink(socketPath(kControlDeviceSlot).c_str());
  }
  if (m_commandFd >= 0) {
    ::close(m_commandFd);
    m_commandFd = -1;
    ::unlink(m_controlPath.c_str());
  }
  for (std::size_t i = 0; i < m_deviceFds.size(); ++i) {
    if (m_deviceFds[i] >= 0) {
      ::close(m_deviceFds[i]);
      m_deviceFds[i] = -1;
      ::unlink(socketPath(static_cast<int>(i)).c_str());
    }
  }
  m_engine.shutdown();
  closeConnections(kAllSlots);
  reap(true);
}

} // namespace tarsel::vesksim
