#include "app/cameras/vesk/VeskKeywordSettings.h"

#include "app/cameras/vesk/VeskCapabilityDefaults.h"
#include "app/core/CaptureProfileReader.h"
#include "app/pictures/FractionValue.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>

namespace tarsel::vesk {

namespace {

using tarsel::core::CaptureProfileReader;

constexpr std::size_t kMaxItem = 255;
// Half a tenth: the labels carry one decimal; the margin absorbs binary rounding.
constexpr double kNumberTolerance = 0.05 + 1e-9;

struct Word {
  std::string_view text;
  std::int32_t id;
};

// Calls `visit(id, label)` for each row of the table.
template <class Visit> void forEachRow(KeywordTable table, Visit&& visit) {
  for (; table && table->label; ++table)
    visit(table->id, std::string_view(table->label));
}

std::optional<std::int32_t> byLabel(KeywordTable table, std::string_view value,
                                    std::initializer_list<Word> words = {}) {
  std::optional<std::int32_t> found;
  forEachRow(table, [&](std::int32_t id, std::string_view label) {
    if (!found && CaptureProfileReader::SameText(label, value))
      found = id;
  });
  if (found)
    return found;
  for (const Word& word : words)
    if (CaptureProfileReader::SameText(word.text, value))
      return word.id;
  return std::nullopt;
}

std::optional<std::int32_t> byNumber(KeywordTable table, std::string_view value) {
  const double wanted = ParseLeadingNumber(value);
  std::optional<std::int32_t> found;
  forEachRow(table, [&](std::int32_t id, std::string_view label) {
    if (!found && std::fabs(ParseLeadingNumber(label) - wanted) <= kNumberTolerance)
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

} // namespace

VeskKeywordSettings::VeskKeywordSettings(const char* items, const KeywordTables& tables) {
  if (!items)
    return;
  for (const char* item = items; *item; item += std::strlen(item) + 1) {
    const std::string_view text = std::string_view(item).substr(0, kMaxItem);
    const std::size_t equals = text.find('=');
    if (equals != std::string_view::npos)
      Apply(text.substr(0, equals), text.substr(equals + 1), tables);
  }
}

void VeskKeywordSettings::Apply(std::string_view keyword, std::string_view value,
                                const KeywordTables& tables) {
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
    take(programMode,
         byLabel(tables.programMode, value,
                 {{"AUTO", 2}, {"APERTURE PRIORITY", 3}, {"SHUTTER PRIORITY", 4}, {"MANUAL", 1}}),
         0x41020016);
  else if (is("EXPOBIAS"))
    take(expoBias, byNumber(tables.expoBias, value), 0x41020017);
  else if (is("ISOSPEED"))
    take(isoSpeed, byLabel(tables.isoSpeed, value), 0x41020018);
  else if (is("FLASH"))
    take(flash,
         byLabel(tables.flash, value,
                 {{"AUTO", 0}, {"ON", 1}, {"OFF", 2}, {"RED EYE REDUCTION", 3}, {"SLOW SYNC", 4}}),
         0x41020019);
  else if (is("WHITEBALANCE"))
    take(whiteBalance,
         byLabel(tables.whiteBalance, value,
                 {{"AUTO", 0},
                  {"Daylight", 1},
                  {"Fluorescent", 2},
                  {"Tungsten", 3},
                  {"Cloudy", 255},
                  {"Flash", 0}}),
         0x41020020);
  else if (is("METERING"))
    take(metering, byLabel(tables.metering, value, {{"Center-weighted", 2}, {"Spot", 3}, {"Averaging", 4}}),
         0x41020021);
}

bool VeskKeywordSettings::AnyMatched() const {
  return aperture || exposureTime || programMode || expoBias || isoSpeed || flash || whiteBalance || metering;
}

} // namespace tarsel::vesk

namespace tarsel::vesk {

const KeywordTables& FamilyKeywordTables() {
  static const KeywordTables tables = [] {
    // The generic tables: no model's own.
    const auto table = [](int index) { return DefaultCapability(index, {}).table; };
    KeywordTables made;
    made.aperture = table(kApertureCapability);
    made.exposureTime = table(kExposureTimeCapability);
    made.programMode = table(kProgramModeCapability);
    made.expoBias = table(kExposureBiasCapability);
    made.isoSpeed = table(kIsoSpeedCapability);
    made.flash = table(kFlashModeCapability);
    made.whiteBalance = table(kWhiteBalanceCapability);
    made.metering = table(kMeteringModeCapability);
    return made;
  }();
  return tables;
}

} // namespace tarsel::vesk
