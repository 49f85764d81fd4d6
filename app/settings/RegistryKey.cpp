#include "app/settings/RegistryKey.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tarsel::settings {
namespace {

// A value that changes size between the size query and the read is read
// again; a few rounds settle any real race.
constexpr int kReadAttempts = 8;
// Sub-key names are at most 255 bytes in the registry; the scratch buffer of
// the walk grows on demand, but never past this.
constexpr DWORD kMaxSubKeyName = 64 * 1024;

bool isStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ;
}

} // namespace

DWORD dwordFromBytes(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
         static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
}

void dwordToBytes(DWORD value, BYTE* bytes) {
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

ULONGLONG qwordFromBytes(const BYTE* bytes) {
  return static_cast<ULONGLONG>(dwordFromBytes(bytes)) | static_cast<ULONGLONG>(dwordFromBytes(bytes + 4))
                                                             << 32;
}

void qwordToBytes(ULONGLONG value, BYTE* bytes) {
  dwordToBytes(static_cast<DWORD>(value), bytes);
  dwordToBytes(static_cast<DWORD>(value >> 32), bytes + 4);
}

CRegistryKey::~CRegistryKey() {
  close();
}

void CRegistryKey::close() {
  if (m_key)
    RegCloseKey(m_key);
  m_key = nullptr;
}

LONG CRegistryKey::notOpen() const {
  return m_openError != ERROR_SUCCESS ? m_openError : static_cast<LONG>(ERROR_INVALID_HANDLE);
}

LONG CRegistryKey::Open(HKEY parent, const char* path, REGSAM access) {
  m_access = access;
  HKEY opened = nullptr;
  LONG error = RegOpenKeyExA(parent, path, 0, access, &opened);
  if (error != ERROR_SUCCESS) {
    HKEY created = nullptr;
    error = RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                            &created, nullptr);
    if (error == ERROR_SUCCESS) {
      // The new key is held with the rights asked for, not those it was
      // created with: a read-only object refuses writes on every run alike.
      RegCloseKey(created);
      error = RegOpenKeyExA(parent, path, 0, access, &opened);
    }
  }
  if (error != ERROR_SUCCESS) {
    m_openError = error;
    return error;
  }
  close();
  m_key = opened;
  m_openError = ERROR_SUCCESS;
  return ERROR_SUCCESS;
}

LONG CRegistryKey::QueryDWord(const char* name, DWORD& value) const {
  if (!m_key)
    return notOpen();
  BYTE bytes[4] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof bytes;
  const LONG error = RegQueryValueExA(m_key, name, nullptr, &type, bytes, &size);
  if (error == ERROR_MORE_DATA)
    return ERROR_INVALID_DATA;
  if (error != ERROR_SUCCESS)
    return error;
  if (type != REG_DWORD || size != sizeof bytes)
    return ERROR_INVALID_DATA;
  value = dwordFromBytes(bytes);
  return ERROR_SUCCESS;
}

LONG CRegistryKey::SetDWord(const char* name, DWORD value) const {
  if (!m_key)
    return notOpen();
  BYTE bytes[4];
  dwordToBytes(value, bytes);
  return RegSetValueExA(m_key, name, 0, REG_DWORD, bytes, sizeof bytes);
}

DWORD CRegistryKey::GetDWord(const char* name, DWORD defaultValue) const {
  DWORD value = 0;
  return QueryDWord(name, value) == ERROR_SUCCESS ? value : defaultValue;
}

bool CRegistryKey::GetBool(const char* name, bool defaultValue) const {
  DWORD value = 0;
  return QueryDWord(name, value) == ERROR_SUCCESS ? value != 0 : defaultValue;
}

LONG CRegistryKey::QueryBytes(const char* name, std::vector<BYTE>& bytes, DWORD& type) const {
  bytes.clear();
  if (!m_key)
    return notOpen();
  DWORD size = 0;
  LONG error = RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size);
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (error != ERROR_SUCCESS)
      return error;
    if (size > kMaxValueBytes)
      return ERROR_INVALID_DATA;
    try {
      bytes.resize(size);
    } catch (const std::bad_alloc&) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    // A zero-byte value is read into a one-byte scratch, so that the call
    // reads rather than asks for the size.
    BYTE scratch = 0;
    DWORD got = size;
    error = RegQueryValueExA(m_key, name, nullptr, &type, size ? bytes.data() : &scratch, &got);
    if (error == ERROR_MORE_DATA) {
      // The value grew since the size query: read it again at its new size.
      size = got;
      error = ERROR_SUCCESS;
      continue;
    }
    if (error != ERROR_SUCCESS)
      return error;
    bytes.resize(got);
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

