// Expansion of environment-variable references in a text: %NAME%, $NAME and
// ${NAME}. A reference whose variable is not set stays as written, so does a
// lone "%" or "$"; the values put in are never expanded again. Reads the
// process environment; safe on any thread as long as nobody changes the
// environment meanwhile.
#pragma once

#include "hostapi/Win32Types.h"
#include "tarselplatform_export.h"

#include <string>
#include <string_view>

TARSELPLATFORM_EXPORT std::string ExpandEnvironmentStrings(std::string_view text);

// The expansion into a caller's buffer. Returns the size the expanded text
// needs in characters, its terminating NUL included; the text is written only
// when that fits into `size`. 0 with the last error set when `src` is null or
// the result would not fit a DWORD.
TARSELPLATFORM_EXPORT DWORD ExpandEnvironmentStringsA(const char* src, char* dst, DWORD size);
