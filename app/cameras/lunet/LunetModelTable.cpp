#include "app/cameras/lunet/LunetModelTable.h"

#include "app/core/CaptureProfileReader.h"

#include <iterator>

namespace tarsel::lunet {
namespace {

const LunetModel kModels[] = {
    {"VC-200", "VC200", ""},      {"VC-210 Zoom", "VC210", ""}, {"VC-300", "VC300", ""},
    {"VC-320 Zoom", "VC320", ""}, {"VC-400 Zoom", "VC400", ""}, {"VC-450 Zoom", "VC450", ""},
    {"VC-500 Zoom", "VC500", ""}, {nullptr, nullptr, nullptr},
};

const LunetZoomRange kZoomRanges[] = {
    {10, 10}, {10, 20}, {10, 10}, {10, 30}, {10, 30}, {10, 28}, {10, 40}, {-1, -1},
};

static_assert(std::size(kModels) == std::size(kZoomRanges));

} // namespace

const LunetModel* LunetModelTable() {
  return kModels;
}

const LunetZoomRange* LunetZoomRangeTable() {
  return kZoomRanges;
}

const LunetModel* FindLunetModel(std::string_view cameraType) {
  for (const LunetModel* row = kModels; row->modelName || row->cameraType; ++row)
    if (row->cameraType && tarsel::core::CaptureProfileReader::SameText(row->cameraType, cameraType))
      return row;
  return nullptr;
}

CRange LunetModelZoomRange(std::string_view cameraType) {
  const LunetModel* row = FindLunetModel(cameraType);
  if (!row)
    return CRange(-1, -1);
  const LunetZoomRange& range = kZoomRanges[row - kModels];
  return CRange(range.min, range.max);
}

} // namespace tarsel::lunet
