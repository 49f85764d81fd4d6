#include "lunet/LunetFactory.h"

#include "lunet/LunetCtrl.h"

#include <new>

namespace tarsel::lunet {

com::ModuleCount& lunetModuleCount() {
  static com::ModuleCount count;
  return count;
}

LunetFactory* LunetFactory::create() {
  return new LunetFactory();
}

LunetFactory::LunetFactory() : m_refs(lunetModuleCount()) {}

HRESULT LunetFactory::QueryInterface(const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG LunetFactory::AddRef() {
  return m_refs.addRef();
}

ULONG LunetFactory::Release() {
  const ULONG count = m_refs.release();
  if (count == 0)
    delete this;
  return count;
}

HRESULT LunetFactory::CreateInstance(IUnknown* outer, const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  if (outer != nullptr)
    return CLASS_E_NOAGGREGATION;
  CLunetCtrl* control = nullptr;
  try {
    control = CLunetCtrl::create();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = control->QueryInterface(iid, object);
  control->Release();
  return hr;
}

HRESULT LunetFactory::LockServer(BOOL lock) {
  if (lock)
    lunetModuleCount().lock();
  else
    lunetModuleCount().unlock();
  return S_OK;
}

} // namespace tarsel::lunet
