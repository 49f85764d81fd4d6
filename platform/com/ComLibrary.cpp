#include "platform/com/ComLibrary.h"

#include "platform/Module.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ServerExports.h"

#include <map>
#include <memory>
#include <mutex>

#include <dlfcn.h>

namespace {

using tarsel::platform::Module;

struct LoadedLibrary {
  Module module;
  DllGetClassObjectFunction getClassObject = nullptr;
  DllCanUnloadNowFunction canUnloadNow = nullptr;
};

std::mutex g_lock;
std::map<std::string, std::unique_ptr<LoadedLibrary>>& libraries() {
  static std::map<std::string, std::unique_ptr<LoadedLibrary>> loaded;
  return loaded;
}

} // namespace

HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid) {
  if (clsid == nullptr)
    return E_POINTER;
  const auto record = tarsel::com::findClassByProgId(progId);
  if (!record)
    return REGDB_E_CLASSNOTREG;
  *clsid = record->clsid;
  return S_OK;
}

HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  try {
    const auto record = tarsel::com::findClass(clsid);
    if (!record)
      return REGDB_E_CLASSNOTREG;
    std::lock_guard guard(g_lock);
    auto& loaded = libraries();
    auto it = loaded.find(record->library);
    if (it == loaded.end()) {
      auto library = std::make_unique<LoadedLibrary>();
      if (record->library.empty() || !library->module.load(record->library))
        return CO_E_DLLNOTFOUND;
      library->getClassObject = library->module.function<DllGetClassObjectFunction>("DllGetClassObject");
      library->canUnloadNow = library->module.function<DllCanUnloadNowFunction>("DllCanUnloadNow");
      if (library->getClassObject == nullptr)
        return CO_E_ERRORINDLL;
      it = loaded.emplace(record->library, std::move(library)).first;
    }
    // Asked under the lock, so that the library cannot be unloaded between
    // the look-up and the factory's first reference.
    return it->second->getClassObject(clsid, iid, object);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  const HRESULT hr = CoGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr))
    return hr;
  const HRESULT created = factory->CreateInstance(outer, iid, object);
  factory->Release();
  return created;
}

void CoFreeUnusedLibraries() {
  std::lock_guard guard(g_lock);
  auto& loaded = libraries();
  for (auto it = loaded.begin(); it != loaded.end();) {
    const bool unused = it->second->canUnloadNow != nullptr && it->second->canUnloadNow() == S_OK;
    it = unused ? loaded.erase(it) : std::next(it);
  }
}

namespace tarsel::com {

std::string libraryPathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr)
    return {};
  return info.dli_fname;
}

int loadedLibraryCount() {
  std::lock_guard guard(g_lock);
  return static_cast<int>(libraries().size());
}

} // namespace tarsel::com
