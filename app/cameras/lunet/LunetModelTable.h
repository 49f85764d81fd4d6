// The ActiveX family's model table: the camera models the family knows, by
// the five-character camera type the control reports, each with the optical
// zoom range of its lens (positions in tenths of the zoom factor).
//
// Threads: any (read-only tables). Failure: none.
#pragma once

#include "app/core/Range.h"

#include <cstdint>
#include <string_view>

namespace tarsel::lunet {

// One row: the model name (the camera's model name, and the model list's
// entry), the camera type code the control reports, and a third text that
// is empty in every row. The table ends with a row of two null texts.
struct LunetModel {
  const char* modelName;
  const char* cameraType;
  const char* extra;
};

// A model's optical zoom range, parallel to the model table row by row;
// the entry behind the last row is -1, -1.
struct LunetZoomRange {
  std::int32_t min;
  std::int32_t max;
};

const LunetModel* LunetModelTable();
const LunetZoomRange* LunetZoomRangeTable();

// The row whose camera type equals `cameraType` without regard to case;
// null when none does.
const LunetModel* FindLunetModel(std::string_view cameraType);

// The zoom range of the model with that camera type; -1..-1 for no model.
CRange LunetModelZoomRange(std::string_view cameraType);

} // namespace tarsel::lunet
