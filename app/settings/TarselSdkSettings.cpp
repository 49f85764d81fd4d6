#include "app/settings/TarselSdkSettings.h"

CTarselSdkSettings::CTarselSdkSettings(const std::string& path, REGSAM access) {
  m_key.Open(HKEY_CURRENT_USER, path.c_str(), access);
}
