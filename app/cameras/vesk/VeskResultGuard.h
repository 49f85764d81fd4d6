// The result guard of the camera's code-returning operations (the families'
// shared guard under the family's name).
#pragma once

#include "app/cameras/common/ResultGuard.h"

namespace tarsel::vesk {

using tarsel::cameras::GuardResult;

} // namespace tarsel::vesk
