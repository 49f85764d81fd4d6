#include "platform/reg/RegistryHive.h"

#include "platform/FileIo.h"
#include "platform/FileLock.h"
#include "platform/GuardedHook.h"
#include "platform/UserFolders.h"
#include "platform/Win32Error.h"
#include "platform/reg/RegistryNames.h"
#include "platform/reg/RegistryTextFormat.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace tarsel::reg {

namespace {

constexpr std::size_t kMaxReportedIssues = 20;
// Lines beyond this many are reported again at each load rather than
// remembered without bound.
constexpr std::size_t kMaxRememberedIssues = 4096;

platform::GuardedHook<RegistryReportHook>& reportHook() {
  static platform::GuardedHook<RegistryReportHook> hook;
  return hook;
}

struct HiveSlots {
  std::mutex mutex;
  std::shared_ptr<RegistryHive> hives[2];
};

// Never destroyed: handles and other threads may still use a hive while the
// process exits.
HiveSlots& hiveSlots() {
  static HiveSlots* slots = new HiveSlots;
  return *slots;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string parentFolder(const std::string& path) {
  std::string parent = std::filesystem::path(path).parent_path().string();
  return parent.empty() ? std::string(".") : parent;
}

bool exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

bool writableFolder(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

LONG readError(int err) {
  if (err == EACCES || err == EPERM)
    return ERROR_ACCESS_DENIED;
  if (err == ENOMEM)
    return ERROR_NOT_ENOUGH_MEMORY;
  return ERROR_CANTREAD;
}

LONG writeError(int err) {
  if (err == EACCES || err == EPERM || err == EROFS)
    return ERROR_ACCESS_DENIED;
  if (err == ENOMEM)
    return ERROR_NOT_ENOUGH_MEMORY;
  return ERROR_CANTWRITE;
}

} // namespace

RegistryHive::Identity RegistryHive::Identity::of(const struct stat& st) {
  Identity identity;
  identity.exists = true;
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.inode = static_cast<std::uint64_t>(st.st_ino);
  identity.size = static_cast<std::int64_t>(st.st_size);
  identity.mtimeSec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
  identity.mtimeNsec = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
  return identity;
}

RegistryHive::RegistryHive(Kind kind, std::string filePath) : m_kind(kind), m_path(std::move(filePath)) {}

RegistryHive::~RegistryHive() = default;

std::shared_ptr<RegistryHive> RegistryHive::get(Kind kind) {
  HiveSlots& slots = hiveSlots();
  std::lock_guard guard(slots.mutex);
  std::shared_ptr<RegistryHive>& slot = slots.hives[kind == Kind::CurrentUser ? 0 : 1];
  if (!slot)
    slot = std::make_shared<RegistryHive>(kind, pathFromEnvironment(kind));
  return slot;
}

void RegistryHive::resetForTests() {
  HiveSlots& slots = hiveSlots();
  std::lock_guard guard(slots.mutex);
  slots.hives[0].reset();
  slots.hives[1].reset();
}

std::string RegistryHive::pathFromEnvironment(Kind kind) {
  if (kind == Kind::LocalMachine) {
    const std::string path = environment("TARSEL_MACHINE_REGISTRY");
    return path.empty() ? std::string("/etc/drevant/machine.reg") : path;
  }
  std::string folder = environment("TARSEL_REGISTRY_DIR");
  if (folder.empty())
    folder = platform::xdgBaseFolder("XDG_CONFIG_HOME", ".config") + "/drevant";
  return folder + "/user.reg";
}

bool RegistryHive::canWrite() const {
  const std::string folder = parentFolder(m_path);
  if (exists(m_path))
    return ::faccessat(AT_FDCWD, m_path.c_str(), W_OK, AT_EACCESS) == 0 && writableFolder(folder);
  // The file (and perhaps its folders) would be created: the nearest folder
  // that exists must be writable.
  std::string existing = folder;
  for (int depth = 0; depth < 256 && !exists(existing); ++depth) {
    const std::string up = parentFolder(existing);
    if (up == existing)
      break;
    existing = up;
  }
  return writableFolder(existing);
}

RegistryReportHook setRegistryReportHook(RegistryReportHook hook) {
  return reportHook().exchange(std::move(hook));
}

LONG RegistryHive::load(Loaded& out) const {
  out = Loaded();
  out.root = std::make_shared<RegistryKeyNode>();
  platform::ReadOptions options;
  options.maxBytes = kMaxHiveFileSize;
  options.keepOpen = true;
  platform::FileContents file = platform::readWholeFile(m_path, options);
  switch (file.status) {
  case platform::ReadStatus::Ok:
    break;
  case platform::ReadStatus::Missing:
    return ERROR_SUCCESS;
  case platform::ReadStatus::Failed:
    return readError(file.error);
  case platform::ReadStatus::NotRegular:
  case platform::ReadStatus::TooLarge:
    return ERROR_BADKEY;
  case platform::ReadStatus::ShortRead:
    return ERROR_CANTREAD;
  }

  std::vector<RegistryParseIssue> issues;
  *out.root = RegistryTextFormat::parse(file.bytes, &issues);
  reportIssues(issues);

  out.file = std::move(file.file);
  out.identity = Identity::of(file.info);
  return ERROR_SUCCESS;
}

void RegistryHive::reportIssues(const std::vector<RegistryParseIssue>& issues) const {
  std::string report;
  std::size_t reported = 0;
  std::size_t unlisted = 0;
  {
    // Every write re-reads the file and a kept line stays in it: report each
    // line once, by its text, since its number moves as values come and go.
    const std::lock_guard guard(m_reportedMutex);
    for (const RegistryParseIssue& issue : issues) {
      if (m_reportedLines.contains(issue.text))
        continue;
      if (m_reportedLines.size() < kMaxRememberedIssues)
        m_reportedLines.insert(issue.text);
      if (reported == kMaxReportedIssues) {
        ++unlisted;
        continue;
      }
      report += "tarselreg: " + m_path + ":" + std::to_string(issue.line) + ": " + issue.reason +
                "; line kept as it stands\n";
      ++reported;
    }
  }
  if (unlisted)
    report += "tarselreg: " + m_path + ": " + std::to_string(unlisted) + " more lines kept as they stand\n";
  if (report.empty())
    return;
  std::fputs(report.c_str(), stderr);
  if (const RegistryReportHook hook = reportHook().get())
    hook(report);
}

void RegistryHive::publish(Loaded&& loaded) {
  std::unique_lock guard(m_cacheMutex);
  m_cache = std::move(loaded);
  m_haveCache = true;
}

LONG RegistryHive::snapshot(std::shared_ptr<const RegistryKeyNode>& root) {
  Identity now;
  struct stat st {};
  bool known = true;
  if (::stat(m_path.c_str(), &st) == 0) {
    now = Identity::of(st);
  } else {
    // Only a file that is surely missing may use a cached empty hive; any
    // other failure is for the load to report.
    known = errno == ENOENT;
  }
  if (known) {
    std::shared_lock guard(m_cacheMutex);
    if (m_haveCache && m_cache.identity == now) {
      root = m_cache.root;
      return ERROR_SUCCESS;
    }
  }
  Loaded loaded;
  const LONG error = load(loaded);
  if (error != ERROR_SUCCESS)
    return error;
  root = loaded.root;
  publish(std::move(loaded));
  return ERROR_SUCCESS;
}

LONG RegistryHive::ensureFolder() const {
  const std::string folder = parentFolder(m_path);
  std::vector<std::string> missing;
  std::string at = folder;
  for (int depth = 0; depth < 256 && !exists(at); ++depth) {
    missing.push_back(at);
    const std::string up = parentFolder(at);
    if (up == at)
      break;
    at = up;
  }
  // The user's folder is private; the machine's is readable by every user.
  const mode_t mode = m_kind == Kind::CurrentUser ? 0700 : 0755;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), mode) != 0) {
      if (errno == EEXIST)
        continue;
      return writeError(errno);
    }
    if (m_kind == Kind::LocalMachine)
      ::chmod(it->c_str(), mode);
  }
  return ERROR_SUCCESS;
}

