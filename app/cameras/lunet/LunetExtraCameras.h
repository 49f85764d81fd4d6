// The extra-cameras file "ExtraCams.cams" of the data folder: the display
// name of a camera whose type the model table does not know is the first
// key of its section "Used Cameras", up to a comma (at most 260 characters).
//
// Threads: any. Failure: a missing file or section gives an empty name.
#pragma once

#include <string>

namespace tarsel::lunet {

std::string ExtraCameraName(const std::string& dataFolder);

} // namespace tarsel::lunet
