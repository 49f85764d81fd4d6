// Whole-file reads and writes on POSIX descriptors, the way this suite reads
// its settings and data files and replaces them: bounded reads of regular
// files, writes that survive EINTR and partial writes, and replacement by a
// temporary file renamed over the old one, so a reader sees the old or the
// new file and never a part.
//
// Any thread may call these; each call uses descriptors of its own. Failures
// come back as values (a status and the errno of the step that failed); the
// Win32 number of a read failure is there for callers that report like the
// system's file calls. Nothing throws but std::bad_alloc.
#pragma once

#include "hostapi/Win32Types.h"
#include "platform/UniqueFd.h"
#include "tarselplatform_export.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/types.h>

namespace tarsel::platform {

// Opens `path` (O_CLOEXEC added), again after EINTR; an invalid descriptor
// with errno set on failure.
TARSELPLATFORM_EXPORT UniqueFd openFile(const std::string& path, int flags, mode_t mode = 0);

// Writes all of `bytes`, continuing after EINTR and partial writes. False
// with errno set on failure (EIO when the file takes no more bytes).
TARSELPLATFORM_EXPORT bool writeAll(int fd, std::string_view bytes);

enum class ReadStatus {
  Ok,
  Missing,    // the path names nothing (ENOENT on open)
  Failed,     // open, fstat or read failed: see `error`
  NotRegular, // a folder, FIFO, device ...: see `info.st_mode`
  TooLarge,   // more than the caller's limit, at open or while reading
  ShortRead,  // the file ended before the size fstat gave
};

struct ReadOptions {
  std::size_t maxBytes = 0;
  // Open with O_NONBLOCK, so a FIFO in the file's place cannot hang the caller.
  bool nonBlocking = false;
  // Hand back the open descriptor (a cache that keeps the inode alive).
  bool keepOpen = false;
};

struct FileContents {
  ReadStatus status = ReadStatus::Missing;
  int error = 0; // errno, with ReadStatus::Failed
  std::string bytes;
  struct stat info {}; // as fstat saw it, once the file was open
  UniqueFd file;       // with keepOpen, once the file was open

  bool ok() const { return status == ReadStatus::Ok; }
};

// Reads the whole of the regular file at `path`, to its end and never more
// than options.maxBytes: the size fstat gives is only a hint for a file that
// someone edits in place, but a file that ends before it is a failure.
TARSELPLATFORM_EXPORT FileContents readWholeFile(const std::string& path, const ReadOptions& options);

// A read failure as the system's file calls report it: the errno's Win32
// number, 5 for a folder, 87 for another file that is not plain, 8 for a file
// over the limit, 30 for a short read; 0 for Ok and Missing.
TARSELPLATFORM_EXPORT DWORD win32ReadError(const FileContents& contents);

struct ReplaceOptions {
  // The temporary file's path for attempt 0, 1, ...; it must lie in the
  // target's folder so that the rename stays on one file system.
  std::function<std::string(int attempt)> temporaryPath;
  int attempts = 1;
  // When a temporary file of that name exists: true removes it and tries the
  // same name again (names only a dead writer of the caller can have left),
  // false tries the next name.
  bool removeLeftover = false;
  mode_t createMode = 0666; // before the umask
  // The permissions the new file gets before the rename, when given.
  std::optional<mode_t> mode;
  // Run by root: the new file keeps the owner of the file it replaces
  // (unless root owns that), so an administrator leaves a user's file to the user.
  bool keepOwner = false;
  // Hand back the new file's descriptor; otherwise it is closed, and the
  // close checked, before the rename.
  bool keepOpen = false;
  // Never replace a file: the new file takes `target` only when no file has
  // that name, else the next name `nextTarget` gives (for 1, 2 ...; an empty
  // name ends the search), at most `targets` names in all. Each name is taken
  // in one step that fails when it exists, so a concurrent writer of the same
  // name cannot be overwritten either. All names taken: EEXIST.
  bool noReplace = false;
  std::function<std::string(unsigned index)> nextTarget;
  unsigned targets = 1;
};

struct ReplaceResult {
  int error = 0;        // errno of the step that failed; 0 on success
  bool created = false; // the temporary file was made: a failure came after that
  UniqueFd file;        // with keepOpen, on success
  std::string target;   // the name the file took, on success

  bool ok() const { return error == 0; }
};

// Replaces `target` with a file holding `bytes`: a new temporary file
// (O_EXCL) written, flushed to disk and renamed over the target, then the
// folder flushed so that the rename lasts too (best effort: the file is whole
// either way). On failure the temporary file is removed and the target is
// left as it was.
TARSELPLATFORM_EXPORT ReplaceResult replaceFile(const std::string& target, std::string_view bytes,
                                                const ReplaceOptions& options);

} // namespace tarsel::platform
