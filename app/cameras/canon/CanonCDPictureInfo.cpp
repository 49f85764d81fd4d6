#include "app/cameras/canon/CanonCDPictureInfo.h"

#include "app/cameras/canon/CanonCapabilityDefaults.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "platform/Win32Error.h"

#include <new>

namespace {

const char* labelOf(const tarsel::core::CapabilityValue* table, std::int32_t id) {
  const char* label = tarsel::core::FindCapabilityLabel(table, id);
  return label ? label : "";
}

} // namespace

CCanonCDPictureInfo::CCanonCDPictureInfo(std::uint32_t size, const char* whiteBalance, const char* iso,
                                         const char* flash)
    : m_size(size), m_whiteBalance(whiteBalance ? whiteBalance : ""), m_iso(iso ? iso : ""),
      m_flash(flash ? flash : "") {}

CCanonCDPictureInfo CCanonCDPictureInfo::FromIds(std::uint32_t size, std::int32_t whiteBalance,
                                                 std::int32_t iso, std::int32_t flash) {
  return CCanonCDPictureInfo(size, labelOf(tarsel::canon::CanonWhiteBalanceTable(), whiteBalance),
                             labelOf(tarsel::canon::CanonIsoSpeedTable(), iso),
                             labelOf(tarsel::canon::CanonFlashModeTable(), flash));
}

void CCanonCDPictureInfo::GetWhiteBalanceText(std::string* out) {
  if (out)
    *out = m_whiteBalance;
}

void CCanonCDPictureInfo::GetFlashText(std::string* out) {
  if (out)
    *out = m_flash;
}

void CCanonCDPictureInfo::GetIsoText(std::string* out) {
  if (out)
    *out = m_iso;
}

void CCanonCDPictureInfo::GetSizeText(std::string* out, const char* format) {
  if (!out)
    return;
  out->clear();
  if (format)
    FormatStdString(*out, format, static_cast<int>(m_size));
}

IPictureInfo* CCanonCDPictureInfo::Clone() {
  try {
    return new CCanonCDPictureInfo(*this);
  } catch (const std::bad_alloc&) {
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  }
}
