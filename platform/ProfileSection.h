// The lines of one section of a profile (INI) file, however long the
// section is: read with GetPrivateProfileSectionA into a buffer that doubles
// while the result may have been cut.
//
// Threads: any. Failure: std::bad_alloc only; a missing file or section
// gives no line.
#pragma once

#include "tarselplatform_export.h"

#include <string>
#include <vector>

namespace tarsel::platform {

// The non-blank lines of [section] as written (trimmed at both ends).
TARSELPLATFORM_EXPORT std::vector<std::string> ReadProfileSection(const std::string& section,
                                                                  const std::string& file);

} // namespace tarsel::platform
