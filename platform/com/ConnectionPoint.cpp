#include "platform/com/ConnectionPoint.h"

#include <algorithm>

namespace tarsel::com {

ConnectionPoint::ConnectionPoint(IUnknown& container, const IID& eventInterface)
    : m_container(container), m_interface(eventInterface) {}

ConnectionPoint::~ConnectionPoint() = default;

HRESULT ConnectionPoint::QueryInterface(const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ConnectionPoint::AddRef() {
  return m_container.AddRef();
}

ULONG ConnectionPoint::Release() {
  return m_container.Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr)
    return E_POINTER;
  *iid = m_interface;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (sink == nullptr || cookie == nullptr)
    return E_POINTER;
  IDispatch* dispatch = nullptr;
  if (FAILED(sink->QueryInterface(m_interface, reinterpret_cast<void**>(&dispatch))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
    return CONNECT_E_CANNOTCONNECT;
  Sink entry;
  entry.cookie = m_nextCookie++;
  entry.sink.Attach(dispatch);
  *cookie = entry.cookie;
  m_sinks.push_back(std::move(entry));
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  const auto it =
      std::find_if(m_sinks.begin(), m_sinks.end(), [&](const Sink& s) { return s.cookie == cookie; });
  if (it == m_sinks.end())
    return CONNECT_E_NOCONNECTION;
  m_sinks.erase(it);
  return S_OK;
}

void ConnectionPoint::Fire(DISPID id, std::span<Variant> args) {
  // A copy: a sink may unadvise while it is being called.
  const std::vector<Sink> sinks = m_sinks;
  for (const Sink& s : sinks) {
    std::vector<Variant> copy(args.begin(), args.end());
    s.sink->Invoke(id, DISPATCH_METHOD, copy, nullptr, nullptr);
  }
}

void ConnectionPoint::UnadviseAll() {
  m_sinks.clear();
}

} // namespace tarsel::com
