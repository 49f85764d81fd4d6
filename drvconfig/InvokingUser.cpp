#include "drvconfig/InvokingUser.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace tarsel::drvconfig {

bool UseInvokingUsersRegistry() {
  const char* uidText = std::getenv("PKEXEC_UID");
  const char* folder = std::getenv("TARSEL_REGISTRY_DIR");
  if (::geteuid() != 0 || !uidText || (folder && *folder))
    return false;
  uid_t uid = 0;
  const char* end = uidText + std::strlen(uidText);
  const auto [stop, error] = std::from_chars(uidText, end, uid);
  if (error != std::errc() || stop != end || stop == uidText)
    return false;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir ||
      found->pw_dir[0] != '/')
    return false;
  const std::string userFolder = std::string(found->pw_dir) + "/.config/drevant";
  return ::setenv("TARSEL_REGISTRY_DIR", userFolder.c_str(), 1) == 0;
}

} // namespace tarsel::drvconfig
