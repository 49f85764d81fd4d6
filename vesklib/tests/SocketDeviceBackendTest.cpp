// The socket back end against a scripted peer on a real Unix socket: the
// request frames it writes, replies that are short, oversized, late, garbled
// or missing, and peers that close or are not there.
#include "vesklib/SocketDeviceBackend.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"
#include "vesklib/VeskWire.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tarsel::vesk;
namespace wire = tarsel::vesk::wire;
using tarsel::test::TempDir;

namespace {

bool readExactly(int fd, std::uint8_t* into, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, into + done, size - done);
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0)
      return;
    done += static_cast<std::size_t>(n);
  }
}

// One listening socket; each accepted connection reads requests and answers
// each with the next scripted action.
class ScriptedPeer {
public:
  using Action = std::function<void(int fd, const wire::Request& request)>;

  explicit ScriptedPeer(std::string path) : m_path(std::move(path)) {
    m_listen = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(m_listen, 4), 0);
    m_thread = std::thread([this] { serve(); });
  }
  ~ScriptedPeer() {
    ::shutdown(m_listen, SHUT_RDWR);
    ::close(m_listen);
    {
      std::lock_guard guard(m_lock);
      m_stopping = true;
      if (m_client >= 0)
        ::shutdown(m_client, SHUT_RDWR);
      m_changed.notify_all();
    }
    m_thread.join();
  }

  void script(Action action) {
    std::lock_guard guard(m_lock);
    m_actions.push_back(std::move(action));
    m_changed.notify_all();
  }
  std::vector<wire::Request> requests() {
    std::lock_guard guard(m_lock);
    return m_requests;
  }
  std::vector<std::vector<std::uint8_t>> rawHeaders() {
    std::lock_guard guard(m_lock);
    return m_rawHeaders;
  }
  // Runs fn on the peer's thread, between requests, and waits for it.
  void runOnPeer(std::function<void(int fd)> fn) {
    std::unique_lock guard(m_lock);
    m_task = std::move(fn);
    m_changed.notify_all();
    m_changed.wait(guard, [this] { return !m_task; });
  }

private:
  void serve() {
    const int client = ::accept(m_listen, nullptr, nullptr);
    if (client < 0)
      return;
    {
      std::lock_guard guard(m_lock);
      m_client = client;
    }
    std::thread tasks([this, client] {
      std::unique_lock guard(m_lock);
      for (;;) {
        m_changed.wait(guard, [this] { return m_stopping || bool(m_task); });
        if (m_stopping)
          return;
        m_task(client);
        m_task = nullptr;
        m_changed.notify_all();
      }
    });
    for (;;) {
      std::vector<std::uint8_t> header(wire::kRequestHeaderSize);
      if (!readExactly(client, header.data(), header.size()))
        break;
      wire::Request request;
      if (wire::decodeRequestHeader(header, request.header) != wire::DecodeStatus::Ok)
        break;
      request.data.resize(wire::requestPayloadLength(request.header));
      if (!readExactly(client, request.data.data(), request.data.size()))
        break;
      Action action;
      {
        std::unique_lock guard(m_lock);
        m_requests.push_back(request);
        m_rawHeaders.push_back(header);
        m_changed.wait(guard, [this] { return m_stopping || !m_actions.empty(); });
        if (m_stopping)
          break;
        action = std::move(m_actions.front());
        m_actions.pop_front();
      }
      action(client, request);
    }
    {
      std::lock_guard guard(m_lock);
      m_stopping = true;
      m_changed.notify_all();
    }
    tasks.join();
    ::close(client);
  }

  std::string m_path;
  int m_listen = -1;
  int m_client = -1;
  std::thread m_thread;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<Action> m_actions;
  std::vector<wire::Request> m_requests;
  std::vector<std::vector<std::uint8_t>> m_rawHeaders;
  std::function<void(int)> m_task;
  bool m_stopping = false;
};

