// printf-style formatting into a std::string through a 4000-character buffer:
// longer results are cut to 3999 characters; a null or empty format gives "".
#pragma once

#include "TarselEnv_export.h"

#include <string>

TARSELENV_EXPORT void FormatStdString(std::string& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
