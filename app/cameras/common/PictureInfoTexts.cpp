#include "app/cameras/common/PictureInfoTexts.h"

#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "platform/Win32Error.h"

#include <new>
#include <utility>

using tarsel::core::CapabilityValue;

CPictureInfoTexts::CPictureInfoTexts(std::uint32_t size, std::string whiteBalance, std::string iso,
                                     std::string flash)
    : m_size(size), m_whiteBalance(std::move(whiteBalance)), m_iso(std::move(iso)),
      m_flash(std::move(flash)) {}

void CPictureInfoTexts::GetWhiteBalanceText(std::string* out) {
  if (out)
    *out = m_whiteBalance;
}

void CPictureInfoTexts::GetFlashText(std::string* out) {
  if (out)
    *out = m_flash;
}

void CPictureInfoTexts::GetIsoText(std::string* out) {
  if (out)
    *out = m_iso;
}

void CPictureInfoTexts::GetSizeText(std::string* out, const char* format) {
  if (!out)
    return;
  out->clear();
  if (format)
    FormatStdString(*out, format, static_cast<int>(m_size));
}

IPictureInfo* CPictureInfoTexts::Clone() {
  try {
    return new CPictureInfoTexts(*this);
  } catch (const std::bad_alloc&) {
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  }
}

std::string CPictureInfoTexts::LabelOrNumber(const CapabilityValue* table, std::int32_t value) {
  if (const char* label = tarsel::core::FindCapabilityLabel(table, value))
    return label;
  std::string text;
  FormatStdString(text, "#%d", value);
  return text;
}
