// The settings of one camera family on
// HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel\Options\SDK\<family>
// (ICamSdkSettings.h). The key is opened by the constructor; when it cannot
// be opened or created, getters give their defaults and the other
// operations fail with that error. One thread at a time.
#pragma once

#include "app/settings/ICamSdkSettings.h"
#include "app/settings/RegistryKey.h"

#include <string>

class CTarselSdkSettings : public ICamSdkSettings {
public:
  CTarselSdkSettings(const std::string& path, REGSAM access);

  DWORD GetDWord(const char* name, DWORD defaultValue) override;
  LONG SetDWord(const char* name, DWORD value) override;
  bool GetBool(const char* name, bool defaultValue) override;
  LONG SetBool(const char* name, bool value) override;
  LONG GetString(const char* name, char* buffer, DWORD* size) override;
  LONG SetString(const char* name, const char* text) override;

private:
  tarsel::settings::CRegistryKey m_key;
};
