#include "app/cameras/vesk/VeskModelFile.h"

#include "app/core/RangeItem.h"
#include "platform/PrivateProfile.h"

#include <algorithm>
#include <cstdint>

namespace tarsel::vesk {
namespace {

constexpr const char* kOldSection = "parameters";

void moveOldRange(const std::string& file, const char* minKey, const char* maxKey, const char* name) {
  const auto min = static_cast<std::int32_t>(GetPrivateProfileIntA(kOldSection, minKey, -1, file.c_str()));
  const auto max = static_cast<std::int32_t>(GetPrivateProfileIntA(kOldSection, maxKey, -1, file.c_str()));
  if (min == -1 && max == -1)
    return;
  CRangeItem(nullptr, name, min, max).SaveToIni(file.c_str());
  // The keys go only once their values are safe in the new section.
  for (const char* key : {minKey, maxKey})
    if (!WritePrivateProfileStringA(kOldSection, key, nullptr, file.c_str()))
      CRangeItem::ThrowSaveError();
}

} // namespace

std::string ModelFileName(std::string_view cameraType) {
  std::string name(cameraType);
  std::replace(name.begin(), name.end(), '/', '_');
  return name + ".camd";
}

void MoveOldRanges(const std::string& file) {
  moveOldRange(file, "MinFocus", "MaxFocus", "Focus");
  moveOldRange(file, "MinZoom", "MaxZoom", "OpticalZoom");
}

} // namespace tarsel::vesk
