// One hive: its file on disk and the parsed tree this process last read from
// it. Any thread may call any member.
//
// Reads take no file lock: the file is replaced only by rename, so a reader
// always sees a whole old or new file. The parsed tree is cached under the
// file's identity (device, inode, size, modification time) and reused while
// a stat of the path shows the same identity; the cached file stays open so
// its inode cannot be reused for a newer file while it is cached.
//
// Writes run under the hive's in-process mutex and the cross-process lock
// (platform::FileLock), re-read the file, apply the change to that fresh tree,
// write a temporary file (O_EXCL, fsync) and rename it over the hive file.
// A failed write leaves the file as it was and returns a Win32 number:
// 5 when the hive cannot be written by this process, 1013 when writing fails.
// Files that cannot be read give 5 (not permitted), 1010 (not a plain file
// or larger than kMaxHiveFileSize) or 1012; a missing file is an empty hive.
#pragma once

#include "platform/UniqueFd.h"
#include "platform/reg/RegistryKeyNode.h"
#include "platform/reg/RegistryTextFormat.h"
#include "tarselreg_export.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>

namespace tarsel::reg {

// Receives the text of what a hive file held that did not parse (those lines
// are kept as they stand), so the program can put it in its error log: a
// desktop program's stderr is seen by nobody. Each such line is reported once
// per hive object, however often the file is read again. Returns the hook it
// replaces; stderr gets the text all the same.
using RegistryReportHook = std::function<void(const std::string&)>;
TARSELREG_EXPORT RegistryReportHook setRegistryReportHook(RegistryReportHook hook);

class RegistryHive {
public:
  enum class Kind { CurrentUser, LocalMachine };

  RegistryHive(Kind kind, std::string filePath);
  ~RegistryHive();
  RegistryHive(const RegistryHive&) = delete;
  RegistryHive& operator=(const RegistryHive&) = delete;

  // The process's hive of that kind, created at its first use from the
  // environment (TARSEL_REGISTRY_DIR, XDG_CONFIG_HOME, HOME;
  // TARSEL_MACHINE_REGISTRY).
  static std::shared_ptr<RegistryHive> get(Kind kind);
  // For tests: forget the process's hives, so the next use reads the
  // environment again. Open handles keep the hive they were opened in.
  static void resetForTests();
  static std::string pathFromEnvironment(Kind kind);

  Kind kind() const { return m_kind; }
  const std::string& filePath() const { return m_path; }

  // Whether this process may write the hive file (or create it and its folder).
  bool canWrite() const;

  // The tree as the file holds it now.
  LONG snapshot(std::shared_ptr<const RegistryKeyNode>& root);

  // Applies `change` to the current tree under both locks. The change checks
  // everything before it alters the tree: on an error it must leave the tree
  // untouched and return the error; otherwise it sets `changed` when it
  // altered anything and returns 0. The file is rewritten only when changed.
  using Change = std::function<LONG(RegistryKeyNode& root, bool& changed)>;
  LONG modify(const Change& change);

private:
  struct Identity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeSec = 0;
    std::int64_t mtimeNsec = 0;
    bool operator==(const Identity&) const = default;
    static Identity of(const struct stat& st);
  };
  // The open file keeps the loaded inode alive; none for a missing file.
  struct Loaded {
    platform::UniqueFd file;
    Identity identity;
    std::shared_ptr<RegistryKeyNode> root;
  };

  LONG load(Loaded& out) const;
  void reportIssues(const std::vector<RegistryParseIssue>& issues) const;
  LONG writeFile(const std::string& text, Loaded& out) const;
  LONG ensureFolder() const;
  void removeStaleTemporaries() const;
  void publish(Loaded&& loaded);

  const Kind m_kind;
  const std::string m_path;
  std::mutex m_writeMutex;
  bool m_temporariesChecked = false; // guarded by m_writeMutex
  std::shared_mutex m_cacheMutex;
  bool m_haveCache = false; // guarded by m_cacheMutex
  Loaded m_cache;           // guarded by m_cacheMutex
  mutable std::mutex m_reportedMutex;
  mutable std::unordered_set<std::string> m_reportedLines; // guarded by m_reportedMutex
};

} // namespace tarsel::reg
