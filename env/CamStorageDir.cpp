#include "env/CamStorageDir.h"

#include "env/BrantelTakeError.h"
#include "env/FileSystem.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace tarsel::env {
namespace {

constexpr const char* kFolderName = "Tarsel";
// user-dirs.dirs holds a handful of short lines; anything longer is not read.
constexpr std::size_t kMaxUserDirsLine = 4096;
constexpr int kMaxUserDirsLines = 1024;

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home)
    return home;
  std::vector<char> buffer(1024);
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || !found || !found->pw_dir || !*found->pw_dir)
      throw _brantel_take_error(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "Cannot find the home folder.");
    return found->pw_dir;
  }
}

// An XDG base folder from the environment; relative values are ignored, as
// the base-directory rules require.
std::string xdgFolder(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/')
    return value;
  return homeFolder() + "/" + fallbackBelowHome;
}

// The value of an XDG_*_DIR line: the text between the double quotes, with
// backslash escapes resolved and a leading $HOME replaced. Empty when the
// value is not an absolute path.
std::string userDirValue(std::string_view raw) {
  while (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t'))
    raw.remove_prefix(1);
  if (raw.empty() || raw.front() != '"')
    return {};
  raw.remove_prefix(1);
  std::string value;
  bool closed = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\\' && i + 1 < raw.size()) {
      value += raw[++i];
      continue;
    }
    if (c == '"') {
      closed = true;
      break;
    }
    value += c;
  }
  if (!closed)
    return {};
  constexpr std::string_view kHome = "$HOME";
  if (std::string_view(value).starts_with(kHome) &&
      (value.size() == kHome.size() || value[kHome.size()] == '/'))
    value = homeFolder() + value.substr(kHome.size());
  if (value.empty() || value.front() != '/')
    return {};
  return value;
}

// The user's documents folder: XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents.
std::string documentsFolder() {
  const std::string file = xdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs";
  std::string folder;
  std::ifstream in(file);
  std::string line;
  for (int n = 0; in && n < kMaxUserDirsLines && std::getline(in, line); ++n) {
    if (line.size() > kMaxUserDirsLine)
      continue;
    std::string_view view(line);
    while (!view.empty() && (view.front() == ' ' || view.front() == '\t'))
      view.remove_prefix(1);
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    if (!view.starts_with(kKey))
      continue;
    // The file is read as the shell would: a later assignment replaces an earlier one.
    folder = userDirValue(view.substr(kKey.size()));
  }
  if (folder.empty())
    folder = homeFolder() + "/Documents";
  return folder;
}

void createIfMissing(const char* path) {
  // A folder that cannot be created shows up later, when a file in it cannot be opened.
  if (!IsDirExist(path))
    MultiCreateDir(path);
}

} // namespace
} // namespace tarsel::env

using namespace tarsel::env;

void CCamStorageDirBase::MakePath(int csidl) {
  std::string folder;
  switch (csidl) {
  case CSIDL_APPDATA:
    folder = xdgFolder("XDG_DATA_HOME", ".local/share");
    break;
  case CSIDL_PERSONAL:
    folder = documentsFolder();
    break;
  default:
    throw _brantel_take_error(E_INVALIDARG);
  }
  AddTrailingBackslash(folder);
  m_path = folder + kFolderName;
}

CCamConfigDir::CCamConfigDir() {
  MakePath(CSIDL_APPDATA);
  createIfMissing(GetPath());
}

CCamDataDir::CCamDataDir() {
  MakePath(CSIDL_PERSONAL);
  createIfMissing(GetPath());
}
