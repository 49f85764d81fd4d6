#include "platform/com/Variant.h"

namespace tarsel::com {

namespace {
// A chain of references longer than this is refused (a variant referring to itself).
constexpr int kMaxReferenceDepth = 8;
} // namespace

Variant Variant::fromShort(std::int16_t value) {
  return {VT_I2, value};
}
Variant Variant::fromLong(std::int32_t value) {
  return {VT_I4, value};
}
Variant Variant::fromBool(bool value) {
  return {VT_BOOL, value};
}
Variant Variant::fromDate(DATE value) {
  return {VT_DATE, value};
}
Variant Variant::fromText(std::string value) {
  return {VT_BSTR, std::move(value)};
}
Variant Variant::fromArray(std::shared_ptr<ByteArray> array) {
  return {static_cast<VARTYPE>(VT_ARRAY | VT_UI1), std::move(array)};
}
Variant Variant::refLong(std::int32_t* target) {
  return {static_cast<VARTYPE>(VT_BYREF | VT_I4), target};
}
Variant Variant::refText(std::string* target) {
  return {static_cast<VARTYPE>(VT_BYREF | VT_BSTR), target};
}
Variant Variant::refVariant(Variant* target) {
  return {static_cast<VARTYPE>(VT_BYREF | VT_VARIANT), target};
}

const Variant& Variant::target() const {
  const Variant* v = this;
  for (int depth = 0; depth < kMaxReferenceDepth && v->m_type == (VT_BYREF | VT_VARIANT); ++depth) {
    Variant* next = std::get<Variant*>(v->m_value);
    if (next == nullptr)
      break;
    v = next;
  }
  return *v;
}

Variant& Variant::target() {
  return const_cast<Variant&>(std::as_const(*this).target());
}

HRESULT Variant::asLong(std::int32_t& out) const {
  const Variant& v = target();
  switch (v.m_type) {
  case VT_EMPTY:
    out = 0;
    return S_OK;
  case VT_I2:
    out = std::get<std::int16_t>(v.m_value);
    return S_OK;
  case VT_I4:
    out = std::get<std::int32_t>(v.m_value);
    return S_OK;
  case VT_BOOL:
    out = std::get<bool>(v.m_value) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  case VT_BYREF | VT_I4:
    if (std::get<std::int32_t*>(v.m_value) == nullptr)
      return E_POINTER;
    out = *std::get<std::int32_t*>(v.m_value);
    return S_OK;
  default:
    return DISP_E_TYPEMISMATCH;
  }
}

HRESULT Variant::asShort(std::int16_t& out) const {
  std::int32_t value = 0;
  const HRESULT hr = asLong(value);
  if (FAILED(hr))
    return hr;
  if (value < INT16_MIN || value > INT16_MAX)
    return DISP_E_TYPEMISMATCH;
  out = static_cast<std::int16_t>(value);
  return S_OK;
}

HRESULT Variant::asDate(DATE& out) const {
  const Variant& v = target();
  if (v.m_type == VT_DATE) {
    out = std::get<double>(v.m_value);
    return S_OK;
  }
  std::int32_t days = 0;
  const HRESULT hr = v.asLong(days);
  if (SUCCEEDED(hr))
    out = days;
  return hr;
}

HRESULT Variant::asText(std::string& out) const {
  const Variant& v = target();
  switch (v.m_type) {
  case VT_EMPTY:
    out.clear();
    return S_OK;
  case VT_BSTR:
    out = std::get<std::string>(v.m_value);
    return S_OK;
  case VT_BYREF | VT_BSTR:
    if (std::get<std::string*>(v.m_value) == nullptr)
      return E_POINTER;
    out = *std::get<std::string*>(v.m_value);
    return S_OK;
  default:
    return DISP_E_TYPEMISMATCH;
  }
}

std::shared_ptr<ByteArray> Variant::array() const {
  const Variant& v = target();
  if (v.m_type != (VT_ARRAY | VT_UI1))
    return nullptr;
  return std::get<std::shared_ptr<ByteArray>>(v.m_value);
}

HRESULT Variant::storeLong(std::int32_t value) {
  Variant& v = target();
  if (v.m_type == (VT_BYREF | VT_I4)) {
    if (std::get<std::int32_t*>(v.m_value) == nullptr)
      return E_POINTER;
    *std::get<std::int32_t*>(v.m_value) = value;
    return S_OK;
  }
  if (&v != this) { // a referenced variant takes the value itself
    v = fromLong(value);
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT Variant::storeText(std::string value) {
  Variant& v = target();
  if (v.m_type == (VT_BYREF | VT_BSTR)) {
    if (std::get<std::string*>(v.m_value) == nullptr)
      return E_POINTER;
    *std::get<std::string*>(v.m_value) = std::move(value);
    return S_OK;
  }
  if (&v != this) {
    v = fromText(std::move(value));
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

} // namespace tarsel::com
