// Persistence of an object's properties as named values: the host keeps a
// property bag (Read, Write by name) and asks the object to start afresh
// (InitNew), to read its properties from a bag (Load) or to write them (Save).
#pragma once

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

#include <string_view>

class IPropertyBag : public IUnknown {
public:
  // E_INVALIDARG when the bag holds no value of that name.
  virtual HRESULT Read(std::string_view name, tarsel::com::Variant* value) = 0;
  virtual HRESULT Write(std::string_view name, const tarsel::com::Variant& value) = 0;

protected:
  ~IPropertyBag() = default;
};

class IPersistPropertyBag : public IUnknown {
public:
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* bag) = 0;
  virtual HRESULT Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAllProperties) = 0;

protected:
  ~IPersistPropertyBag() = default;
};

inline constexpr IID IID_IPropertyBag{
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IPersistPropertyBag{
    0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
