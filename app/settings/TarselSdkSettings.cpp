#include "app/settings/TarselSdkSettings.h"

CTarselSdkSettings::CTarselSdkSettings(const std::string& path, REGSAM access) {
  m_key.Open(HKEY_CURRENT_USER, path.c_str(), access);
}

DWORD CTarselSdkSettings::GetDWord(const char* name, DWORD defaultValue) {
  return m_key.GetDWord(name, defaultValue);
}

LONG CTarselSdkSettings::SetDWord(const char* name, DWORD value) {
  return m_key.SetDWord(name, value);
}

bool CTarselSdkSettings::GetBool(const char* name, bool defaultValue) {
  return m_key.GetBool(name, defaultValue);
}

LONG CTarselSdkSettings::SetBool(const char* name, bool value) {
  return m_key.SetDWord(name, value ? 1 : 0);
}

LONG CTarselSdkSettings::GetString(const char* name, char* buffer, DWORD* size) {
  return m_key.GetString(name, buffer, size);
}

LONG CTarselSdkSettings::SetString(const char* name, const char* text) {
  return m_key.SetString(name, text);
}