LONG CRegistryKey::GetString(const char* name, char* buffer, DWORD* size) const {
  if (!size)
    return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> bytes;
  DWORD type = REG_NONE;
  LONG error = QueryBytes(name, bytes, type);
  if (error == ERROR_SUCCESS && !isStringType(type))
    error = ERROR_INVALID_DATA;
  if (error == ERROR_SUCCESS && !bytes.empty() && bytes.back() != 0)
    error = ERROR_INVALID_DATA;
  if (error != ERROR_SUCCESS) {
    // The default, the empty text, when it fits; else ask for room for it.
    if (buffer && *size >= 1) {
      buffer[0] = '\0';
      *size = 1;
      return error;
    }
    *size = 1;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  // A zero-length value reads as the empty text, its NUL included.
  if (bytes.empty())
    bytes.push_back(0);
  const auto needed = static_cast<DWORD>(bytes.size());
  if (!buffer) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    if (*size >= 1)
      buffer[0] = '\0';
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, bytes.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG CRegistryKey::SetString(const char* name, const char* text) const {
  if (!text)
    return E_FAIL;
  if (!m_key)
    return notOpen();
  const std::size_t length = std::strlen(text);
  if (length >= kMaxValueBytes)
    return ERROR_INVALID_PARAMETER;
  return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(length + 1));
}

LONG CRegistryKey::QueryBinaryInto(const char* name, BYTE* buffer, DWORD* size) const {
  if (!size)
    return ERROR_INVALID_PARAMETER;
  if (!m_key)
    return notOpen();
  DWORD type = REG_NONE;
  DWORD needed = 0;
  LONG error = RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &needed);
  if (error != ERROR_SUCCESS)
    return error;
  if (type != REG_BINARY)
    return ERROR_INVALID_DATA;
  if (!buffer) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  error = RegQueryValueExA(m_key, name, nullptr, &type, buffer, size);
  // The value may have been replaced between the two reads.
  if ((error == ERROR_SUCCESS || error == ERROR_MORE_DATA) && type != REG_BINARY)
    return ERROR_INVALID_DATA;
  return error;
}

LONG CRegistryKey::SetBinary(const char* name, const BYTE* data, DWORD length) const {
  if (!data && length > 0)
    return ERROR_INVALID_PARAMETER;
  if (!m_key)
    return notOpen();
  return RegSetValueExA(m_key, name, 0, REG_BINARY, data, length);
}

LONG CRegistryKey::DeleteValue(const char* name) const {
  if (!m_key)
    return notOpen();
  return RegDeleteValueA(m_key, name);
}

LONG CRegistryKey::EnumSubKeys(std::string& list) const {
  list.clear();
  if (!m_key)
    return notOpen();
  DWORD count = 0;
  DWORD longest = 0;
  LONG error = RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr);
  if (error != ERROR_SUCCESS)
    return error;
  try {
    std::vector<char> scratch(static_cast<std::size_t>(longest) + 1);
    for (DWORD index = 0;;) {
      auto length = static_cast<DWORD>(scratch.size());
      error = RegEnumKeyExA(m_key, index, scratch.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (error == ERROR_SUCCESS) {
        list.append(scratch.data(), length);
        list.push_back('\0');
        ++index;
        continue;
      }
      if (error == ERROR_NO_MORE_ITEMS)
        break;
      if (error == ERROR_MORE_DATA) {
        // A longer name appeared after the size query: make room and read
        // this index again instead of cutting the name.
        if (scratch.size() >= kMaxSubKeyName)
          return ERROR_MORE_DATA;
        scratch.resize(std::min<std::size_t>(scratch.size() * 2, kMaxSubKeyName));
        continue;
      }
      // This index failed on its own: skip it while the key still has more.
      error = RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr);
      if (error != ERROR_SUCCESS)
        return error;
      if (++index >= count)
        break;
    }
    list.push_back('\0');
  } catch (const std::bad_alloc&) {
    list.clear();
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  return ERROR_SUCCESS;
}

} // namespace tarsel::settings
