#include "platform/PrivateProfile.h"

#include "platform/AsciiCase.h"
#include "platform/FileIo.h"
#include "platform/FileLock.h"
#include "platform/LeadingInteger.h"
#include "platform/ProfileText.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using tarsel::platform::asciiUpperCased;
using tarsel::platform::FileContents;
using tarsel::platform::kMaxProfileFileBytes;
using tarsel::platform::ProfileText;
using LineKind = ProfileText::LineKind;

std::string_view withoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// ---- reading and writing whole files ----------------------------------------

FileContents readProfile(const char* path) {
  if (!path || !*path)
    return FileContents{};
  tarsel::platform::ReadOptions options;
  options.maxBytes = kMaxProfileFileBytes;
  options.nonBlocking = true;
  return tarsel::platform::readWholeFile(path, options);
}

// The file's bytes; none when it is missing or cannot be read.
std::string readableBytes(const char* path) {
  FileContents f = readProfile(path);
  return f.ok() ? std::move(f.bytes) : std::string();
}

std::string temporaryName(const std::string& folder, const std::string& base) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 random{std::random_device{}()};
  // Keep the name short enough for the file system whatever the file's own name.
  return folder + "/." + base.substr(0, 64) + "." + std::to_string(getpid()) + "-" +
         std::to_string(counter++) + "-" + std::to_string(random() & 0xFFFFFFu) + ".tmp";
}

// The file a write replaces: where a symbolic link points, so that every
// writer of one profile, through a link or not, locks and renames the same file.
std::string writeTarget(const char* path) {
  struct stat st {};
  if (lstat(path, &st) != 0 || !S_ISLNK(st.st_mode))
    return path;
  char* resolved = realpath(path, nullptr);
  if (!resolved)
    return path;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

// Replaces the file with `text`, keeping its permissions.
bool writeProfile(const std::string& target, std::string_view text) {
  tarsel::platform::ReplaceOptions options;
  if (struct stat st{}; stat(target.c_str(), &st) == 0)
    options.mode = st.st_mode & 07777;

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  options.temporaryPath = [&](int) { return temporaryName(folder, base); };
  options.attempts = 100;
  const tarsel::platform::ReplaceResult result = tarsel::platform::replaceFile(target, text, options);
  if (result.ok())
    return true;
  // Like the system's own calls: a missing folder is a missing path.
  SetLastError(!result.created && result.error == ENOENT ? ERROR_PATH_NOT_FOUND
                                                         : Win32FromErrno(result.error));
  return false;
}

std::mutex& writerMutex() {
  static std::mutex mutex;
  return mutex;
}

// Takes the lock that serialises the writers of `target` in every process.
// A folder or device in the file's place is refused before a lock file is
// made beside it; the lock file gets the profile's own permissions, so
// whoever may write the profile may lock it.
bool lockForWriting(const std::string& target, tarsel::platform::FileLock& lock) {
  mode_t mode = 0666;
  if (struct stat st{}; stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      SetLastError(S_ISDIR(st.st_mode) ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
      return false;
    }
    mode = st.st_mode & 0666;
  }
  const LONG error = lock.acquire(target + ".lock", mode);
  if (error == ERROR_SUCCESS)
    return true;
  SetLastError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : static_cast<DWORD>(error));
  return false;
}

