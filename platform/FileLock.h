// The exclusive lock that serialises the writers of one file across
// processes: flock on a lock file beside it ("<file>.lock"), a file that is
// never renamed or deleted, so its inode stays the same for everyone while
// the file itself is replaced by renames. flock belongs to the open file
// description, so two threads or two copies of a library in one process
// exclude each other as well. Released when the object goes away.
#pragma once

#include "hostapi/Win32Types.h"
#include "platform/UniqueFd.h"
#include "tarselplatform_export.h"

#include <string>

#include <sys/types.h>

namespace tarsel::platform {

class TARSELPLATFORM_EXPORT FileLock {
public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens (creating with `mode`, before the umask) and locks the file,
  // waiting for other holders. 0, or the Win32 number of the failure (5 when
  // not permitted).
  LONG acquire(const std::string& lockPath, mode_t mode = 0600);
  void release();

private:
  UniqueFd m_file;
};

} // namespace tarsel::platform
