#include "app/core/RangeItemD.h"

#include "app/core/RangeItem.h"
#include "platform/PrivateProfile.h"

#include <charconv>
#include <limits>

namespace {

constexpr DWORD kValueBuffer = 260;

std::string_view skipBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                           text.front() == '\r' || text.front() == '\f' || text.front() == '\v'))
    text.remove_prefix(1);
  return text;
}

// A leading '+' is a sign for scanf but not for from_chars.
std::string_view skipPlus(std::string_view text) {
  if (!text.empty() && text.front() == '+' && text.size() > 1 && text[1] != '-' && text[1] != '+')
    text.remove_prefix(1);
  return text;
}

std::string readKey(const std::string& section, const char* key, const char* file) {
  char buffer[kValueBuffer] = {};
  GetPrivateProfileStringA(section.c_str(), key, "", buffer, kValueBuffer, file);
  return buffer;
}

} // namespace

CRangeItemD::CRangeItemD(const char* file, const char* name)
    : m_section(std::string(name ? name : "") + "Range") {
  if (file)
    LoadFromIni(file);
}

CRangeItemD::CRangeItemD(const char* name, const CRangeD& range)
    : CRangeD(range), m_section(std::string(name ? name : "") + "Range") {}

std::optional<CRangeItemD::Bound> CRangeItemD::ParseBound(std::string_view text) {
  text = skipPlus(skipBlanks(text));
  long position = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), position);
  if (error != std::errc())
    return std::nullopt;
  if (position < std::numeric_limits<std::int32_t>::min() ||
      position > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  if (text.empty() || text.front() != ',')
    return std::nullopt;
  text = skipPlus(skipBlanks(text.substr(1)));
  double value = 0.0;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  if (parsed.ec != std::errc())
    return std::nullopt;
  return Bound{static_cast<std::int32_t>(position), value};
}

std::string CRangeItemD::FormatBound(const Bound& bound) {
  char buffer[100];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, bound.position).ptr;
  *end++ = ',';
  const auto written = std::to_chars(end, buffer + sizeof buffer, bound.value, std::chars_format::fixed, 6);
  // A value too large for the buffer writes its position alone: never the case for a zoom.
  return std::string(buffer, written.ec == std::errc() ? written.ptr : end - 1);
}

void CRangeItemD::LoadFromIni(const char* file) {
  const std::optional<Bound> min = ParseBound(readKey(m_section, "Min", file));
  const std::optional<Bound> max = ParseBound(readKey(m_section, "Max", file));
  if (!min || !max) {
    m_missing = true;
    return;
  }
  m_min = min->position;
  m_minValue = min->value;
  m_max = max->position;
  m_maxValue = max->value;
  m_missing = false;
}

void CRangeItemD::SaveToIni(const char* file) const {
  const std::string min = FormatBound({GetMin(), GetMinValue()});
  const std::string max = FormatBound({GetMax(), GetMaxValue()});
  if (!WritePrivateProfileStringA(m_section.c_str(), "Min", min.c_str(), file) ||
      !WritePrivateProfileStringA(m_section.c_str(), "Max", max.c_str(), file))
    CRangeItem::ThrowSaveError();
}
