// The settings factory (ITarselSettings.h): one object made at start-up and
// kept for the program's life. It opens nothing itself; each request makes a
// new settings object that opens its own key. Callable from any thread.
#pragma once

#include "hostapi/ITarselSettings.h"
#include "platform/reg/Registry.h"

namespace tarsel::settings {

// The program's registry root below HKEY_CURRENT_USER and its keys.
inline constexpr const char* kProgramKey = "SOFTWARE\\drevant\\Tarsel";
inline constexpr const char* kOptionsKey = "SOFTWARE\\drevant\\Tarsel\\Options";
inline constexpr const char* kSdkKey = "SOFTWARE\\drevant\\Tarsel\\Options\\SDK";
inline constexpr const char* kSaverKey = "SOFTWARE\\drevant\\Tarsel\\Options\\Saver";

// The access a factory request asks for.
inline constexpr REGSAM kReadOnlyAccess = KEY_READ;
inline constexpr REGSAM kReadWriteAccess = KEY_READ | KEY_WRITE;

} // namespace tarsel::settings

class CTarselSettings : public ITarselSettings {
public:
  LONG GetPersistentParams(ITarselPersistentParams** params, bool readOnly) override;
  LONG GetUserSettings(ITarselConfigSettings** settings, bool readOnly) override;
  LONG GetSdkSettings(const char* sdkName, ICamSdkSettings** settings, bool readOnly) override;
  LONG GetSaverSettings(const char* saverName, ISaverSettings** settings, bool readOnly) override;
};