// Runs one change of a profile file: reads it, lets `change` build the new
// text (no value when there is nothing to change), and replaces the file
// when the text differs. The read and the replacement happen under the
// cross-process lock, so a change made by another process in between is
// never overwritten.
template <class Change> BOOL changeFile(const char* file, Change change) {
  std::lock_guard guard(writerMutex());
  const std::string target = writeTarget(file);
  tarsel::platform::FileLock lock;
  if (!lockForWriting(target, lock))
    return FALSE;
  const FileContents current = readProfile(target.c_str());
  if (!current.ok() && current.status != tarsel::platform::ReadStatus::Missing) {
    // Rewriting a file we could not read would lose what it holds.
    SetLastError(tarsel::platform::win32ReadError(current));
    return FALSE;
  }
  const std::optional<std::string> changed = change(ProfileText(current.bytes));
  if (!changed || (current.ok() && *changed == current.bytes))
    return TRUE;
  const std::string& text = *changed;
  if (text.size() > kMaxProfileFileBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return writeProfile(target, text) ? TRUE : FALSE;
}

// The trimmed section name a write names; none when it is null or not one.
std::optional<std::string> sectionOf(const char* app) {
  if (!app)
    return std::nullopt;
  const std::string_view section = ProfileText::trim(app);
  if (!ProfileText::validSectionName(section))
    return std::nullopt;
  return std::string(section);
}

BOOL invalidArgument() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

// ---- results into the caller's buffer ---------------------------------------

// The value of `key` in section `app` as GetPrivateProfileStringA gives it.
std::string_view valueOrDefault(const ProfileText& text, const char* app, const char* key, const char* def) {
  if (const auto value = text.value(ProfileText::trim(app), ProfileText::trim(key)))
    return withoutQuotes(*value);
  return def ? ProfileText::trimRight(def) : std::string_view();
}

// The value of `key` in section `app` as GetPrivateProfileIntA gives it.
UINT numberOrDefault(const ProfileText& text, const char* app, const char* key, int def) {
  if (!app || !key)
    return static_cast<UINT>(def);
  const auto found = text.value(ProfileText::trim(app), ProfileText::trim(key));
  if (!found)
    return static_cast<UINT>(def);
  const std::string_view value = withoutQuotes(*found);
  if (value.empty())
    return static_cast<UINT>(def);
  return static_cast<UINT>(tarsel::platform::LeadingInteger(value));
}

DWORD copyText(std::string_view text, char* ret, DWORD size) {
  if (!ret || size == 0)
    return 0;
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  if (n > 0)
    std::memcpy(ret, text.data(), n);
  ret[n] = '\0';
  return static_cast<DWORD>(n);
}

// Fills a NUL-separated list ended by a second NUL into the caller's buffer.
// Once an item does not fit, the list is cut there: the buffer ends with two
// NULs and the result is size - 2.
class ListWriter {
public:
  ListWriter(char* ret, DWORD size) : m_ret(ret), m_size(ret ? size : 0) {}

  // False once the buffer is full; later items are ignored.
  bool add(std::string_view item) {
    if (m_full)
      return false;
    if (m_used + item.size() + 2 <= m_size) {
      std::memcpy(m_ret + m_used, item.data(), item.size());
      m_used += item.size();
      m_ret[m_used++] = '\0';
      return true;
    }
    m_full = true;
    if (m_used + 2 < m_size)
      std::memcpy(m_ret + m_used, item.data(), m_size - 2 - m_used);
    return false;
  }

  DWORD finish() {
    if (m_size == 0)
      return 0;
    if (m_size == 1) {
      m_ret[0] = '\0';
      return 0;
    }
    if (m_full) {
      m_ret[m_size - 2] = '\0';
      m_ret[m_size - 1] = '\0';
      return static_cast<DWORD>(m_size - 2);
    }
    m_ret[m_used] = '\0';
    if (m_used == 0)
      m_ret[1] = '\0';
    return static_cast<DWORD>(m_used);
  }

private:
  char* m_ret;
  std::size_t m_size;
  std::size_t m_used = 0;
  bool m_full = false;
};

DWORD sectionNames(const ProfileText& text, char* ret, DWORD size) {
  ListWriter list(ret, size);
  std::unordered_set<std::string> seen;
  text.forEachLine([&](const ProfileText::Line& info) {
    if (info.kind != LineKind::Section || info.name.empty() ||
        !seen.insert(asciiUpperCased(info.name)).second)
      return true;
    return list.add(info.name);
  });
  return list.finish();
}

DWORD sectionKeys(const ProfileText& text, std::string_view app, char* ret, DWORD size) {
  ListWriter list(ret, size);
  std::unordered_set<std::string> seen;
  text.forEachLineOfSection(app, [&](const ProfileText::Line& info) {
    if (info.kind != LineKind::Entry || !seen.insert(asciiUpperCased(info.name)).second)
      return true;
    return list.add(info.name);
  });
  return list.finish();
}

} // namespace

DWORD GetPrivateProfileStringA(const char* app, const char* key, const char* def, char* ret, DWORD size,
                               const char* file) {
  if (!ret || size == 0)
    return 0;
  const std::string bytes = readableBytes(file);
  const ProfileText text(bytes);
  if (!app)
    return sectionNames(text, ret, size);
  if (!key)
    return sectionKeys(text, ProfileText::trim(app), ret, size);
  return copyText(valueOrDefault(text, app, key, def), ret, size);
}

