#include "app/cameras/lunet/LunetPictureInfo.h"

#include "app/cameras/lunet/LunetCapabilityTables.h"

CLunetPictureInfo::CLunetPictureInfo(const TagRecord& tagRecord, std::uint32_t size,
                                     std::int32_t whiteBalance, std::int32_t isoSpeed)
    : CTagRecordPictureInfo(tagRecord, size, tarsel::lunet::LunetWhiteBalanceTable(), whiteBalance,
                            tarsel::lunet::LunetIsoSpeedTable(), isoSpeed) {}
