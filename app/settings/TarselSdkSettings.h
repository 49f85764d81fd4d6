// The settings of one camera family on
// HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel\Options\SDK\<family>
// (ICamSdkSettings.h). The key is opened by the constructor; when it cannot
// be opened or created, getters give their defaults and the other
// operations fail with that error. One thread at a time.
#pragma once

#include "app/settings/RegistryValues.h"
#include "hostapi/ICamSdkSettings.h"

#include <string>

class CTarselSdkSettings : public CRegistryValues<ICamSdkSettings> {
public:
  CTarselSdkSettings(const std::string& path, REGSAM access);
};