// The reply to the request with the given sequence number.
std::vector<std::uint8_t> replyBytes(std::uint32_t sequence, std::uint32_t error,
                                     std::vector<std::uint8_t> data,
                                     std::optional<std::uint32_t> claimed = {}) {
  wire::ReplyHeader h;
  h.sequence = sequence;
  h.error = error;
  h.dataLength = claimed ? *claimed : static_cast<std::uint32_t>(data.size());
  const auto header = wire::encodeReplyHeader(h);
  std::vector<std::uint8_t> out(header.size() + data.size());
  std::copy(header.begin(), header.end(), out.begin());
  std::copy(data.begin(), data.end(), out.begin() + static_cast<long>(header.size()));
  return out;
}

// Sends bytes[from, to) and returns once the reader has taken all of them, so
// that its next read finds nothing and has to wait.
void sendDrained(int fd, const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
  writeAll(fd, std::vector<std::uint8_t>(bytes.begin() + static_cast<long>(from),
                                         bytes.begin() + static_cast<long>(to)));
  int unread = 1;
  while (::ioctl(fd, SIOCOUTQ, &unread) == 0 && unread > 0)
    std::this_thread::yield();
}

ScsiOutcome readCommand(SocketDeviceBackend& backend, int handle, std::span<std::uint8_t> into,
                        std::uint32_t timeoutMs = 5000) {
  ScsiCommand command;
  command.cdb[0] = 0xC2;
  command.cdb[9] = static_cast<std::uint8_t>(into.size());
  command.direction = DataDirection::In;
  command.dataIn = into;
  command.timeoutMs = timeoutMs;
  return backend.passThrough(handle, command);
}

struct Rig {
  TempDir dir;
  SocketDeviceBackend backend{dir.path(), 2000};
  std::unique_ptr<ScriptedPeer> peer = std::make_unique<ScriptedPeer>(dir.file("BrantelVesk0"));
  int handle = -1;
  Rig() { EXPECT_EQ(backend.open(backend.cameraDevicePath(0), handle), 0u); }
  ~Rig() { backend.close(handle); }
};

} // namespace

TEST(SocketDeviceBackend, RequestsAreWrittenAsTheWireFrame) {
  Rig rig;
  rig.peer->script(
      [](int fd, const wire::Request& r) { writeAll(fd, replyBytes(r.header.sequence, 0, {})); });
  const std::vector<std::uint8_t> block = {0x0C, 0, 0, 0, 1, 0, 0xFF, 0x9F, 0, 0, 0, 0, 0, 0, 0, 0};
  ScsiCommand open;
  open.cdb[0] = 0xC0;
  open.cdb[9] = 16;
  open.direction = DataDirection::Out;
  open.dataOut = block;
  open.timeoutMs = 47000;
  EXPECT_EQ(rig.backend.passThrough(rig.handle, open).error, 0u);
  const auto headers = rig.peer->rawHeaders();
  ASSERT_EQ(headers.size(), 1u);
  std::vector<std::uint8_t> expected(wire::kRequestHeaderSize, 0);
  const std::uint8_t fixed[] = {0x56, 0x4B, 0x53, 0x51, 1, 0, 0, 0, 0, 0, 0, 0, 12, 1, 0, 0, 0xC0};
  std::copy(std::begin(fixed), std::end(fixed), expected.begin());
  expected[16 + 9] = 16;
  expected[32] = 16;
  expected[36] = 0x98; // 47000 = 0xB798
  expected[37] = 0xB7;
  const std::uint32_t sequence = rig.peer->requests()[0].header.sequence;
  for (std::size_t i = 0; i < 4; ++i)
    expected[40 + i] = static_cast<std::uint8_t>(sequence >> (8 * i));
  EXPECT_EQ(headers[0], expected);
  EXPECT_EQ(rig.peer->requests()[0].data, block);
}

