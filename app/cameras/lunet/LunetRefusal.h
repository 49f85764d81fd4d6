// A value the camera refuses (it answers DC1 or NAK, the library finds it
// out of range, or an upload of it fails) is thrown like any control failure
// and drops the connection. Every code of the camera library counts as a
// refusal but those of a camera that stopped answering (not responding,
// session closed, USB failed). Where a refusal only means "not taken" (trying values, a
// setting the user picks), RunRefusable runs the change, swallows a refusal
// and opens the connection again as deep as it was, so the caller's batch
// goes on; any other failure (a camera that stopped answering) is thrown.
//
// Threads: the camera's (its lock is held throughout).
#pragma once

#include "env/BrantelTakeError.h"

#include <functional>

class CLunetWr;

namespace tarsel::lunet {

// True for the codes of a refused value.
bool IsRefusal(const _brantel_take_error& error);

// Runs `change`; false when the camera refused it.
bool RunRefusable(CLunetWr& camera, const std::function<void()>& change);

} // namespace tarsel::lunet
