#include "vantic/SerialPort.h"

#include "platform/Win32Error.h"
#include "vantic/Tick.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tarsel::vantic {

namespace {

struct BaudRow {
  int baud;
  speed_t speed;
};

constexpr BaudRow kBauds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool speedOf(int baud, speed_t& speed) {
  for (const BaudRow& row : kBauds) {
    if (row.baud == baud) {
      speed = row.speed;
      return true;
    }
  }
  return false;
}

tcflag_t sizeBits(int dataBits) {
  switch (dataBits) {
  case 5:
    return CS5;
  case 6:
    return CS6;
  case 7:
    return CS7;
  default:
    return CS8;
  }
}

} // namespace

SerialPort::~SerialPort() {
  close();
}

std::string SerialPort::devicePath(int port) {
  const std::string name = "TARSEL_VANTIC_COM" + std::to_string(port);
  if (const char* path = std::getenv(name.c_str()); path && *path)
    return path;
  return "/dev/ttyS" + std::to_string(port - 1);
}

bool SerialPort::supportsBaud(int baud) {
  speed_t speed;
  return speedOf(baud, speed);
}

bool SerialPort::open(const std::string& path, int baud, int dataBits) {
  if (isOpen() || dataBits < 5 || dataBits > 8 || !supportsBaud(baud)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  // The exclusive mode belongs to the terminal: a failed open clears only
  // what it set itself, never another holder's.
  bool exclusive = false;
  auto fail = [&](int error) {
    if (exclusive)
      ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    SetLastError(Win32FromErrno(error));
    return false;
  };
  if (!::isatty(fd))
    return fail(ENOTTY);
  // Exclusive: flock refuses a second open even where TIOCEXCL does not
  // (root passes TIOCEXCL).
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    return fail(errno == EWOULDBLOCK ? EBUSY : errno);
  int already = 0;
  if (::ioctl(fd, TIOCGEXCL, &already) != 0)
    already = 0;
  if (::ioctl(fd, TIOCEXCL) != 0)
    return fail(errno);
  exclusive = already == 0;
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0)
    return fail(errno);
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= sizeBits(dataBits) | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  m_fd = fd;
  m_clearsExclusive = exclusive;
  m_settings = settings;
  m_baud = baud;
  if (!apply()) {
    const int error = errno;
    m_fd = -1;
    m_clearsExclusive = false;
    return fail(error);
  }
  // DTR and RTS up as a freshly opened port has them; a pseudo-terminal has
  // no modem lines, so a failure here is no failure of the open.
  int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd, TIOCMBIS, &lines);
  ::tcflush(fd, TCIOFLUSH);
  return true;
}

bool SerialPort::close() {
  if (m_fd < 0)
    return true;
  const int fd = m_fd;
  m_fd = -1;
  m_baud = 0;
  // Drop the exclusive mode this port set: it belongs to the terminal, not
  // to this file, and would refuse the next open while another holder keeps
  // the terminal alive.
  if (m_clearsExclusive)
    ::ioctl(fd, TIOCNXCL);
  m_clearsExclusive = false;
  if (::close(fd) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool SerialPort::apply() {
  speed_t speed;
  if (m_fd < 0 || !speedOf(m_baud, speed)) {
    errno = EINVAL;
    return false;
  }
  if (::cfsetispeed(&m_settings, speed) != 0 || ::cfsetospeed(&m_settings, speed) != 0)
    return false;
  return ::tcsetattr(m_fd, TCSANOW, &m_settings) == 0;
}

bool SerialPort::setBaud(int baud) {
  if (m_fd < 0 || !supportsBaud(baud)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const int old = m_baud;
  m_baud = baud;
  if (apply())
    return true;
  SetLastErrorFromErrno();
  m_baud = old;
  return false;
}

bool SerialPort::setFlow(int kind) {
  if (m_fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const tcflag_t softFlow = IXON | IXOFF;
  switch (kind) {
  case 0:
    m_settings.c_cflag |= CRTSCTS;
    m_settings.c_iflag &= ~softFlow;
    break;
  case 1:
    m_settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    m_settings.c_iflag |= softFlow;
    m_settings.c_cc[VSTART] = 0x11;
    m_settings.c_cc[VSTOP] = 0x13;
    break;
  case 2:
    m_settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    m_settings.c_iflag &= ~softFlow;
    break;
  default:
    break;
  }
  if (apply())
    return true;
  SetLastErrorFromErrno();
  return false;
}

int SerialPort::read(std::uint8_t* buffer, std::size_t count, int timeoutMs) {
  if (m_fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  const std::int64_t deadline = Tick::nowMs() + (timeoutMs > 0 ? timeoutMs : 0);
  std::size_t got = 0;
  while (got < count) {
    const ssize_t n = ::read(m_fd, buffer + got, count - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && errno != EAGAIN) {
      if (got > 0)
        break;
      SetLastErrorFromErrno();
      return -1;
    }
    const std::int64_t left = deadline - Tick::nowMs();
    if (left <= 0)
      break;
    pollfd pfd{m_fd, POLLIN, 0};
    const int rc = ::poll(&pfd, 1, static_cast<int>(left));
    if (rc < 0 && errno != EINTR) {
      if (got > 0)
        break;
      SetLastErrorFromErrno();
      return -1;
    }
    if (rc > 0 && (pfd.revents & (POLLERR | POLLNVAL))) {
      if (got > 0)
        break;
      SetLastError(ERROR_READ_FAULT);
      return -1;
    }
    // A hung-up pseudo-terminal reports POLLHUP with nothing to read: wait out
    // the time-out instead of spinning.
    if (rc > 0 && (pfd.revents & POLLHUP) && !(pfd.revents & POLLIN))
      Tick::sleepMs(std::min<std::int64_t>(left, 1));
  }
  return static_cast<int>(got);
}

bool SerialPort::write(const std::uint8_t* bytes, std::size_t count) {
  if (m_fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const std::int64_t deadline = Tick::nowMs() + writeTimeoutMs(count);
  std::size_t sent = 0;
  while (sent < count) {
    const ssize_t n = ::write(m_fd, bytes + sent, count - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && errno != EAGAIN) {
      SetLastErrorFromErrno();
      return false;
    }
    const std::int64_t left = deadline - Tick::nowMs();
    if (left <= 0) {
      SetLastError(ERROR_SEM_TIMEOUT);
      return false;
    }
    pollfd pfd{m_fd, POLLOUT, 0};
    if (::poll(&pfd, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
      SetLastErrorFromErrno();
      return false;
    }
  }
  // Flush: wait until the driver's output queue is empty, bounded by the same
  // deadline (tcdrain has no time-out).
  for (;;) {
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
      return true;
    if (Tick::nowMs() >= deadline) {
      SetLastError(ERROR_SEM_TIMEOUT);
      return false;
    }
    Tick::sleepMs(1);
  }
}

} // namespace tarsel::vantic
