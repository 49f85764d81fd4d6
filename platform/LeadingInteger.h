// Reading a number the way the C library's atoi and the profile calls do:
// an optional sign and the decimal digits that follow, ignoring the rest.
//
// Threads: any. Failure: none.
#pragma once

#include "tarselplatform_export.h"

#include <string_view>

namespace tarsel::platform {

// The optional sign and leading decimal digits of `text` as a number; 0 when
// there are none. Values beyond the int range are clamped to it.
TARSELPLATFORM_EXPORT int LeadingInteger(std::string_view text);

} // namespace tarsel::platform
