// The four functions a component library exports (extern "C", default
// visibility), as the component layer looks them up:
//   HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** object);
//       the class factory of a class the library makes; CLASS_E_CLASSNOTAVAILABLE otherwise
//   HRESULT DllCanUnloadNow();      S_OK when no object or server lock of it is alive, else S_FALSE
//   HRESULT DllRegisterServer();    writes the library's records (SELFREG_E_TYPELIB, SELFREG_E_CLASS)
//   HRESULT DllUnregisterServer();  removes them (the same results)
// None of them lets an exception out.
#pragma once

#include "platform/com/Unknown.h"

using DllGetClassObjectFunction = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();
