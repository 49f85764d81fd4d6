// Events: an object that fires events is a container of connection points,
// one per event interface. A client hands a sink (an object with IDispatch)
// to the point's Advise and gets a cookie to end the connection with. Events
// are calls of the sink's Invoke (DISPATCH_METHOD, the event's identifier),
// made on the thread that fires them.
#pragma once

#include "platform/com/Unknown.h"

class IConnectionPoint : public IUnknown {
public:
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  // CONNECT_E_CANNOTCONNECT when the sink has no IDispatch.
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  // CONNECT_E_NOCONNECTION for a cookie it did not give.
  virtual HRESULT Unadvise(DWORD cookie) = 0;

protected:
  ~IConnectionPoint() = default;
};

class IConnectionPointContainer : public IUnknown {
public:
  // CONNECT_E_NOCONNECTION for an event interface the object does not fire.
  virtual HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) = 0;

protected:
  ~IConnectionPointContainer() = default;
};

inline constexpr IID IID_IConnectionPointContainer{
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint{
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
