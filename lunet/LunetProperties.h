// The properties of the control's dispatch interface (identifiers 1 to 34):
// reads and writes of the control's own values and of the camera's, with the
// members' conventions of LunetCamera. Accesses a property does not have
// throw NotSupported; a wrong argument type DispatchRefusal.
#pragma once

#include "lunet/LunetCamera.h"
#include "platform/com/Dispatch.h"

namespace tarsel::lunet {

com::Variant getProperty(LunetCamera& camera, DISPID id);
// True when the write changed one of the control's own values (it is then "modified").
bool putProperty(LunetCamera& camera, DISPID id, const com::Variant& value);

} // namespace tarsel::lunet
