#include "platform/com/PropertyBag.h"

#include "platform/AsciiCase.h"

#include <algorithm>

namespace tarsel::com {

namespace {
// The bag belongs to the host's library, which never unloads.
ModuleCount g_hostObjects;
} // namespace

PropertyBag* PropertyBag::create() {
  return new PropertyBag();
}

PropertyBag::PropertyBag() : m_refs(g_hostObjects) {}

PropertyBag::~PropertyBag() = default;

HRESULT PropertyBag::QueryInterface(const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
    *object = static_cast<IPropertyBag*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG PropertyBag::AddRef() {
  return m_refs.addRef();
}

ULONG PropertyBag::Release() {
  const ULONG count = m_refs.release();
  if (count == 0)
    delete this;
  return count;
}

HRESULT PropertyBag::Read(std::string_view name, Variant* value) {
  if (value == nullptr)
    return E_POINTER;
  const auto it = std::find_if(m_values.begin(), m_values.end(), [&](const auto& entry) {
    return tarsel::platform::equalsIgnoringAsciiCase(entry.first, name);
  });
  if (it == m_values.end())
    return E_INVALIDARG;
  *value = it->second;
  return S_OK;
}

HRESULT PropertyBag::Write(std::string_view name, const Variant& value) {
  const auto it = std::find_if(m_values.begin(), m_values.end(), [&](const auto& entry) {
    return tarsel::platform::equalsIgnoringAsciiCase(entry.first, name);
  });
  if (it != m_values.end())
    it->second = value;
  else
    m_values.emplace_back(std::string(name), value);
  return S_OK;
}

std::vector<std::string> PropertyBag::names() const {
  std::vector<std::string> out;
  for (const auto& entry : m_values)
    out.push_back(entry.first);
  return out;
}

} // namespace tarsel::com
