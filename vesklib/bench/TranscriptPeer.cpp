#include "vesklib/bench/TranscriptPeer.h"

#include "platform/Bytes.h"
#include "platform/FileIo.h"
#include "vesklib/VeskWire.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::vesk::bench {

namespace {

sockaddr_un addressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

bool readExactly(int fd, std::uint8_t* into, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::recv(fd, into, size, MSG_WAITALL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    into += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool sendAll(int fd, const std::vector<std::uint8_t>& bytes) {
  return platform::writeAll(fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// One whole request frame (reply = false) or reply frame from fd.
bool readFrame(int fd, bool reply, std::vector<std::uint8_t>& frame) {
  frame.resize(reply ? wire::kReplyHeaderSize : wire::kRequestHeaderSize);
  if (!readExactly(fd, frame.data(), frame.size()))
    return false;
  std::uint32_t length = 0;
  if (reply) {
    wire::ReplyHeader header;
    if (wire::decodeReplyHeader(frame, header) != wire::DecodeStatus::Ok)
      return false;
    length = header.dataLength;
  } else {
    wire::RequestHeader header;
    if (wire::decodeRequestHeader(frame, header) != wire::DecodeStatus::Ok)
      return false;
    length = wire::requestPayloadLength(header);
  }
  const std::size_t headerSize = frame.size();
  frame.resize(headerSize + length);
  return readExactly(fd, frame.data() + headerSize, length);
}

} // namespace

TranscriptPeer::TranscriptPeer(std::string dir, std::vector<std::string> names)
    : m_dir(std::move(dir)), m_names(std::move(names)) {}

TranscriptPeer::~TranscriptPeer() {
  {
    std::lock_guard guard(m_lock);
    m_stopping = true;
    for (const int fd : m_clients)
      ::shutdown(fd, SHUT_RDWR);
  }
  if (m_wake[1] >= 0) [[maybe_unused]]
    const ssize_t ignored = ::write(m_wake[1], "x", 1);
  if (m_acceptor.joinable())
    m_acceptor.join();
  for (auto& thread : m_threads)
    thread.join();
  for (const int fd : m_listeners)
    ::close(fd);
  for (const int fd : m_wake) {
    if (fd >= 0)
      ::close(fd);
  }
}

bool TranscriptPeer::start() {
  if (::pipe2(m_wake, O_CLOEXEC) != 0)
    return false;
  for (const auto& name : m_names) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(m_dir + "/" + name);
    if (fd < 0)
      return false;
    m_listeners.push_back(fd);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0)
      return false;
  }
  m_acceptor = std::thread([this] { acceptLoop(); });
  return true;
}

void TranscriptPeer::record(std::string upstreamDir) {
  std::lock_guard guard(m_lock);
  m_upstream = std::move(upstreamDir);
}

void TranscriptPeer::replay(std::map<std::string, std::deque<Transcript>> scripts) {
  std::lock_guard guard(m_lock);
  m_upstream.clear();
  m_scripts = std::move(scripts);
}

std::vector<TranscriptPeer::Connection> TranscriptPeer::recorded() {
  std::lock_guard guard(m_lock);
  return m_recorded;
}

void TranscriptPeer::acceptLoop() {
  std::vector<pollfd> fds;
  fds.push_back({m_wake[0], POLLIN, 0});
  for (const int fd : m_listeners)
    fds.push_back({fd, POLLIN, 0});
  for (;;) {
    if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
      return;
    if (fds[0].revents)
      return;
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN))
        continue;
      const int client = ::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0)
        continue;
      std::lock_guard guard(m_lock);
      if (m_stopping) {
        ::close(client);
        return;
      }
      m_clients.push_back(client);
      m_threads.emplace_back(serveNext(client, m_names[i - 1]));
    }
  }
}

// Called under the lock, in the order connections arrive, so that each
// takes its transcript slot or script in that order.
std::thread TranscriptPeer::serveNext(int fd, const std::string& name) {
  if (!m_upstream.empty()) {
    const std::size_t slot = m_recorded.size();
    m_recorded.push_back({name, {}});
    return std::thread([this, fd, slot, path = m_upstream + "/" + name] {
      const int upstream = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const sockaddr_un address = addressOf(path);
      if (upstream >= 0 &&
          ::connect(upstream, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        forward(fd, upstream, slot);
      if (upstream >= 0)
        ::close(upstream);
      finish(fd);
    });
  }
  auto& queue = m_scripts[name];
  Transcript script;
  if (!queue.empty()) {
    script = std::move(queue.front());
    queue.pop_front();
  }
  return std::thread([this, fd, script = std::move(script)]() mutable {
    answer(fd, std::move(script));
    finish(fd);
  });
}

void TranscriptPeer::finish(int fd) {
  std::lock_guard guard(m_lock);
  std::erase(m_clients, fd);
  ::close(fd);
}

void TranscriptPeer::forward(int fd, int upstream, std::size_t slot) {
  for (;;) {
    Exchange exchange;
    if (!readFrame(fd, false, exchange.request) || !sendAll(upstream, exchange.request) ||
        !readFrame(upstream, true, exchange.reply))
      return;
    // Written down before the client sees the reply: what it does next comes after.
    {
      std::lock_guard guard(m_lock);
      m_recorded[slot].transcript.push_back(exchange);
    }
    if (!sendAll(fd, exchange.reply))
      return;
  }
}

void TranscriptPeer::answer(int fd, Transcript script) {
  std::vector<std::uint8_t> request;
  for (Exchange& exchange : script) {
    if (!readFrame(fd, false, request))
      return;
    // The only work per request: the reply names the request it answers.
    bytes::storeLe32(exchange.reply, wire::kReplySequenceAt,
                     bytes::loadLe32(request, wire::kRequestSequenceAt));
    if (!sendAll(fd, exchange.reply))
      return;
  }
}

} // namespace tarsel::vesk::bench
