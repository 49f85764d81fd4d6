#include "app/cameras/vesk/VeskPictureInfo.h"

#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "platform/Bytes.h"
#include "platform/Win32Error.h"

#include <new>

namespace {

struct Label {
  std::int32_t value;
  const char* text;
};

// First row with the value wins; values without a row read "#<value>".
template <std::size_t N> std::string labelOf(const Label (&table)[N], std::int32_t value) {
  for (const Label& row : table)
    if (row.value == value)
      return row.text;
  std::string text;
  FormatStdString(text, "#%d", value);
  return text;
}

const Label kWhiteBalance[] = {
    {0, "Auto"},
    {1, "Daylight"},
    {2, "Fluorescent"},
    {3, "Tungsten"},
    {4, "Daylight Fluorescent"},
    {5, "Day White Fluorescent"},
    {6, "Cool White Fluorescent"},
    {7, "Approx. 3500K"},
    {8, "Daylight Shade"},
    {9, "Sunset"},
    {10, "Preset One Touch"},
    {255, "Cloudy"},
};

const Label kFlash[] = {{0, "No"}, {1, "Yes"}};

// Value 5 stands for three speeds; the first names it.
const Label kIso[] = {
    {0, "Auto"}, {5, "50"}, {5, "64"}, {5, "80"}, {1, "100"}, {2, "200"}, {3, "400"}, {4, "800"},
};

constexpr std::size_t kFlashOffset = 64;

} // namespace

void CVeskPictureInfo::GetWhiteBalanceText(std::string* out) {
  if (out)
    *out = labelOf(kWhiteBalance, m_whiteBalance);
}

void CVeskPictureInfo::GetFlashText(std::string* out) {
  if (out)
    *out = labelOf(kFlash, static_cast<std::int32_t>(tarsel::bytes::loadLe32(m_tags, kFlashOffset)));
}

void CVeskPictureInfo::GetIsoText(std::string* out) {
  if (out)
    *out = labelOf(kIso, m_isoSpeed);
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
