#include "platform/reg/RegistryLock.h"

#include "platform/Win32Error.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarsel::reg {

RegistryLock::~RegistryLock() {
  release();
}

LONG RegistryLock::acquire(const std::string& lockPath) {
  release();
  int fd = -1;
  do {
    fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int err = errno;
    if (err == EACCES || err == EPERM || err == EROFS)
      return ERROR_ACCESS_DENIED;
    return static_cast<LONG>(Win32FromErrno(err));
  }
  int rc = 0;
  do {
    rc = ::flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    return static_cast<LONG>(Win32FromErrno(err));
  }
  m_fd = fd;
  return ERROR_SUCCESS;
}

void RegistryLock::release() {
  if (m_fd < 0)
    return;
  ::flock(m_fd, LOCK_UN);
  ::close(m_fd);
  m_fd = -1;
}

} // namespace tarsel::reg