TEST(SocketDeviceBackend, RepliesAreBoundedByTheBufferAndTheStreamStaysInStep) {
  Rig rig;
  // More data than asked for: keep what fits, drop the rest.
  rig.peer->script([](int fd, const wire::Request& r) {
    writeAll(fd, replyBytes(r.header.sequence, 0, std::vector<std::uint8_t>(64, 7)));
  });
  rig.peer->script([](int fd, const wire::Request& r) {
    writeAll(fd, replyBytes(r.header.sequence, 0, {1, 2, 3}));
  });
  rig.peer->script(
      [](int fd, const wire::Request& r) { writeAll(fd, replyBytes(r.header.sequence, 31, {})); });
  auto exact = std::make_unique<std::uint8_t[]>(16);
  auto outcome = readCommand(rig.backend, rig.handle, std::span(exact.get(), 16));
  EXPECT_EQ(outcome.error, 0u);
  EXPECT_EQ(outcome.transferred, 16u);
  EXPECT_EQ(exact[15], 7);
  std::uint8_t buffer[16] = {};
  outcome = readCommand(rig.backend, rig.handle, buffer);
  EXPECT_EQ(outcome.error, 0u);
  EXPECT_EQ(outcome.transferred, 3u);
  EXPECT_EQ(buffer[2], 3);
  outcome = readCommand(rig.backend, rig.handle, buffer);
  EXPECT_EQ(outcome.error, ERROR_GEN_FAILURE);
  EXPECT_EQ(outcome.transferred, 0u);

  // A reply that arrives in pieces, split inside the header and the data.
  rig.peer->script([](int fd, const wire::Request& r) {
    std::vector<std::uint8_t> data(12);
    for (std::size_t i = 0; i < data.size(); ++i)
      data[i] = static_cast<std::uint8_t>(40 + i);
    const auto bytes = replyBytes(r.header.sequence, 0, data);
    sendDrained(fd, bytes, 0, 5);
    sendDrained(fd, bytes, 5, wire::kReplyHeaderSize + 3);
    sendDrained(fd, bytes, wire::kReplyHeaderSize + 3, bytes.size());
  });
  std::fill(std::begin(buffer), std::end(buffer), std::uint8_t{0});
  outcome = readCommand(rig.backend, rig.handle, buffer);
  EXPECT_EQ(outcome.error, 0u);
  ASSERT_EQ(outcome.transferred, 12u);
  for (std::size_t i = 0; i < 12; ++i)
    EXPECT_EQ(buffer[i], 40 + i) << i;
  EXPECT_EQ(buffer[12], 0);
}

TEST(SocketDeviceBackend, NoReplyInTimeIsATimeOutAndALateReplyIsNeverTakenForTheNext) {
  Rig rig;
  std::uint8_t buffer[4] = {};
  const auto sequenceOf = [&rig](std::size_t request) {
    return rig.peer->requests().at(request).header.sequence;
  };
  rig.peer->script([](int, const wire::Request&) {});
  EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer, 50).error, ERROR_SEM_TIMEOUT);
  // The late answer to the first request comes only after the second was sent, right before its own.
  rig.peer->script([&](int fd, const wire::Request& r) {
    writeAll(fd, replyBytes(sequenceOf(0), 0, {9, 9, 9, 9}));
    writeAll(fd, replyBytes(r.header.sequence, 0, {1, 1, 1, 1}));
  });
  auto outcome = readCommand(rig.backend, rig.handle, buffer);
  EXPECT_EQ(outcome.error, 0u);
  EXPECT_EQ(outcome.transferred, 4u);
  EXPECT_EQ(buffer[0], 1);

  // Two requests time out; both late answers (one longer than the buffer) and then
  // the third's own arrive in one burst.
  rig.peer->script([](int, const wire::Request&) {});
  rig.peer->script([](int, const wire::Request&) {});
  EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer, 50).error, ERROR_SEM_TIMEOUT);
  EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer, 50).error, ERROR_SEM_TIMEOUT);
  rig.peer->script([&](int fd, const wire::Request& r) {
    auto burst = replyBytes(sequenceOf(2), 0, std::vector<std::uint8_t>(64, 8));
    const auto second = replyBytes(sequenceOf(3), 0, {7});
    const auto own = replyBytes(r.header.sequence, 0, {2, 2});
    burst.insert(burst.end(), second.begin(), second.end());
    burst.insert(burst.end(), own.begin(), own.end());
    writeAll(fd, burst);
  });
  outcome = readCommand(rig.backend, rig.handle, buffer);
  EXPECT_EQ(outcome.error, 0u);
  EXPECT_EQ(outcome.transferred, 2u);
  EXPECT_EQ(buffer[0], 2);

  // Every request had a number of its own; a reply to none still awaited ends the connection.
  EXPECT_NE(sequenceOf(0), sequenceOf(1));
  EXPECT_NE(sequenceOf(3), sequenceOf(4));
  rig.peer->script(
      [](int fd, const wire::Request& r) { writeAll(fd, replyBytes(r.header.sequence + 100, 0, {})); });
  EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer).error, ERROR_DEV_NOT_EXIST);
  EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer).error, ERROR_DEV_NOT_EXIST);
}

