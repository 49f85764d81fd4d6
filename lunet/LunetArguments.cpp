#include "lunet/LunetArguments.h"

namespace tarsel::lunet {

using com::Variant;

std::int32_t longOf(const Variant& v) {
  std::int32_t value = 0;
  if (FAILED(v.asLong(value)))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
  return value;
}

std::string textOf(const Variant& v) {
  std::string value;
  if (FAILED(v.asText(value)))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
  return value;
}

void store(Variant& out, std::int32_t value) {
  if (FAILED(out.storeLong(value)))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
}

void store(Variant& out, std::string value) {
  if (FAILED(out.storeText(std::move(value))))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
}

} // namespace tarsel::lunet
