#include "env/FileSystem.h"

#include "env/BrantelTakeError.h"
#include "platform/EnvironmentStrings.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <mutex>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsFileExist(const char* path) {
  if (!path || !*path)
    return false;
  struct stat st {};
  if (stat(path, &st) == 0)
    return !S_ISDIR(st.st_mode);
  // A dangling symbolic link is still an entry of that name, and not a folder.
  return lstat(path, &st) == 0;
}

bool IsDirExist(const char* path) {
  if (!path || !*path)
    return false;
  struct stat st {};
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool MultiCreateDir(const char* path) {
  if (!path || !*path)
    return true;
  const std::string text(path);
  if (IsDirExist(text.c_str()))
    return true;

  std::string accumulated = text.front() == '/' ? "/" : "";
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('/', pos);
    if (end == std::string::npos)
      end = text.size();
    if (end == pos) {
      ++pos;
      continue;
    }
    if (!accumulated.empty() && accumulated.back() != '/')
      accumulated += '/';
    accumulated.append(text, pos, end - pos);
    pos = end;

    if (IsDirExist(accumulated.c_str()))
      continue;
    if (mkdir(accumulated.c_str(), 0777) == 0)
      continue;
    const int error = errno;
    // Another process may have created the level in the meantime.
    if (error == EEXIST && IsDirExist(accumulated.c_str()))
      continue;
    SetLastError(Win32FromErrno(error));
    return false;
  }
  return true;
}

std::string& AddTrailingBackslash(std::string& path) {
  if (!path.empty() && path.back() != '/')
    path += '/';
  return path;
}

std::string ExpandQuotedPath(const std::string& text) {
  std::string_view inner(text);
  if (inner.size() >= 2 && inner.front() == '"' && inner.back() == '"')
    inner = inner.substr(1, inner.size() - 2);
  return ExpandEnvironmentStrings(inner);
}

namespace {

std::atomic<unsigned> temporaryCount{0};

constexpr std::string_view kTemporaryMark = ".tarsel-";
constexpr std::string_view kTemporaryEnd = ".tmp";

std::string temporaryPath(const std::string& path, int attempt) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  // Bounded, so that a long final name still leaves room for the suffix.
  const std::string name = path.substr(folder.size()).substr(0, 160);
  return folder + "." + name + std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" +
         std::to_string(temporaryCount.fetch_add(1)) + "-" + std::to_string(attempt) +
         std::string(kTemporaryEnd);
}

// Reads the decimal number at the front of `text` and the character after
// it; false when there is no number or it does not fit.
template <class Number> bool takeNumber(std::string_view& text, char follower, Number& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end == text.data() || end == text.data() + text.size() || *end != follower)
    return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
  return true;
}

// The writer's process id of a temporary name ("." name ".tarsel-" pid "-"
// count "-" attempt ".tmp"); 0 when `name` is not one.
pid_t temporaryWriter(std::string_view name) {
  if (name.size() < 2 || name.front() != '.' || !name.ends_with(kTemporaryEnd))
    return 0;
  const std::size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0)
    return 0;
  std::string_view rest = name.substr(mark + kTemporaryMark.size());
  rest.remove_suffix(kTemporaryEnd.size() - 1); // keeps the '.' that ends the attempt
  pid_t pid = 0;
  unsigned long count = 0;
  unsigned attempt = 0;
  if (!takeNumber(rest, '-', pid) || !takeNumber(rest, '-', count) || !takeNumber(rest, '.', attempt) ||
      !rest.empty() || pid <= 0)
    return 0;
  return pid;
}

bool processIsGone(pid_t pid) {
  return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

std::string CreateWholeFile(const std::string& path, std::string_view bytes,
                            const std::function<std::string(unsigned)>& nextPath, unsigned names) {
  tarsel::platform::ReplaceOptions options;
  options.temporaryPath = [&path](int attempt) { return temporaryPath(path, attempt); };
  options.attempts = 8;
  options.noReplace = true;
  options.nextTarget = nextPath;
  options.targets = names;
  const tarsel::platform::ReplaceResult result = tarsel::platform::replaceFile(path, bytes, options);
  if (!result.ok())
    ThrowError(static_cast<HRESULT>(Win32FromErrno(result.error)), path.c_str());
  return result.target;
}

void ReplaceWholeFile(const std::string& path, std::string_view bytes) {
  tarsel::platform::ReplaceOptions options;
  options.temporaryPath = [&path](int attempt) { return temporaryPath(path, attempt); };
  options.attempts = 8;
  const tarsel::platform::ReplaceResult result = tarsel::platform::replaceFile(path, bytes, options);
  if (!result.ok())
    ThrowError(static_cast<HRESULT>(Win32FromErrno(result.error)), path.c_str());
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  std::string base = folder.empty() ? std::string("./") : folder;
  if (base.back() != '/')
    base += '/';
  {
    static std::mutex lock;
    static std::set<std::string> seen;
    const std::lock_guard<std::mutex> guard(lock);
    if (!seen.insert(base).second)
      return;
  }
  DIR* directory = ::opendir(base.c_str());
  if (!directory)
    return;
  while (const dirent* entry = ::readdir(directory)) {
    const pid_t writer = temporaryWriter(entry->d_name);
    if (writer == 0 || !processIsGone(writer))
      continue;
    struct stat st {};
    if (::fstatat(::dirfd(directory), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      ::unlinkat(::dirfd(directory), entry->d_name, 0);
  }
  ::closedir(directory);
}
