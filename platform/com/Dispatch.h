// Late-bound calls by member identifier. A member is a property (read with
// DISPATCH_PROPERTYGET, written with DISPATCH_PROPERTYPUT, the new value the
// last argument) or a method (DISPATCH_METHOD). Arguments go in the order the
// member lists them; "out" parameters are references (Variant::refLong ...).
// A member that fails raises: Invoke gives DISP_E_EXCEPTION and fills the
// exception information (a 16-bit code of the object's own in wCode, or an
// HRESULT in scode, with a description). Wrong calls give DISP_E_MEMBERNOTFOUND
// (no such member, or the wrong kind of access), DISP_E_BADPARAMCOUNT or
// DISP_E_TYPEMISMATCH.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

#include <span>
#include <string>
#include <string_view>

using DISPID = LONG;

enum : WORD {
  DISPATCH_METHOD = 1,
  DISPATCH_PROPERTYGET = 2,
  DISPATCH_PROPERTYPUT = 4,
};

struct EXCEPINFO {
  WORD wCode = 0;
  std::string bstrSource;
  std::string bstrDescription;
  HRESULT scode = 0;
};

class IDispatch : public IUnknown {
public:
  // The identifier of a member named `name` (compared without regard to
  // ASCII case); DISP_E_UNKNOWNNAME when there is none.
  virtual HRESULT GetIDsOfNames(std::string_view name, DISPID* id) = 0;
  // `result` may be null when the caller wants none; `excepInfo` may be null.
  virtual HRESULT Invoke(DISPID id, WORD flags, std::span<tarsel::com::Variant> args,
                         tarsel::com::Variant* result, EXCEPINFO* excepInfo) = 0;

protected:
  ~IDispatch() = default;
};

inline constexpr IID IID_IDispatch{
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
