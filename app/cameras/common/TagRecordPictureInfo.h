// The information of a picture that comes with the 76-byte picture-tag
// record the camera-link library and the Lunet control hand over (nineteen
// 32-bit words; word 16 is the flash-fired value: 0 "No", 1 "Yes", else
// "#%d"), with the white balance and ISO speed in force when it was taken
// read through the family's tables ("#<value>" without a row).
//
// Threads and failure: as CPictureInfoTexts.
#pragma once

#include "app/cameras/common/PictureInfoTexts.h"
#include "hostapi/Win32Types.h"

#include <array>

class CTagRecordPictureInfo : public CPictureInfoTexts {
public:
  static constexpr std::size_t kTagRecordSize = 76;
  using TagRecord = std::array<BYTE, kTagRecordSize>;

  CTagRecordPictureInfo(const TagRecord& tags, std::uint32_t size,
                        const tarsel::core::CapabilityValue* whiteBalanceTable, std::int32_t whiteBalance,
                        const tarsel::core::CapabilityValue* isoSpeedTable, std::int32_t isoSpeed);
};
