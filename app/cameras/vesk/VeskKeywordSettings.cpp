#include "app/cameras/vesk/VeskKeywordSettings.h"

#include "app/cameras/vesk/VeskCapabilityDefaults.h"

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
    made.programModeWords = tarsel::cameras::CommonProgramModeWords();
    made.flashWords = tarsel::cameras::CommonFlashWords();
    made.whiteBalanceWords = tarsel::cameras::CommonWhiteBalanceWords();
    made.meteringWords = {{"Center-weighted", 2}, {"Spot", 3}, {"Averaging", 4}};
    return made;
  }();
  return tables;
}

} // namespace tarsel::vesk
