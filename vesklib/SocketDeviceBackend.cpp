#include "vesklib/SocketDeviceBackend.h"

#include "platform/Win32Error.h"
#include "vesklib/VeskWire.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::vesk {

namespace {

using Clock = std::chrono::steady_clock;

struct Deadline {
  bool infinite = false;
  Clock::time_point at;

  static Deadline after(std::uint32_t ms) {
    Deadline d;
    d.infinite = ms == 0;
    d.at = Clock::now() + std::chrono::milliseconds(ms);
    return d;
  }
  // Milliseconds left for poll(): -1 for no limit, 0 when passed.
  int remainingMs() const {
    if (infinite)
      return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now()).count();
    if (left <= 0)
      return 0;
    return static_cast<int>(std::min<long long>(left, 1 << 30));
  }
};

// 0, ERROR_SEM_TIMEOUT or ERROR_DEV_NOT_EXIST.
DWORD waitFor(int fd, short events, const Deadline& deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int rc = ::poll(&p, 1, deadline.remainingMs());
    if (rc < 0) {
      if (errno == EINTR)
        continue;
      return ERROR_DEV_NOT_EXIST;
    }
    if (rc == 0)
      return ERROR_SEM_TIMEOUT;
    if (p.revents & (events | POLLHUP | POLLERR))
      return ERROR_SUCCESS;
    return ERROR_DEV_NOT_EXIST;
  }
}

// `done` counts the bytes that went out, also when the send fails.
DWORD sendAll(int fd, std::span<const std::uint8_t> headerBytes, std::span<const std::uint8_t> payload,
              const Deadline& deadline, std::size_t& done) {
  const std::uint8_t* header = headerBytes.data();
  const std::size_t headerSize = headerBytes.size();
  done = 0;
  const std::size_t total = headerSize + payload.size();
  while (done < total) {
    iovec parts[2];
    int count = 0;
    if (done < headerSize) {
      parts[count++] = {const_cast<std::uint8_t*>(header + done), headerSize - done};
      if (!payload.empty())
        parts[count++] = {const_cast<std::uint8_t*>(payload.data()), payload.size()};
    } else {
      const std::size_t offset = done - headerSize;
      parts[count++] = {const_cast<std::uint8_t*>(payload.data() + offset), payload.size() - offset};
    }
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = static_cast<std::size_t>(count);
    const ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
    if (sent > 0) {
      done += static_cast<std::size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR)
      continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (const DWORD wait = waitFor(fd, POLLOUT, deadline))
        return wait;
      continue;
    }
    return ERROR_DEV_NOT_EXIST;
  }
  return ERROR_SUCCESS;
}

// Reads exactly size bytes into target (or discards them when target is null).
DWORD receiveExactly(int fd, std::uint8_t* target, std::size_t size, const Deadline& deadline) {
  std::uint8_t scratch[4096];
  std::size_t done = 0;
  while (done < size) {
    std::uint8_t* into = target ? target + done : scratch;
    const std::size_t want = target ? size - done : std::min(sizeof scratch, size - done);
    const ssize_t got = ::recv(fd, into, want, 0);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
      continue;
    }
    if (got == 0)
      return ERROR_DEV_NOT_EXIST;
    if (errno == EINTR)
      continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (const DWORD wait = waitFor(fd, POLLIN, deadline))
        return wait;
      continue;
    }
    return ERROR_DEV_NOT_EXIST;
  }
  return ERROR_SUCCESS;
}

// Reads the reply header and as much of the data as has arrived (never more
// than `in` holds) with as few reads as possible: reads header and data
// together, and waits only when nothing has arrived yet. `done` counts every
// byte read, also when the read fails; `got` is the number of data bytes read.
DWORD receiveReply(int fd, std::span<std::uint8_t> header, std::span<std::uint8_t> in, std::size_t& done,
                   std::size_t& got, const Deadline& deadline) {
  done = 0;
  const std::size_t total = header.size() + in.size();
  while (done < header.size()) {
    iovec parts[2];
    int count = 0;
    parts[count++] = {header.data() + done, header.size() - done};
    if (!in.empty())
      parts[count++] = {in.data(), in.size()};
    const ssize_t n = ::readv(fd, parts, count);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0)
      return ERROR_DEV_NOT_EXIST;
    if (errno == EINTR)
      continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (const DWORD wait = waitFor(fd, POLLIN, deadline))
        return wait;
      continue;
    }
    return ERROR_DEV_NOT_EXIST;
  }
  got = std::min(done, total) - header.size();
  return ERROR_SUCCESS;
}

} // namespace

