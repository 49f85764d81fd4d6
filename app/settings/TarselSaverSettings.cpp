#include "app/settings/TarselSaverSettings.h"

#include "app/settings/TarselSettings.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

using namespace tarsel::settings;

CTarselSaverSettings::CTarselSaverSettings(HKEY parent, const std::string& path, REGSAM access) {
  m_key.Open(parent, path.c_str(), access);
}

LONG CTarselSaverSettings::OpenSubKey(const char* name, bool readOnly, ISaverSettings** subKey) {
  if (!name || !subKey)
    return ERROR_INVALID_PARAMETER;
  // A writable sub-key is opened for reading too: an object that could only
  // write could not read back what it stored on a later run.
  const REGSAM access = readOnly ? kReadOnlyAccess : kReadWriteAccess;
  CTarselSaverSettings* object = nullptr;
  try {
    object = new CTarselSaverSettings(m_key.key(), name, access);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  object->AddRef();
  *subKey = object;
  return ERROR_SUCCESS;
}

LONG CTarselSaverSettings::EnumSubKeys(char** list) {
  if (!list)
    return ERROR_INVALID_PARAMETER;
  *list = nullptr;
  std::string names;
  const LONG error = m_key.EnumSubKeys(names);
  if (error != ERROR_SUCCESS)
    return error;
  auto* block = static_cast<char*>(std::malloc(names.size()));
  if (!block)
    return ERROR_NOT_ENOUGH_MEMORY;
  std::memcpy(block, names.data(), names.size());
  *list = block;
  return ERROR_SUCCESS;
}

LONG CTarselSaverSettings::GetBinary(const char* name, BYTE** data, DWORD* size) {
  if (!data || !size)
    return ERROR_INVALID_PARAMETER;
  *data = nullptr;
  *size = 0;
  std::vector<BYTE> bytes;
  DWORD type = REG_NONE;
  const LONG error = m_key.QueryBytes(name, bytes, type);
  if (error != ERROR_SUCCESS)
    return error;
  // Checked before anything is handed out, so a value of the wrong type
  // leaves no block behind.
  if (type != REG_BINARY)
    return ERROR_INVALID_DATA;
  auto* block = static_cast<BYTE*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
  if (!block)
    return ERROR_NOT_ENOUGH_MEMORY;
  if (!bytes.empty())
    std::memcpy(block, bytes.data(), bytes.size());
  *data = block;
  *size = static_cast<DWORD>(bytes.size());
  return ERROR_SUCCESS;
}

LONG CTarselSaverSettings::SetBinary(const char* name, const BYTE* data, DWORD length) {
  return m_key.SetBinary(name, data, length);
}

LONG CTarselSaverSettings::DeleteValue(const char* name) {
  return m_key.DeleteValue(name);
}

LONG CTarselSaverSettings::FreeKeyList(char* list) {
  std::free(list);
  return ERROR_SUCCESS;
}

LONG CTarselSaverSettings::FreeBinary(BYTE* data) {
  std::free(data);
  return ERROR_SUCCESS;
}
