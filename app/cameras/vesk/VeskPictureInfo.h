// What the camera-link family knows about a picture it transferred: the
// library's picture-tag record, the size in bytes, and the white balance and
// ISO speed the camera used, as the texts the picture overlays show (the
// family's tables; "#<value>" without a row).
//
// Threads: an object is used by one thread at a time; Clone hands a copy to
// another. Clone throws _brantel_take_error(8) when no copy can be made.
#pragma once

#include "app/cameras/common/TagRecordPictureInfo.h"

class CVeskPictureInfo : public CTagRecordPictureInfo {
public:
  CVeskPictureInfo(const TagRecord& tags, std::uint32_t size, std::int32_t whiteBalance,
                   std::int32_t isoSpeed);
};
