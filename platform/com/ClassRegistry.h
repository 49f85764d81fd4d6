// The class registry: one small profile file per registered class
// ("{CLSID}.class", section [Class]) and per type library
// ("{LIBID}-<version>.typelib", section [TypeLib]), found in a search path:
// each folder of $TARSEL_COM_PATH (colon-separated; tests), then the per-user
// folder $XDG_DATA_HOME/Tarsel/com (default ~/.local/share/Tarsel/com), then
// the system folder /usr/lib/tarsel/com. The first folder that has a record
// wins. Registration writes to the first folder of $TARSEL_COM_PATH when it
// is set, else to the per-user folder (made with its parents); every record
// is replaced as a whole, so a reader sees the old or the new one. Any thread.
#pragma once

#include "platform/com/Guid.h"
#include "tarselcom_export.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::com {

struct ClassRecord {
  CLSID clsid;
  std::string name;           // the type name shown to users
  std::string progId;         // empty for none
  std::string library;        // absolute path of the library that makes it
  std::string threadingModel; // "Apartment", "Both" ...
  DWORD miscStatus = 0;       // the control's miscellaneous-status bits
  bool control = false;
  bool insertable = false;
  int toolboxBitmap = 0;
  GUID typeLib;
  std::string version; // of the type library, "1.0"
};

struct TypeLibRecord {
  GUID libid;
  std::string name;
  std::string version;
  std::string library;
};

TARSELCOM_EXPORT std::vector<std::string> classSearchPath();
TARSELCOM_EXPORT std::string registrationFolder();

TARSELCOM_EXPORT std::optional<ClassRecord> findClass(const CLSID& clsid);
// Program identifiers compare without regard to ASCII case.
TARSELCOM_EXPORT std::optional<ClassRecord> findClassByProgId(std::string_view progId);
TARSELCOM_EXPORT std::optional<TypeLibRecord> findTypeLib(const GUID& libid, std::string_view version);

// S_OK, or the failure of the write as an HRESULT of the Win32 facility.
TARSELCOM_EXPORT HRESULT registerClass(const ClassRecord& record);
TARSELCOM_EXPORT HRESULT registerTypeLib(const TypeLibRecord& record);
// Removes the record from the registration folder; S_OK when it was not there.
TARSELCOM_EXPORT HRESULT unregisterClass(const CLSID& clsid);
TARSELCOM_EXPORT HRESULT unregisterTypeLib(const GUID& libid, std::string_view version);

} // namespace tarsel::com
