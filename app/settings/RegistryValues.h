// The value operations that the camera-family settings and the saver
// settings share, forwarded to one registry key: an interface that declares
// GetDWord/SetDWord, GetBool/SetBool and GetString/SetString gets them from
// here, in its own slot order. The derived class opens m_key. One thread at
// a time, as the key itself.
#pragma once

#include "app/settings/RegistryKey.h"

template <class Interface> class CRegistryValues : public Interface {
public:
  DWORD GetDWord(const char* name, DWORD defaultValue) override { return m_key.GetDWord(name, defaultValue); }
  LONG SetDWord(const char* name, DWORD value) override { return m_key.SetDWord(name, value); }
  bool GetBool(const char* name, bool defaultValue) override { return m_key.GetBool(name, defaultValue); }
  LONG SetBool(const char* name, bool value) override { return m_key.SetDWord(name, value ? 1 : 0); }
  LONG GetString(const char* name, char* buffer, DWORD* size) override {
    return m_key.GetString(name, buffer, size);
  }
  LONG SetString(const char* name, const char* text) override { return m_key.SetString(name, text); }

protected:
  tarsel::settings::CRegistryKey m_key;
};
