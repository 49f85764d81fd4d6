// The base interface of every component object and the class factory that
// makes them. Objects count their references (AddRef, Release; the last
// Release deletes the object inside the library that made it) and hand out
// their other interfaces through QueryInterface, never through a C++ cast:
// the interfaces cross into separately loaded libraries. No exception leaves
// any of these calls; failures are result codes.
#pragma once

#include "platform/com/ComResults.h"
#include "platform/com/Guid.h"

class IUnknown {
public:
  // S_OK with a counted reference in *object; E_NOINTERFACE (and null) for an
  // interface the object does not have; E_POINTER for a null `object`.
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  // The new count (for tracing only).
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

protected:
  ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
public:
  // A new object of the factory's class, asked for interface `iid`; `outer`
  // must be null (CLASS_E_NOAGGREGATION otherwise).
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
  // Keeps the library loaded while `lock` is true (counted).
  virtual HRESULT LockServer(BOOL lock) = 0;

protected:
  ~IClassFactory() = default;
};

inline constexpr IID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory{
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
