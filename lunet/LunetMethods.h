// The methods of the control's dispatch interface (identifiers 35 to 64):
// Connect and DisConnect, actions, structures read into caller arrays or
// "out" parameters and written from them, and the picture transfers, with
// the members' conventions of LunetCamera. A wrong argument type throws
// DispatchRefusal.
#pragma once

#include "lunet/LunetCamera.h"
#include "platform/com/Dispatch.h"

#include <span>

namespace tarsel::lunet {

// `args` has the member's parameter count (Invoke checked it).
com::Variant callMethod(LunetCamera& camera, DISPID id, std::span<com::Variant> args);

} // namespace tarsel::lunet
