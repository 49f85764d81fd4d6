#include "env/SysVersion.h"

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <fstream>
#include <string_view>
#include <vector>

#include <grp.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace tarsel::env {
namespace {

// os-release is a short file; longer lines are not ours to read.
constexpr std::size_t kMaxOsReleaseLine = 4096;
constexpr int kMaxOsReleaseLines = 256;

// The value of an os-release assignment: shell-style quotes removed and
// backslash escapes resolved.
std::string unquoteValue(std::string_view raw) {
  std::string value;
  char quote = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (quote == '\'') {
      if (c == '\'')
        quote = 0;
      else
        value += c;
      continue;
    }
    if (c == '\\' && i + 1 < raw.size()) {
      value += raw[++i];
      continue;
    }
    if (quote == '"') {
      if (c == '"')
        quote = 0;
      else
        value += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      continue;
    }
    value += c;
  }
  return value;
}

std::string prettyNameFrom(const char* path) {
  std::ifstream in(path);
  if (!in)
    return {};
  std::string line;
  for (int n = 0; n < kMaxOsReleaseLines && std::getline(in, line); ++n) {
    if (line.size() > kMaxOsReleaseLine)
      continue;
    constexpr std::string_view kKey = "PRETTY_NAME=";
    if (std::string_view(line).starts_with(kKey))
      return unquoteValue(std::string_view(line).substr(kKey.size()));
  }
  return {};
}

std::vector<gid_t> supplementaryGroups() {
  const int count = getgroups(0, nullptr);
  if (count <= 0)
    return {};
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = getgroups(count, groups.data());
  groups.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return groups;
}

bool lookUpGroup(const char* name, gid_t& gid) {
  std::vector<char> buffer(1024);
  for (;;) {
    group entry{};
    group* found = nullptr;
    const int rc = getgrnam_r(name, &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || !found)
      return false;
    gid = found->gr_gid;
    return true;
  }
}

} // namespace
} // namespace tarsel::env

using namespace tarsel::env;

CSysVersion::CSysVersion() {
  utsname names{};
  if (uname(&names) == 0) {
    m_servicePack = names.release;
    m_systemName = std::string(names.sysname) + " " + names.release;
  }
  std::string pretty = prettyNameFrom("/etc/os-release");
  if (pretty.empty())
    pretty = prettyNameFrom("/usr/lib/os-release");
  if (!pretty.empty())
    m_systemName = pretty;
}

bool CSysVersion::IsNT() const {
  return true;
}
bool CSysVersion::IsNT4() const {
  return false;
}
bool CSysVersion::IsNT5() const {
  return true;
}
bool CSysVersion::Is2000() const {
  return false;
}
bool CSysVersion::IsXP() const {
  return false;
}
bool CSysVersion::IsSv2003() const {
  return false;
}
bool CSysVersion::IsVista() const {
  return false;
}
bool CSysVersion::Is95() const {
  return false;
}
bool CSysVersion::Is98() const {
  return false;
}
bool CSysVersion::IsMe() const {
  return false;
}
bool CSysVersion::IsLinux() const {
  return true;
}

const char* CSysVersion::ServicePack() const {
  return m_servicePack.c_str();
}

const char* CSysVersion::SystemName() const {
  return m_systemName.c_str();
}

bool IsNT() {
  return CSysVersion().IsNT();
}

bool IsNT5() {
  return CSysVersion().IsNT5();
}

bool IsAdmin(HANDLE token) {
  // Another process's access token has no meaning here.
  if (token)
    throw _brantel_take_error(ERROR_INVALID_PARAMETER);
  if (geteuid() == 0)
    return true;

  std::vector<gid_t> groups = supplementaryGroups();
  groups.push_back(getegid());
  for (const char* name : {"sudo", "wheel", "admin"}) {
    gid_t gid = 0;
    if (!lookUpGroup(name, gid))
      continue;
    for (gid_t member : groups)
      if (member == gid)
        return true;
  }
  return false;
}
