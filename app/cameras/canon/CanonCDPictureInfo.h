// What the Canon family knows about a picture it transferred: its size in
// bytes and the white balance, ISO speed and flash mode set when it was
// taken, as the labels of the family's tables.
//
// Threads: an object is used by one thread at a time; Clone hands a copy to
// another. Clone throws _brantel_take_error(8) when no copy can be made.
#pragma once

#include "app/cameras/common/PictureInfoTexts.h"

#include <cstdint>

class CCanonCDPictureInfo : public CPictureInfoTexts {
public:
  // Null texts read as empty.
  CCanonCDPictureInfo(std::uint32_t size, const char* whiteBalance, const char* iso, const char* flash);

  // The labels of the camera's current ids; an id the table lacks gives the
  // empty text.
  static CCanonCDPictureInfo FromIds(std::uint32_t size, std::int32_t whiteBalance, std::int32_t iso,
                                     std::int32_t flash);
};
