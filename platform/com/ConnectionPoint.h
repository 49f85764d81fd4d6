// One connection point of an event-firing object: the sinks advised for one
// event interface, and the firing of an event to each of them. It lives
// inside its container and counts its references there. Fire calls the sinks
// in the order they were advised, on the calling thread; a sink may unadvise
// (itself or another) while an event is being fired. One thread at a time.
#pragma once

#include "hostapi/RefPtr.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/Dispatch.h"
#include "tarselcom_export.h"

#include <span>
#include <vector>

namespace tarsel::com {

class TARSELCOM_EXPORT ConnectionPoint : public IConnectionPoint {
public:
  ConnectionPoint(IUnknown& container, const IID& eventInterface);
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;
  ~ConnectionPoint();

  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;

  // Calls every sink's Invoke(id, DISPATCH_METHOD, args); their results are not looked at.
  void Fire(DISPID id, std::span<Variant> args);
  // Drops every sink (the container is going away).
  void UnadviseAll();

private:
  struct Sink {
    DWORD cookie = 0;
    CRefPtr<IDispatch> sink;
  };

  IUnknown& m_container;
  IID m_interface;
  std::vector<Sink> m_sinks;
  DWORD m_nextCookie = 1;
};

} // namespace tarsel::com
