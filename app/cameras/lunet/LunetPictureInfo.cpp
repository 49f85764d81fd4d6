#include "app/cameras/lunet/LunetPictureInfo.h"

#include "app/cameras/lunet/LunetCapabilityTables.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "platform/Bytes.h"
#include "platform/Win32Error.h"

#include <new>

namespace {

using tarsel::core::CapabilityValue;

std::string labelOf(const CapabilityValue* table, std::int32_t value) {
  if (const char* label = tarsel::core::FindCapabilityLabel(table, value))
    return label;
  std::string text;
  FormatStdString(text, "#%d", value);
  return text;
}

const CapabilityValue kFlashFired[] = {{0, "No"}, {1, "Yes"}, {0, nullptr}};

// Word 16 of the record.
constexpr std::size_t kFlashOffset = 64;

} // namespace

void CLunetPictureInfo::GetWhiteBalanceText(std::string* out) {
  if (out)
    *out = labelOf(tarsel::lunet::LunetWhiteBalanceTable(), m_whiteBalance);
}

void CLunetPictureInfo::GetFlashText(std::string* out) {
  if (out)
    *out =
        labelOf(kFlashFired, static_cast<std::int32_t>(tarsel::bytes::loadLe32(m_tagRecord, kFlashOffset)));
}

void CLunetPictureInfo::GetIsoText(std::string* out) {
  if (out)
    *out = labelOf(tarsel::lunet::LunetIsoSpeedTable(), m_isoSpeed);
}

void CLunetPictureInfo::GetSizeText(std::string* out, const char* format) {
  if (!out)
    return;
  out->clear();
  if (format)
    FormatStdString(*out, format, static_cast<int>(m_size));
}

IPictureInfo* CLunetPictureInfo::Clone() {
  IPictureInfo* copy = new (std::nothrow) CLunetPictureInfo(m_tagRecord, m_size, m_whiteBalance, m_isoSpeed);
  if (!copy)
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  return copy;
}
