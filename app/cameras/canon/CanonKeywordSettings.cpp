#include "app/cameras/canon/CanonKeywordSettings.h"

#include "app/cameras/canon/CanonCapabilityDefaults.h"

namespace {

tarsel::cameras::KeywordTable table(int capability) {
  return tarsel::canon::CanonCapabilityDefaults()[static_cast<std::size_t>(capability)].table;
}

tarsel::cameras::KeywordTables canonTables() {
  using namespace tarsel::canon;
  tarsel::cameras::KeywordTables tables;
  tables.aperture = table(kAperture);
  tables.exposureTime = table(kExposureTime);
  tables.programMode = table(kProgramMode);
  tables.expoBias = table(kExposureBias);
  tables.isoSpeed = table(kIsoSpeed);
  tables.flash = table(kFlashMode);
  tables.whiteBalance = table(kWhiteBalance);
  tables.metering = table(kMeteringMode);
  tables.programModeWords = {{"AUTO", 0}, {"APERTURE PRIORITY", 3}, {"SHUTTER PRIORITY", 2}, {"MANUAL", 4}};
  tables.flashWords = {{"AUTO", 1}, {"ON", 2}, {"OFF", 0}, {"RED EYE REDUCTION", 3}, {"SLOW SYNC", 4}};
  tables.whiteBalanceWords = {{"AUTO", 0},     {"Daylight", 1}, {"Fluorescent", 4},
                              {"Tungsten", 3}, {"Cloudy", 2},   {"Flash", 5}};
  tables.meteringWords = {{"Center weighted", 0}, {"Spot", 1}, {"Averaging", 2}};
  tables.skipsEmptyValues = true;
  return tables;
}

} // namespace

CCanonKeywordSettings::CCanonKeywordSettings(const char* items) : CKeywordSettings(items, Tables()) {}

const tarsel::cameras::KeywordTables& CCanonKeywordSettings::Tables() {
  static const tarsel::cameras::KeywordTables tables = canonTables();
  return tables;
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
