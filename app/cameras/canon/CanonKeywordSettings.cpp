#include "app/cameras/canon/CanonKeywordSettings.h"

#include "app/cameras/canon/CanonCapabilityDefaults.h"
#include "app/core/CaptureProfileReader.h"
#include "app/pictures/FractionValue.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

using tarsel::core::CapabilityValue;
using tarsel::core::CaptureProfileReader;

constexpr std::size_t kMaxItem = 255;
// The labels carry one or two decimals; the margin absorbs binary rounding.
constexpr double kNumberTolerance = 0.05 + 1e-9;
constexpr double kNoDistance = 1e10;

struct Word {
  std::string_view text;
  std::int32_t id;
};

const CapabilityValue* table(int capability) {
  return tarsel::canon::CanonCapabilityDefaults()[static_cast<std::size_t>(capability)].table;
}

std::optional<std::int32_t> byLabel(int capability, std::string_view value,
                                    std::initializer_list<Word> words = {}) {
  for (const CapabilityValue* row = table(capability); row && row->label; ++row)
    if (CaptureProfileReader::SameText(row->label, value))
      return row->id;
  for (const Word& word : words)
    if (CaptureProfileReader::SameText(word.text, value))
      return word.id;
  return std::nullopt;
}

std::optional<std::int32_t> byNumber(int capability, std::string_view value) {
  const double wanted = ParseLeadingNumber(value);
  for (const CapabilityValue* row = table(capability); row && row->label; ++row)
    if (std::fabs(ParseLeadingNumber(row->label) - wanted) <= kNumberTolerance)
      return row->id;
  return std::nullopt;
}

double seconds(const std::string& text) {
  return ParseFractionValue(text.c_str(), 0.0);
}

// The row with this label (a seconds mark added), else the nearest time;
// of equally near rows the first.
std::optional<std::int32_t> byExposureTime(std::string_view value) {
  std::string wanted(value);
  if (wanted.back() != '"')
    wanted += '"';
  if (const auto exact = byLabel(tarsel::canon::kExposureTime, wanted))
    return exact;
  const double time = seconds(wanted);
  std::optional<std::int32_t> nearest;
  double distance = kNoDistance;
  for (const CapabilityValue* row = table(tarsel::canon::kExposureTime); row && row->label; ++row) {
    const double rowDistance = std::fabs(seconds(row->label) - time);
    if (rowDistance < distance) {
      distance = rowDistance;
      nearest = row->id;
    }
  }
  return nearest;
}

} // namespace

CCanonKeywordSettings::CCanonKeywordSettings(const char* items) {
  if (!items)
    return;
  for (const char* item = items; *item; item += std::strlen(item) + 1) {
    const std::string_view text = std::string_view(item).substr(0, kMaxItem);
    const std::size_t equals = text.find('=');
    if (equals != std::string_view::npos && equals + 1 < text.size())
      Apply(text.substr(0, equals), text.substr(equals + 1));
  }
}

void CCanonKeywordSettings::Apply(std::string_view key, std::string_view value) {
  using namespace tarsel::canon;
  const auto is = [key](std::string_view name) { return CaptureProfileReader::SameText(key, name); };
  const auto take = [this](std::optional<std::int32_t>& slot, std::optional<std::int32_t> found,
                           std::uint32_t warning) {
    if (found)
      slot = found;
    else
      m_warning = static_cast<HRESULT>(warning);
  };
  if (is("APERTURE"))
    take(aperture, byNumber(kAperture, value), 0x41020014);
  else if (is("EXPOSURETIME"))
    take(exposureTime, byExposureTime(value), 0x41020015);
  else if (is("PROGRAMMODE"))
    take(programMode,
         byLabel(kProgramMode, value,
                 {{"AUTO", 0}, {"APERTURE PRIORITY", 3}, {"SHUTTER PRIORITY", 2}, {"MANUAL", 4}}),
         0x41020016);
  else if (is("EXPOBIAS"))
    take(expoBias, byNumber(kExposureBias, value), 0x41020017);
  else if (is("ISOSPEED"))
    take(isoSpeed, byLabel(kIsoSpeed, value), 0x41020018);
  else if (is("FLASH"))
    take(flash,
         byLabel(kFlashMode, value,
                 {{"AUTO", 1}, {"ON", 2}, {"OFF", 0}, {"RED EYE REDUCTION", 3}, {"SLOW SYNC", 4}}),
         0x41020019);
  else if (is("WHITEBALANCE"))
    take(
        whiteBalance,
        byLabel(
            kWhiteBalance, value,
            {{"AUTO", 0}, {"Daylight", 1}, {"Fluorescent", 4}, {"Tungsten", 3}, {"Cloudy", 2}, {"Flash", 5}}),
        0x41020020);
  else if (is("METERING"))
    take(metering, byLabel(kMeteringMode, value, {{"Center weighted", 0}, {"Spot", 1}, {"Averaging", 2}}),
         0x41020021);
}

bool CCanonKeywordSettings::AnyMatched() const {
  return aperture || exposureTime || programMode || expoBias || isoSpeed || flash || whiteBalance || metering;
}

bool CCanonKeywordSettings::IsProgramModeComplete() const {
  switch (programMode.value_or(-1)) {
  case 0:
    return true;
  case 2:
    return exposureTime.has_value();
  case 3:
    return aperture.has_value();
  case 4:
    return aperture.has_value() && exposureTime.has_value();
  default:
    return false;
  }
}
