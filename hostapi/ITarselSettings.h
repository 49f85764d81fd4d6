// The settings factory the program keeps for its whole run and hands to the
// camera families and the saver plug-ins. Every request opens a fresh
// settings object on its own registry key below
// HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel and hands it out with a count of
// 1; the receiver releases it when done. The operations keep this order, as
// the plug-ins call them through the table of virtual functions.
//
// Results: 0, 8 when the object cannot be allocated (the out argument is then
// untouched), 87 for a null out argument or a null name.
#pragma once

#include "hostapi/RefCounted.h"
#include "hostapi/Win32Types.h"

class ITarselPersistentParams;
class ITarselConfigSettings;
class ICamSdkSettings;
class ISaverSettings;

class ITarselSettings : public CRefCounted {
public:
  // readOnly: the object may only read (KEY_READ); otherwise it reads and writes.
  virtual LONG GetPersistentParams(ITarselPersistentParams** params, bool readOnly) = 0;
  virtual LONG GetUserSettings(ITarselConfigSettings** settings, bool readOnly) = 0;
  // The key "Options\SDK\" + sdkName; a name with backslashes opens a deeper key.
  virtual LONG GetSdkSettings(const char* sdkName, ICamSdkSettings** settings, bool readOnly) = 0;
  // The key "Options\Saver\" + saverName.
  virtual LONG GetSaverSettings(const char* saverName, ISaverSettings** settings, bool readOnly) = 0;
};
