// What the installation library's exports do: install, rewrite and remove
// the udev rule file of the camera-link cameras, and answer whether it is in
// place. The folders and the udevadm command come from the environment
// (see BrantelVeskInst.h) or are given, for tests.
//
// Results as the exports return them. Any thread; one object per call.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tarsel::veskinst {

class VeskAccessInstaller {
public:
  struct Paths {
    std::string rulesFolder; // the udev rules folder
    std::string sysfsRoot;   // the root of sysfs
    std::string udevadm;     // the udevadm program; empty when there is none
  };

  // The paths from the environment, or the system's.
  static Paths pathsFromEnvironment();

  explicit VeskAccessInstaller(Paths paths, std::chrono::milliseconds udevLimit = std::chrono::seconds(30));

  // 1 when the rule file is in place and the SCSI generic driver is there.
  int isRegistered() const;
  // Rewrites the rule file from the names; 1 when there is none to rewrite.
  int update(const std::vector<std::string>& names) const;
  // Installs the rule file; 1 when udev applied it, 0 when it could not.
  int install(const std::vector<std::string>& names) const;
  // Removes the rule file.
  int uninstall() const;

  // The names of "Type_S": the current user's, then the machine's.
  static std::vector<std::string> supportedNames();

private:
  std::string ruleFile() const;
  // 0, or the negative code of the write.
  int writeRules(const std::vector<std::string>& names) const;
  // Whether udev reloaded its rules and re-applied them to the nodes.
  bool applyRules() const;

  Paths m_paths;
  std::chrono::milliseconds m_udevLimit;
};

} // namespace tarsel::veskinst