SocketDeviceBackend::SocketDeviceBackend(std::string folder, std::uint32_t controlTimeoutMs)
    : m_folder(std::move(folder)), m_controlTimeoutMs(controlTimeoutMs) {}

int SocketDeviceBackend::initControl(bool& driveNamesUsable) {
  driveNamesUsable = false;
  struct stat info {};
  if (::stat(m_folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    return 29;
  return 0;
}

std::string SocketDeviceBackend::controlDevicePath() {
  return m_folder + "/" + wire::kControlDeviceName;
}

std::string SocketDeviceBackend::cameraDevicePath(std::uint32_t index) {
  return m_folder + "/" + wire::cameraDeviceName(index);
}

std::vector<std::string> SocketDeviceBackend::driveDevicePaths() {
  // The simulator offers no drive devices.
  return {};
}

DWORD SocketDeviceBackend::open(const std::string& path, int& handle) {
  handle = -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty())
    return ERROR_FILE_NOT_FOUND;
  if (path.size() >= sizeof address.sun_path)
    return ERROR_FILENAME_EXCED_RANGE;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return Win32FromErrno(errno);
  // A local connect completes at once (or waits only while the peer's
  // backlog is full); every later wait is bounded by poll.
  int rc = 0;
  do {
    rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int error = errno;
    ::close(fd);
    return error == ECONNREFUSED ? ERROR_DEV_NOT_EXIST : Win32FromErrno(error);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
    const int error = errno;
    ::close(fd);
    return Win32FromErrno(error);
  }
  handle = fd;
  return ERROR_SUCCESS;
}

void SocketDeviceBackend::close(int handle) {
  if (handle < 0)
    return;
  setOwedReplies(handle, 0);
  ::close(handle);
}

std::uint32_t SocketDeviceBackend::owedReplies(int handle) {
  std::lock_guard guard(m_lock);
  const auto it = m_owed.find(handle);
  return it == m_owed.end() ? 0 : it->second;
}

void SocketDeviceBackend::setOwedReplies(int handle, std::uint32_t owed) {
  std::lock_guard guard(m_lock);
  if (owed == 0)
    m_owed.erase(handle);
  else
    m_owed[handle] = owed;
}

SocketDeviceBackend::Exchange SocketDeviceBackend::exchange(int handle, wire::RequestHeader request,
                                                            std::span<const std::uint8_t> payload,
                                                            std::span<std::uint8_t> in) {
  Exchange result;
  if (handle < 0) {
    result.error = ERROR_INVALID_HANDLE;
    return result;
  }
  request.sequence = m_nextSequence.fetch_add(1, std::memory_order_relaxed);
  const auto header = wire::encodeRequestHeader(request);
  const Deadline deadline = Deadline::after(request.timeoutMs);
  const std::uint32_t owedBefore = owedReplies(handle);
  std::uint32_t owed = owedBefore;
  enum class Stream { InStep, ReplyOwed, OutOfStep };
  const auto fail = [&](DWORD error, Stream stream) {
    if (stream == Stream::OutOfStep)
      ::shutdown(handle, SHUT_RDWR); // no later reply can be trusted: the device is as good as gone
    if (stream == Stream::ReplyOwed)
      ++owed;
    if (owed != owedBefore)
      setOwedReplies(handle, owed);
    Exchange failed;
    failed.error = error;
    return failed;
  };

  std::size_t sent = 0;
  if (const DWORD error = sendAll(handle, header, payload, deadline, sent))
    return fail(error, sent == 0 ? Stream::InStep : Stream::OutOfStep);

  for (;;) {
    // While late replies may still come, read one frame at a time: no byte of
    // the frame after a late reply may land in the caller's buffer.
    const std::span<std::uint8_t> ahead = owed == 0 ? in : std::span<std::uint8_t>{};
    std::array<std::uint8_t, wire::kReplyHeaderSize> replyBytes{};
    std::size_t done = 0;
    std::size_t got = 0;
    if (const DWORD error = receiveReply(handle, replyBytes, ahead, done, got, deadline))
      return fail(error, done != 0                    ? Stream::OutOfStep
                         : error == ERROR_SEM_TIMEOUT ? Stream::ReplyOwed
                                                      : Stream::InStep);
    wire::ReplyHeader reply;
    if (wire::decodeReplyHeader(replyBytes, reply) != wire::DecodeStatus::Ok)
      return fail(ERROR_DEV_NOT_EXIST, Stream::OutOfStep);
    if (reply.sequence != request.sequence) {
      // The late answer to a request that timed out: drop it and wait on.
      // A reply that answers nothing still awaited means the peer is out of step.
      if (owed == 0)
        return fail(ERROR_DEV_NOT_EXIST, Stream::OutOfStep);
      --owed;
      if (const DWORD error = receiveExactly(handle, nullptr, reply.dataLength, deadline))
        return fail(error, Stream::OutOfStep);
      continue;
    }
    // The peer may send more than asked; keep what fits and drop the rest so
    // the stream stays in step.
    const std::uint32_t kept =
        std::min<std::uint32_t>(reply.dataLength, static_cast<std::uint32_t>(in.size()));
    if (got > kept) {
      // Bytes past the reply's own length cannot belong to it.
      return fail(ERROR_DEV_NOT_EXIST, Stream::OutOfStep);
    }
    if (const DWORD error = receiveExactly(handle, in.data() + got, kept - got, deadline))
      return fail(error, Stream::OutOfStep);
    if (const DWORD error = receiveExactly(handle, nullptr, reply.dataLength - kept, deadline))
      return fail(error, Stream::OutOfStep);
    if (owed != owedBefore)
      setOwedReplies(handle, owed);

    result.error = reply.error;
    result.scsiStatus = reply.scsiStatus;
    result.senseLength = reply.senseLength;
    result.sense = reply.sense;
    result.transferred = kept;
    return result;
  }
}

ControlOutcome SocketDeviceBackend::deviceControl(int handle, std::uint32_t code,
                                                  std::span<std::uint8_t> out) {
  wire::RequestHeader request;
  request.kind = wire::RequestKind::DeviceControl;
  request.controlCode = code;
  request.direction = wire::Direction::DataIn;
  request.dataLength = static_cast<std::uint32_t>(out.size());
  request.timeoutMs = m_controlTimeoutMs;
  const Exchange result = exchange(handle, request, {}, out);
  return {result.error, result.transferred};
}

ScsiOutcome SocketDeviceBackend::passThrough(int handle, const ScsiCommand& command) {
  wire::RequestHeader request;
  request.kind = wire::RequestKind::ScsiPassThrough;
  request.cdbLength = command.cdbLength;
  std::copy_n(command.cdb.begin(), std::min<std::size_t>(command.cdbLength, wire::kCdbCapacity),
              request.cdb.begin());
  request.direction = static_cast<wire::Direction>(command.direction);
  request.dataLength = command.dataLength();
  request.timeoutMs = command.timeoutMs;
  const std::span<const std::uint8_t> payload =
      command.direction == DataDirection::Out ? command.dataOut : std::span<const std::uint8_t>{};
  const std::span<std::uint8_t> in =
      command.direction == DataDirection::In ? command.dataIn : std::span<std::uint8_t>{};
  const Exchange result = exchange(handle, request, payload, in);
  ScsiOutcome outcome;
  outcome.error = result.error;
  outcome.scsiStatus = result.scsiStatus;
  outcome.senseLength = result.senseLength;
  outcome.sense = result.sense;
  outcome.transferred = result.transferred;
  return outcome;
}

} // namespace tarsel::vesk
