// The registry key inside every settings object, with the typed reads and
// writes the settings share. The key is opened once (Open) and closed by the
// destructor. An object whose key could not be opened or created still
// exists: each operation then fails with the error of that attempt.
//
// Used by one thread at a time; the registry itself makes every single read
// and write atomic across threads and processes, and nothing is cached here.
#pragma once

#include "hostapi/Win32Types.h"
#include "platform/Win32Error.h"
#include "platform/reg/Registry.h"

#include <string>
#include <vector>

namespace tarsel::settings {

// Reads above this size are refused with 13; no setting comes near it.
inline constexpr DWORD kMaxValueBytes = 1024 * 1024;

class CRegistryKey {
public:
  CRegistryKey() = default;
  ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Opens `path` below `parent` with `access`; when that fails, creates it
  // and opens it again with `access` (so a read-only object stays read-only
  // on the run that created its key). Returns the registry's result.
  LONG Open(HKEY parent, const char* path, REGSAM access);

  HKEY key() const { return m_key; }
  REGSAM access() const { return m_access; }

  // A 4-byte REG_DWORD; 13 for another type or size.
  LONG QueryDWord(const char* name, DWORD& value) const;
  LONG SetDWord(const char* name, DWORD value) const;
  DWORD GetDWord(const char* name, DWORD defaultValue) const;
  bool GetBool(const char* name, bool defaultValue) const;

  // The string protocol of ISaverSettings::GetString, with the empty text as
  // the default.
  LONG GetString(const char* name, char* buffer, DWORD* size) const;
  // A REG_SZ of the text and its NUL; 0x80004005 for a null text.
  LONG SetString(const char* name, const char* text) const;

  // The value's bytes and type, whatever the type.
  LONG QueryBytes(const char* name, std::vector<BYTE>& bytes, DWORD& type) const;
  // The bytes of a REG_BINARY value into (buffer, in/out size) as the
  // registry reads them (null buffer: the size); 13 for another type.
  LONG QueryBinaryInto(const char* name, BYTE* buffer, DWORD* size) const;
  LONG SetBinary(const char* name, const BYTE* data, DWORD length) const;
  LONG DeleteValue(const char* name) const;

  // The names of the sub-keys, each followed by a NUL, then one more NUL.
  // Grows with whatever the key holds while it is walked.
  LONG EnumSubKeys(std::string& list) const;

private:
  void close();
  // The error an operation on a key that is not open returns.
  LONG notOpen() const;

  HKEY m_key = nullptr;
  REGSAM m_access = KEY_READ;
  LONG m_openError = ERROR_INVALID_HANDLE;
};

// Reads and writes DWORDs and 64-bit values as little-endian bytes.
DWORD dwordFromBytes(const BYTE* bytes);
void dwordToBytes(DWORD value, BYTE* bytes);
ULONGLONG qwordFromBytes(const BYTE* bytes);
void qwordToBytes(ULONGLONG value, BYTE* bytes);

} // namespace tarsel::settings
