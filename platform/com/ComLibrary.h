// Making objects of registered classes: the class's record names its library,
// which is loaded once (dlopen, every symbol bound at once, its symbols kept
// to itself) and asked for the class factory through its DllGetClassObject.
// Libraries stay loaded until CoFreeUnusedLibraries finds that their
// DllCanUnloadNow allows it. Any thread; the table of loaded libraries is
// locked.
#pragma once

#include "platform/com/Unknown.h"
#include "tarselcom_export.h"

#include <string>
#include <string_view>

// The class of a program identifier ("LUNET.LunetCtrl.1"); REGDB_E_CLASSNOTREG
// when no class is registered under it.
TARSELCOM_EXPORT HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid);

// The factory of a registered class. REGDB_E_CLASSNOTREG for a class without
// a record, CO_E_DLLNOTFOUND when its library cannot be loaded, CO_E_ERRORINDLL
// when the library lacks DllGetClassObject, else what that returns.
TARSELCOM_EXPORT HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** object);

// A new object of a registered class, asked for `iid`; the results of
// CoGetClassObject and of the factory's CreateInstance.
TARSELCOM_EXPORT HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object);

// Unloads every library whose DllCanUnloadNow answers S_OK.
TARSELCOM_EXPORT void CoFreeUnusedLibraries();

namespace tarsel::com {

// The path of the loaded library that holds `address` (a function of a
// component library finds its own file with it); empty when none does.
TARSELCOM_EXPORT std::string libraryPathOf(const void* address);

// How many libraries the layer holds loaded now (for tests).
TARSELCOM_EXPORT int loadedLibraryCount();

} // namespace tarsel::com
