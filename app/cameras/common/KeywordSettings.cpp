#include "app/cameras/common/KeywordSettings.h"

#include "app/core/CaptureProfileReader.h"
#include "app/pictures/FractionValue.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace tarsel::cameras {

namespace {

using tarsel::core::CaptureProfileReader;

constexpr std::size_t kMaxItem = 255;
// Half a tenth: the labels carry one decimal; the margin absorbs binary rounding.
constexpr double kNumberTolerance = 0.05 + 1e-9;

// Calls `visit(id, label)` for each row of the table.
template <class Visit> void forEachRow(KeywordTable table, Visit&& visit) {
  for (; table && table->label; ++table)
    visit(table->id, std::string_view(table->label));
}

std::optional<std::int32_t> byLabel(KeywordTable table, std::string_view value,
                                    const KeywordWords& words = {}) {
  std::optional<std::int32_t> found;
  forEachRow(table, [&](std::int32_t id, std::string_view label) {
    if (!found && CaptureProfileReader::SameText(label, value))
      found = id;
  });
  if (found)
    return found;
  for (const KeywordWord& word : words)
    if (CaptureProfileReader::SameText(word.text, value))
      return word.id;
  return std::nullopt;
}

std::optional<std::int32_t> byNumber(KeywordTable table, std::string_view value) {
  const double wanted = KeywordNumber(value);
  std::optional<std::int32_t> found;
  forEachRow(table, [&](std::int32_t id, std::string_view label) {
    if (!found && std::fabs(KeywordNumber(label) - wanted) <= kNumberTolerance)
      found = id;
  });
  return found;
}

// A time as seconds: "1/40\"" is 0.025, "2\"" is 2; NaN when it cannot be read
// (a zero or missing denominator).
double seconds(std::string_view text) {
  const std::string copy(text);
  return ParseFractionValue(copy.c_str(), std::numeric_limits<double>::quiet_NaN());
}

std::optional<std::int32_t> byExposureTime(KeywordTable table, std::string_view value) {
  std::string wanted(value);
  if (wanted.empty() || wanted.back() != '"')
    wanted += '"';
  if (const auto exact = byLabel(table, wanted))
    return exact;
  const double time = seconds(wanted);
  if (std::isnan(time))
    return std::nullopt;
  std::optional<std::int32_t> closest;
  double distance = std::numeric_limits<double>::infinity();
  forEachRow(table, [&](std::int32_t id, std::string_view label) {
    const double rowTime = seconds(label);
    if (!std::isnan(rowTime) && std::fabs(rowTime - time) < distance) {
      distance = std::fabs(rowTime - time);
      closest = id;
    }
  });
  return closest;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

} // namespace

double KeywordNumber(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && isBlank(text[start]))
    ++start;
  if (start < text.size() && (text[start] == '+' || text[start] == '-')) {
    std::size_t digits = start + 1;
    while (digits < text.size() && isBlank(text[digits]))
      ++digits;
    if (digits > start + 1) {
      // "- 2.0": the sign belongs to the digits behind the blanks.
      std::string joined(1, text[start]);
      joined.append(text.substr(digits));
      return ParseLeadingNumber(joined);
    }
  }
  return ParseLeadingNumber(text);
}

KeywordWords CommonProgramModeWords() {
  return {{"AUTO", 2}, {"APERTURE PRIORITY", 3}, {"SHUTTER PRIORITY", 4}, {"MANUAL", 1}};
}

KeywordWords CommonFlashWords() {
  return {{"AUTO", 0}, {"ON", 1}, {"OFF", 2}, {"RED EYE REDUCTION", 3}, {"SLOW SYNC", 4}};
}

KeywordWords CommonWhiteBalanceWords() {
  return {{"AUTO", 0}, {"Daylight", 1}, {"Fluorescent", 2}, {"Tungsten", 3}, {"Cloudy", 255}, {"Flash", 0}};
}

CKeywordSettings::CKeywordSettings(const char* items, const KeywordTables& tables) {
  if (!items)
    return;
  for (const char* item = items; *item; item += std::strlen(item) + 1) {
    const std::string_view text = std::string_view(item).substr(0, kMaxItem);
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || (tables.skipsEmptyValues && equals + 1 == text.size()))
      continue;
    Apply(text.substr(0, equals), text.substr(equals + 1), tables);
  }
}

void CKeywordSettings::Apply(std::string_view keyword, std::string_view value, const KeywordTables& tables) {
  const auto is = [keyword](std::string_view name) { return CaptureProfileReader::SameText(keyword, name); };
  const auto take = [this](std::optional<std::int32_t>& slot, std::optional<std::int32_t> found,
                           DWORD warning) {
    if (found)
      slot = found;
    else
      m_warning = static_cast<HRESULT>(warning);
  };
  if (is("APERTURE"))
    take(aperture, byNumber(tables.aperture, value), 0x41020014);
  else if (is("EXPOSURETIME"))
    take(exposureTime, byExposureTime(tables.exposureTime, value), 0x41020015);
  else if (is("PROGRAMMODE"))
    take(programMode, byLabel(tables.programMode, value, tables.programModeWords), 0x41020016);
  else if (is("EXPOBIAS"))
    take(expoBias, byNumber(tables.expoBias, value), 0x41020017);
  else if (is("ISOSPEED"))
    take(isoSpeed, byLabel(tables.isoSpeed, value), 0x41020018);
  else if (is("FLASH"))
    take(flash, byLabel(tables.flash, value, tables.flashWords), 0x41020019);
  else if (is("WHITEBALANCE"))
    take(whiteBalance, byLabel(tables.whiteBalance, value, tables.whiteBalanceWords), 0x41020020);
  else if (is("METERING"))
    take(metering, byLabel(tables.metering, value, tables.meteringWords), 0x41020021);
}

bool CKeywordSettings::AnyMatched() const {
  return aperture || exposureTime || programMode || expoBias || isoSpeed || flash || whiteBalance || metering;
}

} // namespace tarsel::cameras
