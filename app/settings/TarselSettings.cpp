#include "app/settings/TarselSettings.h"

#include "app/settings/TarselPersistentParams.h"
#include "app/settings/TarselSaverSettings.h"
#include "app/settings/TarselSdkSettings.h"
#include "app/settings/TarselUserSettings.h"
#include "platform/Win32Error.h"

#include <new>
#include <string>

using namespace tarsel::settings;

namespace {

REGSAM accessFor(bool readOnly) {
  return readOnly ? kReadOnlyAccess : kReadWriteAccess;
}

// The fixed prefix, one backslash unless it ends in one, then the name as
// the caller passed it.
std::string keyPath(const char* prefix, const char* name) {
  std::string path(prefix);
  if (path.empty() || path.back() != '\\')
    path += '\\';
  path += name;
  return path;
}

// Makes the object, takes the reference handed out, and writes it to `out`;
// 8 without touching `out` when it cannot be made.
template <typename Interface, typename Make> LONG handOut(Interface** out, Make&& make) {
  if (!out)
    return ERROR_INVALID_PARAMETER;
  Interface* object = nullptr;
  try {
    object = make();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  if (!object)
    return ERROR_NOT_ENOUGH_MEMORY;
  object->AddRef();
  *out = object;
  return ERROR_SUCCESS;
}

} // namespace

LONG CTarselSettings::GetPersistentParams(ITarselPersistentParams** params, bool readOnly) {
  return handOut(params, [&] { return new CTarselPersistentParams(accessFor(readOnly)); });
}

LONG CTarselSettings::GetUserSettings(ITarselConfigSettings** settings, bool readOnly) {
  return handOut(settings, [&] { return new CTarselUserSettings(accessFor(readOnly)); });
}

LONG CTarselSettings::GetSdkSettings(const char* sdkName, ICamSdkSettings** settings, bool readOnly) {
  if (!sdkName)
    return ERROR_INVALID_PARAMETER;
  return handOut(settings,
                 [&] { return new CTarselSdkSettings(keyPath(kSdkKey, sdkName), accessFor(readOnly)); });
}

LONG CTarselSettings::GetSaverSettings(const char* saverName, ISaverSettings** settings, bool readOnly) {
  if (!saverName)
    return ERROR_INVALID_PARAMETER;
  return handOut(settings, [&] {
    return new CTarselSaverSettings(HKEY_CURRENT_USER, keyPath(kSaverKey, saverName), accessFor(readOnly));
  });
}
