// The camera-model file of the camera-link family: "<model>.camd" in the
// family's data folder; its upkeep is the families' shared one
// (app/cameras/common/ModelFile.h).
//
// Threads: any. Failure: see the shared upkeep.
#pragma once

#include "app/cameras/common/ModelFile.h"

#include <string>
#include <string_view>

namespace tarsel::vesk {

using tarsel::cameras::MoveOldRanges;
using tarsel::cameras::ReplaceModelFile;

// The file name of a model: the camera type with every "/" made "_",
// followed by ".camd".
std::string ModelFileName(std::string_view cameraType);

} // namespace tarsel::vesk
