#include "platform/FileIo.h"

#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace tarsel::platform {

namespace {

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

UniqueFd openFile(const std::string& path, int flags, mode_t mode) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

bool writeAll(int fd, std::string_view bytes) {
  // In pieces: one very large write() after a burst of writes can stall for
  // many times its share while the kernel writes back dirty pages; pieces of
  // 1 MiB or less keep pace with a plain copy.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), std::min(bytes.size(), kPiece));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

FileContents readWholeFile(const std::string& path, const ReadOptions& options) {
  FileContents contents;
  const auto finish = [&](ReadStatus status, int error = 0) {
    contents.status = status;
    contents.error = error;
    if (status != ReadStatus::Ok)
      contents.bytes.clear();
    if (!options.keepOpen)
      contents.file.reset();
    return std::move(contents);
  };
  contents.file = openFile(path, O_RDONLY | O_NOCTTY | (options.nonBlocking ? O_NONBLOCK : 0));
  if (!contents.file.valid()) {
    const int err = errno;
    return err == ENOENT ? finish(ReadStatus::Missing) : finish(ReadStatus::Failed, err);
  }
  const int fd = contents.file.get();
  if (::fstat(fd, &contents.info) != 0)
    return finish(ReadStatus::Failed, errno);
  if (!S_ISREG(contents.info.st_mode))
    return finish(ReadStatus::NotRegular);
  if (contents.info.st_size < 0 || static_cast<std::uintmax_t>(contents.info.st_size) > options.maxBytes)
    return finish(ReadStatus::TooLarge);

  const auto expected = static_cast<std::size_t>(contents.info.st_size);
  contents.bytes.reserve(expected);
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return finish(ReadStatus::Failed, errno);
    if (n == 0)
      break;
    // The file may grow while it is read; the bound holds all the same.
    if (static_cast<std::size_t>(n) > options.maxBytes - contents.bytes.size())
      return finish(ReadStatus::TooLarge);
    contents.bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return finish(contents.bytes.size() < expected ? ReadStatus::ShortRead : ReadStatus::Ok);
}

DWORD win32ReadError(const FileContents& contents) {
  switch (contents.status) {
  case ReadStatus::Ok:
  case ReadStatus::Missing:
    return ERROR_SUCCESS;
  case ReadStatus::Failed:
    return Win32FromErrno(contents.error);
  case ReadStatus::NotRegular:
    return S_ISDIR(contents.info.st_mode) ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER;
  case ReadStatus::TooLarge:
    return ERROR_NOT_ENOUGH_MEMORY;
  case ReadStatus::ShortRead:
    return ERROR_READ_FAULT;
  }
  return ERROR_GEN_FAILURE;
}

namespace {

// Gives the temporary file its final name; without `replace`, only a name no
// file has (a file system that cannot rename that way gets a hard link).
int placeFile(const std::string& temporary, const std::string& target, bool replace) {
  if (replace)
    return ::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
  if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
    return errno;
  if (::link(temporary.c_str(), target.c_str()) != 0)
    return errno;
  ::unlink(temporary.c_str());
  return 0;
}

} // namespace

ReplaceResult replaceFile(const std::string& target, std::string_view bytes, const ReplaceOptions& options) {
  ReplaceResult result;
  std::string temporary;
  UniqueFd fd;
  int error = EINVAL; // no attempt allowed
  for (int attempt = 0; attempt < options.attempts; ++attempt) {
    temporary = options.temporaryPath(attempt);
    fd = openFile(temporary, O_WRONLY | O_CREAT | O_EXCL, options.createMode);
    if (fd.valid())
      break;
    error = errno;
    if (error != EEXIST)
      break;
    if (options.removeLeftover && attempt + 1 < options.attempts)
      ::unlink(temporary.c_str());
  }
  if (!fd.valid()) {
    result.error = error;
    return result;
  }
  result.created = true;

  const auto fail = [&](int err) {
    fd.reset();
    ::unlink(temporary.c_str());
    result.error = err;
    return std::move(result);
  };
  if (!writeAll(fd.get(), bytes))
    return fail(errno);
  if (options.mode && ::fchmod(fd.get(), *options.mode) != 0)
    return fail(errno);
  struct stat old {};
  if (options.keepOwner && ::geteuid() == 0 && ::stat(target.c_str(), &old) == 0 &&
      (old.st_uid != 0 || old.st_gid != 0))
    (void)!::fchown(fd.get(), old.st_uid, old.st_gid);
  if (::fsync(fd.get()) != 0)
    return fail(errno);
  if (!options.keepOpen) {
    if (const int err = fd.close(); err != 0)
      return fail(err);
  }
  std::string name = target;
  for (unsigned index = 0;;) {
    const int placed = placeFile(temporary, name, !options.noReplace);
    if (placed == 0)
      break;
    if (placed != EEXIST || !options.noReplace || !options.nextTarget || ++index >= options.targets)
      return fail(placed);
    name = options.nextTarget(index);
    if (name.empty())
      return fail(EEXIST);
  }
  result.target = name;

  if (const UniqueFd folder = openFile(folderOf(name), O_RDONLY | O_DIRECTORY); folder.valid())
    ::fsync(folder.get());
  if (options.keepOpen)
    result.file = std::move(fd);
  return result;
}

} // namespace tarsel::platform
