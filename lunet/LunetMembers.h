// The members of the control's dispatch interface _DLunet: identifier, name,
// kind, type (a property's type or a method's result, VT_EMPTY for none),
// which accesses a property allows, and a method's parameter types
// (VT_VARIANT: a variant holding a byte array; VT_BYREF | ...: an "out"
// parameter). Invoke checks every call against this table.
#pragma once

#include "platform/com/Dispatch.h"

#include <array>
#include <span>
#include <string_view>

namespace tarsel::lunet {

enum class MemberKind { Property, Method };

struct MemberInfo {
  DISPID id;
  std::string_view name;
  MemberKind kind;
  VARTYPE type;
  bool canGet;
  bool canSet;
  int paramCount;
  std::array<VARTYPE, 9> params;
};

std::span<const MemberInfo> lunetMembers();
// Null for an identifier the interface does not have.
const MemberInfo* findLunetMember(DISPID id);
const MemberInfo* findLunetMember(std::string_view name);

} // namespace tarsel::lunet
