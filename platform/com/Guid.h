// 128-bit class and interface identifiers. The text form is the registry's:
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal in braces,
// the first three groups as numbers and the last two as bytes in order.
#pragma once

#include "hostapi/Win32Types.h"
#include "tarselcom_export.h"

#include <optional>
#include <string>
#include <string_view>

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {};

  friend bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};

// The identifier in its text form.
TARSELCOM_EXPORT std::string StringFromGUID(const GUID& guid);

// The identifier of a text form (hexadecimal digits of either case); no value
// for anything else, a missing brace or stray character included.
TARSELCOM_EXPORT std::optional<GUID> GUIDFromString(std::string_view text);
