#include "app/cameras/canon/CanonCDPictureInfo.h"

#include "app/cameras/canon/CanonCapabilityDefaults.h"

namespace {

const char* labelOf(const tarsel::core::CapabilityValue* table, std::int32_t id) {
  const char* label = tarsel::core::FindCapabilityLabel(table, id);
  return label ? label : "";
}

const char* orEmpty(const char* text) {
  return text ? text : "";
}

} // namespace

CCanonCDPictureInfo::CCanonCDPictureInfo(std::uint32_t size, const char* whiteBalance, const char* iso,
                                         const char* flash)
    : CPictureInfoTexts(size, orEmpty(whiteBalance), orEmpty(iso), orEmpty(flash)) {}

CCanonCDPictureInfo CCanonCDPictureInfo::FromIds(std::uint32_t size, std::int32_t whiteBalance,
                                                 std::int32_t iso, std::int32_t flash) {
  return CCanonCDPictureInfo(size, labelOf(tarsel::canon::CanonWhiteBalanceTable(), whiteBalance),
                             labelOf(tarsel::canon::CanonIsoSpeedTable(), iso),
                             labelOf(tarsel::canon::CanonFlashModeTable(), flash));
}
