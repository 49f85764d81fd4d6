#include "app/cameras/vesk/VeskPictureInfo.h"

#include "app/cameras/vesk/VeskCapabilityDefaults.h"

CVeskPictureInfo::CVeskPictureInfo(const TagRecord& tags, std::uint32_t size, std::int32_t whiteBalance,
                                   std::int32_t isoSpeed)
    : CTagRecordPictureInfo(tags, size, tarsel::vesk::WhiteBalanceTable(), whiteBalance,
                            tarsel::vesk::IsoSpeedTable(), isoSpeed) {}
