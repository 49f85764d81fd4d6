// One registry key of a saver plug-in: its own key below
// HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel\Options\Saver\<saver>, or a
// sub-key of it. The plug-ins call it through the table of virtual
// functions, so the operations keep this order. Results are Win32 numbers
// (0 success); a read-only object refuses every change with 5.
//
// GetString (name, buffer, in/out size), the string protocol of all settings:
// - a string value (REG_SZ or REG_EXPAND_SZ, ended by a NUL or empty):
//   with a null buffer 0 and the size it needs; with a buffer large enough
//   0, the text and its size with the NUL; with a buffer too small 234, the
//   size needed, and the empty text in the buffer when it holds one byte;
// - otherwise (missing 2, of another type or not ended by a NUL 13, key not
//   usable): the empty text. A buffer of at least one byte gets it, the size
//   becomes 1 and the result is that error; a null or empty buffer gives 122
//   and size 1.
#pragma once

#include "hostapi/RefCounted.h"
#include "hostapi/Win32Types.h"

class ISaverSettings : public CRefCounted {
public:
  // Opens, or creates, the sub-key `name` below this key as a new object
  // (count 1). A writable object may read too. 8 when it cannot be
  // allocated, 87 for a null name or out argument; the out argument is then
  // untouched.
  virtual LONG OpenSubKey(const char* name, bool readOnly, ISaverSettings** subKey) = 0;
  // The names of the sub-keys, each ended by a NUL, the list ended by an
  // empty name (no sub-keys: a single NUL). On success *list is a block to
  // free with FreeKeyList; on failure it is null.
  virtual LONG EnumSubKeys(char** list) = 0;
  // The stored REG_DWORD, or defaultValue when missing or of another type.
  virtual DWORD GetDWord(const char* name, DWORD defaultValue) = 0;
  virtual LONG SetDWord(const char* name, DWORD value) = 0;
  // Stored REG_DWORD not 0, or defaultValue.
  virtual bool GetBool(const char* name, bool defaultValue) = 0;
  virtual LONG SetBool(const char* name, bool value) = 0;
  virtual LONG GetString(const char* name, char* buffer, DWORD* size) = 0;
  // Writes a REG_SZ of the text and its NUL; a null text gives 0x80004005.
  virtual LONG SetString(const char* name, const char* text) = 0;
  // A REG_BINARY value in a new block (free it with FreeBinary) and its size;
  // 13 when the value has another type. On failure *data is null and *size 0.
  virtual LONG GetBinary(const char* name, BYTE** data, DWORD* size) = 0;
  virtual LONG SetBinary(const char* name, const BYTE* data, DWORD length) = 0;
  virtual LONG DeleteValue(const char* name) = 0;
  virtual LONG FreeKeyList(char* list) = 0;
  virtual LONG FreeBinary(BYTE* data) = 0;
};
