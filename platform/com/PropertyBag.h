// A property bag in memory: named values, names compared without regard to
// ASCII case, for a host that keeps an object's persisted properties itself.
// Made with one reference (create); one thread at a time.
#pragma once

#include "platform/com/PersistPropertyBag.h"
#include "platform/com/RefCount.h"
#include "tarselcom_export.h"

#include <string>
#include <utility>
#include <vector>

namespace tarsel::com {

class TARSELCOM_EXPORT PropertyBag final : public IPropertyBag {
public:
  static PropertyBag* create();

  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Read(std::string_view name, Variant* value) override;
  HRESULT Write(std::string_view name, const Variant& value) override;

  // The names written, in the order of their first write.
  std::vector<std::string> names() const;

private:
  PropertyBag();
  ~PropertyBag();

  RefCount m_refs;
  std::vector<std::pair<std::string, Variant>> m_values;
};

} // namespace tarsel::com
