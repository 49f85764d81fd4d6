// A value of one of the automation types the dispatch calls pass: 16- and
// 32-bit integers, BOOL, DATE (days since 30 December 1899, the fraction
// being the time of day), text (raw bytes, no code-page step), a byte array
// (shared: copies of the variant reach the same array, which members fill in
// place), and references to a caller's 32-bit integer, text or variant for
// "out" parameters. The as... reads coerce as the automation calls do for the
// cases members meet (I2, I4 and BOOL into one another, EMPTY as 0 or "") and
// follow references; anything else is DISP_E_TYPEMISMATCH.
#pragma once

#include "platform/com/ByteArray.h"
#include "platform/com/ComResults.h"
#include "tarselcom_export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

using VARTYPE = WORD;
enum : VARTYPE {
  VT_EMPTY = 0,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UI1 = 17,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
};

using DATE = double;
inline constexpr std::int16_t VARIANT_TRUE = -1;
inline constexpr std::int16_t VARIANT_FALSE = 0;

namespace tarsel::com {

class TARSELCOM_EXPORT Variant {
public:
  Variant() = default;

  static Variant fromShort(std::int16_t value);
  static Variant fromLong(std::int32_t value);
  static Variant fromBool(bool value);
  static Variant fromDate(DATE value);
  static Variant fromText(std::string value);
  static Variant fromArray(std::shared_ptr<ByteArray> array);
  static Variant refLong(std::int32_t* target);
  static Variant refText(std::string* target);
  static Variant refVariant(Variant* target);

  // VT_ARRAY | VT_UI1 for an array, VT_BYREF | ... for a reference.
  VARTYPE type() const { return m_type; }
  // The variant a VT_BYREF | VT_VARIANT leads to (followed to the end), or this one.
  const Variant& target() const;
  Variant& target();

  HRESULT asLong(std::int32_t& out) const;
  HRESULT asShort(std::int16_t& out) const;
  HRESULT asDate(DATE& out) const;
  HRESULT asText(std::string& out) const;
  // The array, or null for any other type (EMPTY included).
  std::shared_ptr<ByteArray> array() const;

  // Stores through a reference of the matching type; DISP_E_TYPEMISMATCH
  // when this is not one.
  HRESULT storeLong(std::int32_t value);
  HRESULT storeText(std::string value);

private:
  using Value = std::variant<std::monostate, std::int16_t, std::int32_t, bool, double, std::string,
                             std::shared_ptr<ByteArray>, std::int32_t*, std::string*, Variant*>;
  Variant(VARTYPE type, Value value) : m_type(type), m_value(std::move(value)) {}

  VARTYPE m_type = VT_EMPTY;
  Value m_value;
};

} // namespace tarsel::com
