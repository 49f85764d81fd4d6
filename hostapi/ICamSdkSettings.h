// The values of one camera family below
// HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel\Options\SDK\<family>. Each
// operation behaves as the ISaverSettings operation of the same name.
// Operations keep this order (the table of virtual functions is shared with
// the camera families).
#pragma once

#include "hostapi/RefCounted.h"
#include "hostapi/Win32Types.h"

class ICamSdkSettings : public CRefCounted {
public:
  virtual DWORD GetDWord(const char* name, DWORD defaultValue) = 0;
  virtual LONG SetDWord(const char* name, DWORD value) = 0;
  virtual bool GetBool(const char* name, bool defaultValue) = 0;
  virtual LONG SetBool(const char* name, bool value) = 0;
  virtual LONG GetString(const char* name, char* buffer, DWORD* size) = 0;
  virtual LONG SetString(const char* name, const char* text) = 0;
};
