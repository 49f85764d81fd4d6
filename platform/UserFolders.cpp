#include "platform/UserFolders.h"

#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace tarsel::platform {

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home)
    return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/";
}

std::string xdgBaseFolder(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/')
    return value;
  return homeFolder() + "/" + fallbackBelowHome;
}

} // namespace tarsel::platform
