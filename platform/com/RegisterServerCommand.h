// The register command: "tarselregsvr [-u] LIBRARY" loads a component library
// and runs its DllRegisterServer (with -u its DllUnregisterServer), which
// writes (removes) the library's records in the class registry. The library
// is named by path; a relative path is taken from the current folder and made
// absolute first, so the records name the file wherever the caller stands.
// Exit status: 0 done, 1 bad arguments, 3 the library cannot be loaded, 4 it
// lacks the function, 5 the function failed (its result is printed).
#pragma once

#include "tarselcom_export.h"

#include <ostream>
#include <string>
#include <vector>

namespace tarsel::com {

TARSELCOM_EXPORT int runRegisterServerCommand(const std::vector<std::string>& arguments, std::ostream& out,
                                              std::ostream& err);

} // namespace tarsel::com
