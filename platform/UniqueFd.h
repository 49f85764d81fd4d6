// Owns one open file descriptor and closes it when it goes away; move-only.
// Used by one thread at a time, like the descriptor it holds. close() is for
// callers that must know whether closing failed (a file written through the
// descriptor); the destructor ignores the result.
#pragma once

#include <cerrno>
#include <utility>

#include <unistd.h>

namespace tarsel::platform {

class UniqueFd {
public:
  UniqueFd() noexcept = default;
  explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other)
      reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const noexcept { return m_fd; }
  bool valid() const noexcept { return m_fd >= 0; }

  // Gives up ownership without closing.
  int release() noexcept { return std::exchange(m_fd, -1); }

  void reset(int fd = -1) noexcept {
    if (m_fd >= 0)
      ::close(m_fd);
    m_fd = fd;
  }

  // Closes now: 0, or the errno of a failed close (the descriptor is gone
  // either way).
  int close() noexcept {
    if (m_fd < 0)
      return 0;
    const int rc = ::close(std::exchange(m_fd, -1));
    return rc == 0 ? 0 : errno;
  }

private:
  int m_fd = -1;
};

} // namespace tarsel::platform
