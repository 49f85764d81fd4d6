// The library's four exports: the class factory, the unload check and the
// registration of the type library and the classes in the class registry.
#include "lunet/LunetFactory.h"
#include "lunet/LunetIds.h"
#include "lunet/LunetStrings.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComLibrary.h"
#include "platform/com/ServerExports.h"

#include "Lunet_export.h"

using namespace tarsel::lunet;
using tarsel::com::ClassRecord;

namespace {

// The classes a client can create: the control. Its property page was left
// out, so its class is not registered (a record an older registration left
// is removed when the library is unregistered).
std::vector<ClassRecord> lunetClasses(const std::string& library) {
  ClassRecord control;
  control.clsid = CLSID_LunetCtrl;
  control.name = kLunetCtrlTypeName;
  control.progId = kLunetCtrlProgId;
  control.library = library;
  control.threadingModel = "Apartment";
  control.miscStatus = kLunetMiscStatus;
  control.control = true;
  control.insertable = true;
  control.toolboxBitmap = 1;
  control.typeLib = LIBID_LUNETLib;
  control.version = kLunetTypeLibVersion;
  return {control};
}

std::string ownPath() {
  return tarsel::com::libraryPathOf(reinterpret_cast<const void*>(&lunetModuleCount));
}

} // namespace

extern "C" {

LUNET_EXPORT HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_LunetCtrl)
    return CLASS_E_CLASSNOTAVAILABLE;
  try {
    LunetFactory* factory = LunetFactory::create();
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

LUNET_EXPORT HRESULT DllCanUnloadNow() {
  return lunetModuleCount().idle() ? S_OK : S_FALSE;
}

LUNET_EXPORT HRESULT DllRegisterServer() {
  try {
    const std::string library = ownPath();
    if (library.empty() || FAILED(tarsel::com::registerTypeLib(
                               {LIBID_LUNETLib, kLunetTypeLibName, kLunetTypeLibVersion, library})))
      return SELFREG_E_TYPELIB;
    for (const ClassRecord& record : lunetClasses(library)) {
      if (FAILED(tarsel::com::registerClass(record)))
        return SELFREG_E_CLASS;
    }
    return S_OK;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

LUNET_EXPORT HRESULT DllUnregisterServer() {
  try {
    if (FAILED(tarsel::com::unregisterTypeLib(LIBID_LUNETLib, kLunetTypeLibVersion)))
      return SELFREG_E_TYPELIB;
    for (const ClassRecord& record : lunetClasses({})) {
      if (FAILED(tarsel::com::unregisterClass(record.clsid)))
        return SELFREG_E_CLASS;
    }
    if (FAILED(tarsel::com::unregisterClass(CLSID_LunetPropPage)))
      return SELFREG_E_CLASS;
    return S_OK;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

} // extern "C"

// The exports keep the signatures the component layer looks them up with.
static_assert(std::is_same_v<decltype(&DllGetClassObject), DllGetClassObjectFunction>);
static_assert(std::is_same_v<decltype(&DllCanUnloadNow), DllCanUnloadNowFunction>);
static_assert(std::is_same_v<decltype(&DllRegisterServer), DllRegisterServerFunction>);
