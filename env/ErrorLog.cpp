#include "env/ErrorReport.h"

#include "env/CamStorageDir.h"
#include "env/SysVersion.h"
#include "env/TarselFileTime.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/file.h>

// The error log: ErrorLog.txt in the per-user data folder. Any thread of any
// process may append to it. Each entry reaches the file whole and unmixed: one
// writer at a time within the process (a mutex) and across processes (flock
// on the file), appended with O_APPEND. Logging never throws and never
// replaces the error being logged: a failing part is left out, a file that
// cannot be opened loses the entry.

namespace {

constexpr const char* kVersion = "4.1.2.43";

std::mutex& logLock() {
  static std::mutex lock;
  return lock;
}

// Set until the first entry of this process is in the file.
std::atomic<bool> headerPending{true};

} // namespace

std::string ReportSectionLine() {
  std::string line = "*********** ";
  try {
    char buffer[100] = {};
    unsigned long length = sizeof buffer;
    if (TarselFileTime(true).GetString(buffer, length, false) == 0)
      line += buffer;
  } catch (...) {
    // The entry keeps its frame without the date.
  }
  line += " ***********\r\n";
  return line;
}

std::string ReportProgramHeader() {
  std::string header = "Tarsel Version ";
  header += kVersion;
  header += "\r\n";
  try {
    const CSysVersion version;
    std::string line = "OS: ";
    line += version.SystemName();
    line += " - ";
    line += version.ServicePack();
    header += line + "\r\n";
  } catch (...) {
    // Left out rather than replacing the error being logged.
  }
  try {
    header += IsAdmin(nullptr) ? "User IS Administrator\r\n" : "User is NOT Administrator\r\n";
  } catch (...) {
    // As above.
  }
  header += "\r\n";
  return header;
}

namespace {

// Appends `entry` to the file; false when it could not be opened or written.
bool appendEntry(const std::string& path, const std::string& entry) {
  const tarsel::platform::UniqueFd file =
      tarsel::platform::openFile(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (!file.valid())
    return false;
  while (::flock(file.get(), LOCK_EX) != 0) {
    if (errno != EINTR)
      return false;
  }
  const bool written = tarsel::platform::writeAll(file.get(), entry);
  ::flock(file.get(), LOCK_UN);
  return written;
}

void writeErrorInfo(const char* text) {
  std::string path;
  try {
    const CCamDataDir folder;
    path = folder.GetPath();
  } catch (...) {
    return;
  }
  if (path.empty())
    return;
  path += "/ErrorLog.txt";

  // The entry's frame ends its lines in CR LF; so do the text's own lines,
  // whichever line ends the caller wrote.
  std::string tail;
  for (const char* c = text ? text : ""; *c; ++c) {
    if (*c == '\r' && c[1] == '\n')
      continue;
    if (*c == '\n' || *c == '\r')
      tail += "\r\n";
    else
      tail += *c;
  }
  tail += "\r\n";

  std::lock_guard lock(logLock());
  // Stamped under the lock, so entries of this process stand in time order
  // (and the C library's time zone state is read by one thread at a time).
  std::string entry = ReportSectionLine();
  // The header goes with the first entry that this process gets into the
  // file, so a lost first entry does not leave the log without it.
  const bool withHeader = headerPending.load();
  if (withHeader)
    entry += ReportProgramHeader();
  entry += tail;
  if (appendEntry(path, entry) && withHeader)
    headerPending.store(false);
}

} // namespace

void WriteErrorInfo(const char* text) {
  // The caller is usually in the middle of handling a failure: leave its
  // error state as it was.
  const int savedErrno = errno;
  const DWORD savedLastError = GetLastError();
  try {
    writeErrorInfo(text);
  } catch (...) {
    // Logging must not throw.
  }
  SetLastError(savedLastError);
  errno = savedErrno;
}
