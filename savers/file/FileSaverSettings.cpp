#include "savers/file/FileSaverSettings.h"

#include "env/BrantelTakeError.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/Win32Error.h"
#include "savers/common/SettingsString.h"

#include <cerrno>
#include <memory>
#include <vector>

#include <unistd.h>

namespace tarsel::filesaver {

using tarsel::savers::ReadString;

namespace {

CRefPtr<ISaverSettings> openKey(ITarselSettings* settings, bool readOnly) {
  CRefPtr<ISaverSettings> key;
  if (!settings)
    return key;
  ISaverSettings* opened = nullptr;
  const LONG result = settings->GetSaverSettings(kSaverName, &opened, readOnly);
  key.Attach(opened);
  if (result != 0 && !readOnly) {
    key.Release();
    ThrowError(result);
  }
  return key;
}

std::string currentDirectory() {
  std::vector<char> buffer(4096);
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE)
      ThrowError(static_cast<HRESULT>(SetLastErrorFromErrno()), "current directory");
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

} // namespace

FileSaverSettings FileSaverSettings::Load(ITarselSettings* settings) {
  FileSaverSettings values;
  const CRefPtr<ISaverSettings> key = openKey(settings, true);
  if (!key)
    return values;
  values.rootDir = AbsolutePath(ReadString(*key, kRootDir));
  values.doNotOverwrite = key->GetBool(kDoNotOverwrite, false);
  values.externalCommand = ReadString(*key, kExternalCommand);
  values.waitForProcessing = key->GetBool(kWaitForProcessing, false);
  values.lastUsedSavePicDir = ReadString(*key, kLastUsedSavePicDir);
  return values;
}

void StoreString(ITarselSettings* settings, const char* name, const std::string& value) {
  const CRefPtr<ISaverSettings> key = openKey(settings, false);
  if (key)
    ThrowIfFailed(key->SetString(name, value.c_str()), name);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/')
    return path;
  return currentDirectory() + "/" + path;
}

} // namespace tarsel::filesaver
