// Arguments of dispatch calls as the control's members take them, and the two
// ways a call ends without running: refused by the interface (the dispatch
// result itself) or not supported (an exception with only an scode).
#pragma once

#include "platform/com/Variant.h"

#include <cstdint>
#include <string>

namespace tarsel::lunet {

// A call the interface cannot take (wrong argument type): the dispatch
// result itself, no exception information.
struct DispatchRefusal {
  HRESULT hr;
};

// An access the interface does not support: an exception with only an scode.
struct NotSupported {
  HRESULT scode;
};

// The argument as a long or a text; DispatchRefusal{DISP_E_TYPEMISMATCH} otherwise.
std::int32_t longOf(const com::Variant& v);
std::string textOf(const com::Variant& v);
// A value stored through an "out" parameter; DispatchRefusal when it is none.
void store(com::Variant& out, std::int32_t value);
void store(com::Variant& out, std::string value);

} // namespace tarsel::lunet
