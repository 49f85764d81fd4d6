// The exclusive lock that serialises writers of one hive file across
// processes: flock on "<file>.lock", a file that is never renamed or deleted
// so its inode stays the same for everyone. flock belongs to the open file
// description, so two threads or two copies of this library in one process
// exclude each other as well. Released when the object goes away.
#pragma once

#include "platform/UniqueFd.h"
#include "hostapi/Win32Types.h"

#include <string>

namespace tarsel::reg {

class RegistryLock {
public:
  RegistryLock() = default;
  ~RegistryLock();
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;

  // Opens (creating with mode 0600) and locks the file, waiting for other
  // holders. 0, or the Win32 number of the failure (5 when not permitted).
  LONG acquire(const std::string& lockPath);
  void release();

private:
  platform::UniqueFd m_file;
};

} // namespace tarsel::reg