namespace tarsel::platform {

ProfileSnapshot::ProfileSnapshot(const char* file) : m_bytes(readableBytes(file)) {}

std::string ProfileSnapshot::value(const char* app, const char* key, const char* def) const {
  if (!app || !key)
    return {};
  return std::string(valueOrDefault(ProfileText(m_bytes), app, key, def));
}

UINT ProfileSnapshot::number(const char* app, const char* key, int def) const {
  return numberOrDefault(ProfileText(m_bytes), app, key, def);
}

} // namespace tarsel::platform

UINT GetPrivateProfileIntA(const char* app, const char* key, int def, const char* file) {
  if (!app || !key)
    return static_cast<UINT>(def);
  const std::string bytes = readableBytes(file);
  return numberOrDefault(ProfileText(bytes), app, key, def);
}

DWORD GetPrivateProfileSectionA(const char* app, char* ret, DWORD size, const char* file) {
  if (!ret || size == 0)
    return 0;
  ListWriter list(ret, size);
  if (app) {
    const std::string bytes = readableBytes(file);
    ProfileText(bytes).forEachLineOfSection(ProfileText::trim(app), [&](const ProfileText::Line& info) {
      return info.kind == LineKind::Blank || list.add(info.text);
    });
  }
  return list.finish();
}

DWORD GetPrivateProfileSectionNamesA(char* ret, DWORD size, const char* file) {
  if (!ret || size == 0)
    return 0;
  const std::string bytes = readableBytes(file);
  return sectionNames(ProfileText(bytes), ret, size);
}

namespace tarsel::platform {

ProfileWrites::ProfileWrites() = default;
ProfileWrites::~ProfileWrites() = default;

bool ProfileWrites::replaceSection(const char* app, const char* lines) {
  std::optional<std::string> section = sectionOf(app);
  if (!section)
    return refuse();
  if (!lines) {
    m_changes.push_back(
        [section = std::move(*section)](const ProfileText& text) { return text.withoutSection(section); });
    return true;
  }
  std::vector<std::string> list;
  for (const char* p = lines; *p; p += std::strlen(p) + 1) {
    if (!ProfileText::validSectionLine(p))
      return refuse();
    list.emplace_back(p);
  }
  m_changes.push_back([section = std::move(*section), list = std::move(list)](const ProfileText& text) {
    return std::optional<std::string>(
        text.withSectionReplaced(section, std::vector<std::string_view>(list.begin(), list.end())));
  });
  return true;
}

bool ProfileWrites::setString(const char* app, const char* key, const char* value) {
  if (!key)
    return replaceSection(app, nullptr);
  std::optional<std::string> section = sectionOf(app);
  if (!section)
    return refuse();
  const std::string_view name = ProfileText::trim(key);
  if (!ProfileText::validKey(name) || (value && ProfileText::hasLineBreak(value)))
    return refuse();
  if (!value) {
    m_changes.push_back([section = std::move(*section), name = std::string(name)](const ProfileText& text) {
      return text.withoutKey(section, name);
    });
    return true;
  }
  m_changes.push_back([section = std::move(*section), name = std::string(name),
                       entry = std::string(value)](const ProfileText& text) {
    return std::optional<std::string>(text.withKeySet(section, name, entry));
  });
  return true;
}

BOOL ProfileWrites::apply(const char* file) const {
  if (m_refused || !file || !*file)
    return invalidArgument();
  return changeFile(file, [&](const ProfileText& text) {
    std::optional<std::string> changed;
    for (const Change& change : m_changes)
      if (std::optional<std::string> next = change(changed ? ProfileText(*changed) : text))
        changed = std::move(next);
    return changed;
  });
}

bool ProfileWrites::refuse() {
  m_refused = true;
  invalidArgument();
  return false;
}

} // namespace tarsel::platform

BOOL WritePrivateProfileSectionA(const char* app, const char* lines, const char* file) {
  tarsel::platform::ProfileWrites writes;
  return writes.replaceSection(app, lines) ? writes.apply(file) : FALSE;
}

BOOL WritePrivateProfileStringA(const char* app, const char* key, const char* value, const char* file) {
  tarsel::platform::ProfileWrites writes;
  return writes.setString(app, key, value) ? writes.apply(file) : FALSE;
}
