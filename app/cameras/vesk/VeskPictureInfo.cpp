#include "app/cameras/vesk/VeskPictureInfo.h"

#include "app/cameras/vesk/VeskCapabilityDefaults.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "platform/Bytes.h"
#include "platform/Win32Error.h"

#include <new>

namespace {

using tarsel::core::CapabilityValue;

// First row with the value wins; values without a row read "#<value>".
std::string labelOf(const CapabilityValue* table, std::int32_t value) {
  if (const char* label = tarsel::core::FindCapabilityLabel(table, value))
    return label;
  std::string text;
  FormatStdString(text, "#%d", value);
  return text;
}

const CapabilityValue kFlash[] = {{0, "No"}, {1, "Yes"}, {0, nullptr}};

constexpr std::size_t kFlashOffset = 64;

} // namespace

void CVeskPictureInfo::GetWhiteBalanceText(std::string* out) {
  if (out)
    *out = labelOf(tarsel::vesk::WhiteBalanceTable(), m_whiteBalance);
}

void CVeskPictureInfo::GetFlashText(std::string* out) {
  if (out)
    *out = labelOf(kFlash, static_cast<std::int32_t>(tarsel::bytes::loadLe32(m_tags, kFlashOffset)));
}

void CVeskPictureInfo::GetIsoText(std::string* out) {
  if (out)
    *out = labelOf(tarsel::vesk::IsoSpeedTable(), m_isoSpeed);
}

void CVeskPictureInfo::GetSizeText(std::string* out, const char* format) {
  if (!out)
    return;
  out->clear();
  if (format)
    FormatStdString(*out, format, static_cast<int>(m_size));
}

IPictureInfo* CVeskPictureInfo::Clone() {
  IPictureInfo* copy = new (std::nothrow) CVeskPictureInfo(m_tags, m_size, m_whiteBalance, m_isoSpeed);
  if (!copy)
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  return copy;
}
