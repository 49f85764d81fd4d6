#include "platform/reg/RegistryLock.h"

#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>

namespace tarsel::reg {

RegistryLock::~RegistryLock() {
  release();
}

LONG RegistryLock::acquire(const std::string& lockPath) {
  release();
  platform::UniqueFd file = platform::openFile(lockPath, O_RDWR | O_CREAT, 0600);
  if (!file.valid()) {
    const int err = errno;
    if (err == EACCES || err == EPERM || err == EROFS)
      return ERROR_ACCESS_DENIED;
    return static_cast<LONG>(Win32FromErrno(err));
  }
  int rc = 0;
  do {
    rc = ::flock(file.get(), LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0)
    return static_cast<LONG>(Win32FromErrno(errno));
  m_file = std::move(file);
  return ERROR_SUCCESS;
}

void RegistryLock::release() {
  if (!m_file.valid())
    return;
  ::flock(m_file.get(), LOCK_UN);
  m_file.reset();
}

} // namespace tarsel::reg
