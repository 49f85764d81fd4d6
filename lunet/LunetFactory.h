// The class factory of the Lunet control, and the library's count of live
// objects and server locks that DllCanUnloadNow answers from.
#pragma once

#include "platform/com/RefCount.h"
#include "platform/com/Unknown.h"

namespace tarsel::lunet {

com::ModuleCount& lunetModuleCount();

class LunetFactory final : public IClassFactory {
public:
  // A new factory with one reference.
  static LunetFactory* create();

  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

private:
  LunetFactory();
  ~LunetFactory() = default;

  com::RefCount m_refs;
};

} // namespace tarsel::lunet