void RegistryHive::removeStaleTemporaries() const {
  const std::string folder = parentFolder(m_path);
  const std::string prefix = std::filesystem::path(m_path).filename().string() + ".tmp.";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir)
    return;
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (!name.starts_with(prefix))
      continue;
    const std::string_view rest = name.substr(prefix.size());
    long pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (ec != std::errc() || end == rest.data() || pid <= 0 || pid == self)
      continue;
    // Only a writer that died leaves its temporary behind.
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

LONG RegistryHive::writeFile(const std::string& text, Loaded& out) const {
  const std::string temporary =
      m_path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(static_cast<long>(::gettid()));
  platform::ReplaceOptions options;
  options.temporaryPath = [&](int) { return temporary; };
  // A leftover of an earlier process with this id: nobody else can be
  // writing it while we hold the lock.
  options.attempts = 2;
  options.removeLeftover = true;
  options.createMode = 0600;
  if (m_kind == Kind::LocalMachine)
    options.mode = 0644;
  // An administrator who writes someone's hive must leave it to its owner.
  options.keepOwner = true;
  options.keepOpen = true;
  platform::ReplaceResult result = platform::replaceFile(m_path, text, options);
  if (!result.ok())
    return writeError(result.error);

  out = Loaded();
  struct stat st {};
  if (::fstat(result.file.get(), &st) == 0)
    out.identity = Identity::of(st);
  out.file = std::move(result.file);
  return ERROR_SUCCESS;
}

LONG RegistryHive::modify(const Change& change) {
  std::lock_guard writer(m_writeMutex);
  if (!canWrite())
    return ERROR_ACCESS_DENIED;
  LONG error = ensureFolder();
  if (error != ERROR_SUCCESS)
    return error;
  platform::FileLock lock;
  error = lock.acquire(m_path + ".lock");
  if (error != ERROR_SUCCESS)
    return error;
  if (!m_temporariesChecked) {
    removeStaleTemporaries();
    m_temporariesChecked = true;
  }

  // Always start from the file as it is now: another process may have
  // written it since this process last looked.
  Loaded current;
  error = load(current);
  if (error != ERROR_SUCCESS)
    return error;
  std::shared_ptr<RegistryKeyNode> tree = current.root;
  bool changed = false;
  error = change(*tree, changed);
  if (error != ERROR_SUCCESS)
    return error;
  if (!changed) {
    publish(std::move(current));
    return ERROR_SUCCESS;
  }

  const std::string text = RegistryTextFormat::write(*tree);
  if (text.size() > kMaxHiveFileSize)
    return ERROR_CANTWRITE;
  Loaded written;
  error = writeFile(text, written);
  if (error != ERROR_SUCCESS)
    return error;
  written.root = std::move(tree);
  publish(std::move(written));
  return ERROR_SUCCESS;
}

} // namespace tarsel::reg
