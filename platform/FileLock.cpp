#include "platform/FileLock.h"

#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>

namespace tarsel::platform {

FileLock::~FileLock() {
  release();
}

LONG FileLock::acquire(const std::string& lockPath, mode_t mode) {
  release();
  UniqueFd file = openFile(lockPath, O_RDWR | O_CREAT, mode);
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

void FileLock::release() {
  if (!m_file.valid())
    return;
  ::flock(m_file.get(), LOCK_UN);
  m_file.reset();
}

} // namespace tarsel::platform
