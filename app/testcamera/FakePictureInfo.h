// The fake family's picture information: fixed texts and the picture size.
#pragma once

#include "app/cameras/common/PictureInfoTexts.h"

#include <cstdint>

namespace tarsel::testcamera {

class FakePictureInfo : public CPictureInfoTexts {
public:
  explicit FakePictureInfo(std::uint32_t size) : CPictureInfoTexts(size, "Auto", "100", "No") {}
};

} // namespace tarsel::testcamera
