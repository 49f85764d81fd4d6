// A tiny component library for the component layer's tests: one class,
// "TARSEL.TestObject.1", whose method 1 fires event 1 with its argument.
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComLibrary.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/RefCount.h"

namespace {

using tarsel::com::Variant;

constexpr CLSID kClsid{0x1E57C0DE, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kEvents{0x1E57C0DE, 0x0001, 0x0003, {1, 2, 3, 4, 5, 6, 7, 8}};

tarsel::com::ModuleCount g_objects;

class TestObject final : public IDispatch, public IConnectionPointContainer {
public:
  TestObject() : m_refs(g_objects), m_events(*static_cast<IDispatch*>(this), kEvents) {}

  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch)
      *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IConnectionPointContainer)
      *object = static_cast<IConnectionPointContainer*>(this);
    else
      return *object = nullptr, E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return m_refs.addRef(); }
  ULONG Release() override {
    const ULONG n = m_refs.release();
    if (n == 0)
      delete this;
    return n;
  }
  HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID id, WORD, std::span<Variant> args, Variant*, EXCEPINFO*) override {
    if (id != 1 || args.size() != 1)
      return DISP_E_MEMBERNOTFOUND;
    m_events.Fire(1, args);
    return S_OK;
  }
  HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) override {
    if (iid != kEvents)
      return CONNECT_E_NOCONNECTION;
    *point = &m_events;
    AddRef();
    return S_OK;
  }

private:
  ~TestObject() = default;
  tarsel::com::RefCount m_refs;
  tarsel::com::ConnectionPoint m_events;
};

class Factory final : public IClassFactory {
public:
  Factory() : m_refs(g_objects) {}
  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
      return *object = nullptr, E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return m_refs.addRef(); }
  ULONG Release() override {
    const ULONG n = m_refs.release();
    if (n == 0)
      delete this;
    return n;
  }
  HRESULT CreateInstance(IUnknown*, const IID& iid, void** object) override {
    auto* made = new TestObject();
    const HRESULT hr = made->QueryInterface(iid, object);
    made->Release();
    return hr;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

private:
  ~Factory() = default;
  tarsel::com::RefCount m_refs;
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid,
                                                                            const IID& iid, void** object) {
  if (clsid != kClsid)
    return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new Factory();
  const HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return g_objects.idle() ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  tarsel::com::ClassRecord record;
  record.clsid = kClsid;
  record.name = "Test Object";
  record.progId = "TARSEL.TestObject.1";
  record.library = tarsel::com::libraryPathOf(reinterpret_cast<const void*>(&DllCanUnloadNow));
  return FAILED(tarsel::com::registerClass(record)) ? SELFREG_E_CLASS : S_OK;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  return FAILED(tarsel::com::unregisterClass(kClsid)) ? SELFREG_E_CLASS : S_OK;
}
