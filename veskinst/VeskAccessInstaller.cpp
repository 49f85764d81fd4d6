#include "veskinst/VeskAccessInstaller.h"

#include "platform/FileIo.h"
#include "platform/Win32Error.h"
#include "veskinst/ProgramRun.h"
#include "veskinst/UdevRuleFile.h"
#include "vesklib/SupportedCameraList.h"

#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace tarsel::veskinst {

namespace {

constexpr int kDone = 0;
constexpr int kNotInstalled = 1;
constexpr int kApplied = 1;
constexpr int kNotApplied = 0;

std::string environmentOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : std::string(fallback);
}

int failure(int err) {
  return static_cast<int>(HRESULT_FROM_WIN32(Win32FromErrno(err)));
}

} // namespace

VeskAccessInstaller::Paths VeskAccessInstaller::pathsFromEnvironment() {
  Paths paths;
  paths.rulesFolder = environmentOr("TARSEL_UDEV_RULES_DIR", "/etc/udev/rules.d");
  paths.sysfsRoot = environmentOr("TARSEL_SYSFS_ROOT", "/sys");
  paths.udevadm = environmentOr("TARSEL_UDEVADM", "");
  if (paths.udevadm.empty()) {
    // Only the system's own folders: an elevated caller must not run a
    // program that the user's PATH names.
    for (const char* candidate : {"/usr/bin/udevadm", "/bin/udevadm", "/usr/sbin/udevadm", "/sbin/udevadm"}) {
      if (::access(candidate, X_OK) == 0) {
        paths.udevadm = candidate;
        break;
      }
    }
  }
  return paths;
}

VeskAccessInstaller::VeskAccessInstaller(Paths paths, std::chrono::milliseconds udevLimit)
    : m_paths(std::move(paths)), m_udevLimit(udevLimit) {}

std::string VeskAccessInstaller::ruleFile() const {
  return m_paths.rulesFolder + "/" + kRuleFileName;
}

int VeskAccessInstaller::isRegistered() const {
  struct stat info {};
  if (::stat(ruleFile().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return 0;
  const std::string driverClass = m_paths.sysfsRoot + "/class/scsi_generic";
  if (::stat(driverClass.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    return 0;
  return 1;
}

int VeskAccessInstaller::writeRules(const std::vector<std::string>& names) const {
  std::vector<std::string> refused;
  const std::string text = UdevRuleFile::text(names, &refused);
  platform::ReplaceOptions options;
  options.temporaryPath = [this](int attempt) {
    return ruleFile() + ".new" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
  };
  options.attempts = 8;
  options.mode = 0644;
  const platform::ReplaceResult result = platform::replaceFile(ruleFile(), text, options);
  if (!result.ok())
    return failure(result.error);
  // The other models are served; the refused names still make the call fail.
  if (!refused.empty())
    return static_cast<int>(HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
  return kDone;
}

bool VeskAccessInstaller::applyRules() const {
  if (m_paths.udevadm.empty() || ::access(m_paths.udevadm.c_str(), X_OK) != 0)
    return false;
  if (runProgram({m_paths.udevadm, "control", "--reload-rules"}, m_udevLimit) != 0)
    return false;
  return runProgram({m_paths.udevadm, "trigger", "--action=change", "--subsystem-match=scsi_generic"},
                    m_udevLimit) == 0;
}

int VeskAccessInstaller::update(const std::vector<std::string>& names) const {
  if (::access(ruleFile().c_str(), F_OK) != 0)
    return errno == ENOENT ? kNotInstalled : failure(errno);
  const int written = writeRules(names);
  if (written < 0 && written != static_cast<int>(HRESULT_FROM_WIN32(ERROR_INVALID_DATA)))
    return written;
  applyRules();
  return written;
}

int VeskAccessInstaller::install(const std::vector<std::string>& names) const {
  const int written = writeRules(names);
  if (written < 0 && written != static_cast<int>(HRESULT_FROM_WIN32(ERROR_INVALID_DATA)))
    return written;
  const bool applied = applyRules();
  if (written < 0)
    return written;
  return applied ? kApplied : kNotApplied;
}

int VeskAccessInstaller::uninstall() const {
  if (::unlink(ruleFile().c_str()) != 0 && errno != ENOENT)
    return failure(errno);
  applyRules();
  return kDone;
}

std::vector<std::string> VeskAccessInstaller::supportedNames() {
  return vesk::SupportedCameraList::supportedNames();
}

} // namespace tarsel::veskinst