TEST(SocketDeviceBackend, AClosedOrGarbledConnectionIsADeviceThatIsGone) {
  {
    Rig rig;
    rig.peer->script([](int fd, const wire::Request&) { ::shutdown(fd, SHUT_RDWR); });
    std::uint8_t buffer[4];
    EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer).error, ERROR_DEV_NOT_EXIST);
    EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer).error, ERROR_DEV_NOT_EXIST);
  }
  {
    Rig rig;
    rig.peer->script([](int fd, const wire::Request& r) {
      auto bytes = replyBytes(r.header.sequence, 0, {1, 2});
      bytes[0] ^= 0xFF;
      writeAll(fd, bytes);
    });
    std::uint8_t buffer[4];
    EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer).error, ERROR_DEV_NOT_EXIST);
  }
  {
    Rig rig;
    // A header, then the connection ends before the data it announced.
    rig.peer->script([](int fd, const wire::Request& r) {
      auto bytes = replyBytes(r.header.sequence, 0, {1, 2}, 4);
      writeAll(fd, bytes);
      ::shutdown(fd, SHUT_RDWR);
    });
    std::uint8_t buffer[4];
    EXPECT_EQ(readCommand(rig.backend, rig.handle, buffer).error, ERROR_DEV_NOT_EXIST);
  }
}

TEST(SocketDeviceBackend, ControlQueriesDevicePathsAndMissingPeers) {
  TempDir dir;
  SocketDeviceBackend backend(dir.path(), 2000);
  bool driveNames = true;
  EXPECT_EQ(backend.initControl(driveNames), 0);
  EXPECT_FALSE(driveNames);
  EXPECT_EQ(backend.controlDevicePath(), dir.file("BrantelVesk"));
  EXPECT_EQ(backend.cameraDevicePath(3), dir.file("BrantelVesk3"));
  EXPECT_TRUE(backend.driveDevicePaths().empty());

  int handle = -1;
  EXPECT_EQ(backend.open(backend.controlDevicePath(), handle), ERROR_FILE_NOT_FOUND);
  // A socket file nobody listens on any more.
  { ScriptedPeer gone(dir.file("BrantelVesk1")); }
  EXPECT_EQ(backend.open(backend.cameraDevicePath(1), handle), ERROR_DEV_NOT_EXIST);

  ScriptedPeer control(backend.controlDevicePath());
  control.script([](int fd, const wire::Request& r) {
    const auto answer = wire::encodeCountAnswer(3);
    writeAll(fd, replyBytes(r.header.sequence, 0, {answer.begin(), answer.end()}));
  });
  ASSERT_EQ(backend.open(backend.controlDevicePath(), handle), 0u);
  std::array<std::uint8_t, 8> out{};
  const ControlOutcome outcome = backend.deviceControl(handle, 0x222004, out);
  backend.close(handle);
  EXPECT_EQ(outcome.error, 0u);
  EXPECT_EQ(outcome.transferred, 8u);
  EXPECT_EQ(out[0], 3);
  const auto request = control.requests().at(0);
  EXPECT_EQ(request.header.kind, wire::RequestKind::DeviceControl);
  EXPECT_EQ(request.header.controlCode, 0x222004u);
  EXPECT_EQ(request.header.direction, wire::Direction::DataIn);
  EXPECT_EQ(request.header.dataLength, 8u);

  SocketDeviceBackend missing(dir.file("no-such-folder"));
  EXPECT_EQ(missing.initControl(driveNames), 29);
}
