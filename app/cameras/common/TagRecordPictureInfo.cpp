#include "app/cameras/common/TagRecordPictureInfo.h"

#include "platform/Bytes.h"

namespace {

using tarsel::core::CapabilityValue;

const CapabilityValue kFlashFired[] = {{0, "No"}, {1, "Yes"}, {0, nullptr}};

// Word 16 of the tag record.
constexpr std::size_t kFlashOffset = 64;

} // namespace

CTagRecordPictureInfo::CTagRecordPictureInfo(const TagRecord& tags, std::uint32_t size,
                                             const CapabilityValue* whiteBalanceTable,
                                             std::int32_t whiteBalance, const CapabilityValue* isoSpeedTable,
                                             std::int32_t isoSpeed)
    : CPictureInfoTexts(
          size, LabelOrNumber(whiteBalanceTable, whiteBalance), LabelOrNumber(isoSpeedTable, isoSpeed),
          LabelOrNumber(kFlashFired,
                        static_cast<std::int32_t>(tarsel::bytes::loadLe32(tags, kFlashOffset)))) {}
