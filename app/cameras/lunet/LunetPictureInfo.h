// What the ActiveX family knows about a picture it transferred: the
// control's picture tag record (76 bytes, nineteen 32-bit words; word 16
// is the flash-fired value), the size in bytes, and the white balance and
// ISO speed in force when it was taken, as the texts the picture overlays
// show. A value without a row in the family's tables reads "#<value>".
//
// Threads: an object is used by one thread at a time; Clone hands a copy to
// another. Failure: Clone throws _brantel_take_error(8) when no copy can be
// made.
#pragma once

#include "app/cameras/common/TagRecordPictureInfo.h"

class CLunetPictureInfo : public CTagRecordPictureInfo {
public:
  CLunetPictureInfo(const TagRecord& tagRecord, std::uint32_t size, std::int32_t whiteBalance,
                    std::int32_t isoSpeed);
};
