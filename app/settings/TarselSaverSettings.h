// One key of a saver plug-in (ISaverSettings.h): the saver's own key below
// HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel\Options\Saver, or one of its
// sub-keys. The key is opened by the constructor; when it cannot be opened
// or created, getters give their defaults and the other operations fail
// with that error. The blocks it hands out are malloc'ed and freed by
// FreeKeyList and FreeBinary. One thread at a time.
#pragma once

#include "app/settings/RegistryValues.h"
#include "hostapi/ISaverSettings.h"

#include <string>

class CTarselSaverSettings : public CRegistryValues<ISaverSettings> {
public:
  // Opens `path` below `parent` (a null parent makes every operation fail).
  CTarselSaverSettings(HKEY parent, const std::string& path, REGSAM access);

  LONG OpenSubKey(const char* name, bool readOnly, ISaverSettings** subKey) override;
  LONG EnumSubKeys(char** list) override;
  LONG GetBinary(const char* name, BYTE** data, DWORD* size) override;
  LONG SetBinary(const char* name, const BYTE* data, DWORD length) override;
  LONG DeleteValue(const char* name) override;
  LONG FreeKeyList(char* list) override;
  LONG FreeBinary(BYTE* data) override;
};
