// CLunetCtrl: the Lunet control, an invisible component object that puts the
// camera library behind the dispatch interface _DLunet (see LunetMembers.h),
// fires _DLunetEvents' Progress during transfers through its connection
// point, and persists "propPort" and "propSpeed" in a property bag. Every
// member that calls the camera raises its nonzero result as a dispatch
// exception (wCode = the code, description = the control's failure text);
// accesses the interface refuses raise with scode CTL_E_GETNOTSUPPORTED or
// CTL_E_SETNOTSUPPORTED. Called on one thread at a time; Progress is fired on
// the calling thread, and a sink may set propCancel from it.
#pragma once

#include "lunet/LunetCamera.h"
#include "lunet/LunetMembers.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/PersistPropertyBag.h"
#include "platform/com/RefCount.h"

class CLunetCtrl final : public IDispatch, public IConnectionPointContainer, public IPersistPropertyBag {
public:
  // A new control with one reference.
  static CLunetCtrl* create(tarsel::lunet::LunetTimings timings = {});

  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override;
  HRESULT Invoke(DISPID id, WORD flags, std::span<tarsel::com::Variant> args, tarsel::com::Variant* result,
                 EXCEPINFO* excepInfo) override;

  HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) override;

  HRESULT InitNew() override;
  HRESULT Load(IPropertyBag* bag) override;
  HRESULT Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAllProperties) override;

  // The time bounds of the control's camera calls (LunetTimings).
  void setTimings(const tarsel::lunet::LunetTimings& timings);

  // Whether a property was set since creation or the last Save that cleared it.
  bool modified() const { return m_modified; }

private:
  explicit CLunetCtrl(tarsel::lunet::LunetTimings timings);
  ~CLunetCtrl();

  void fireProgress(short percent);

  tarsel::com::RefCount m_refs;
  tarsel::lunet::LunetCamera m_camera;
  tarsel::com::ConnectionPoint m_events;
  bool m_modified = false;
};
