// The ActiveX family's built-in capability profile: the eleven capture
// settings a camera model describes, each with its set name (its section
// in the model's ".camd" file), its default range and its built-in value
// table, and the names the family's dialogs look the sets and the three
// ranges up by.
//
// The ids are the control's values; labels are shown as they stand,
// leading blanks and signs included. Tables end with {0, nullptr}.
//
// Threads: any (read-only tables). Failure: none.
#pragma once

#include "app/cameras/common/KeywordSettings.h"
#include "app/core/CapabilitySet.h"
#include "app/core/Range.h"

namespace tarsel::lunet {

// The capability sets, in their order.
enum LunetCapability : int {
  kLunetProgramMode,
  kLunetIsoSpeed,
  kLunetFlashMode,
  kLunetExternalFlash,
  kLunetWhiteBalance,
  kLunetMeteringMode,
  kLunetExposureTime,
  kLunetAperture,
  kLunetExposureBias,
  kLunetResolution,
  kLunetDigitalZoom,
  kLunetCapabilityCount
};

// The ranges, in their order.
enum LunetRange : int {
  kLunetFocusRange,
  kLunetOpticalZoomRange,
  kLunetLcdBrightnessRange,
  kLunetRangeCount
};

struct LunetCapabilityDefaults {
  const char* setName; // the set's section in the model file
  CRange range;
  const tarsel::core::CapabilityValue* table;
};

// The defaults of capability `index` (0 .. kLunetCapabilityCount - 1).
const LunetCapabilityDefaults& LunetCapabilityDefault(int index);

// The set's index by the name the dialogs use ("ProgamMode" for the
// program mode, "ISOSpeed", "FlashMode", "WhiteBalance", "MeteringMode",
// "ExposureTime", "Aperture", "ExposureBias", "Resolution", "DigitalZoom";
// case-sensitive); -1 for any other name. No name reaches the external
// flash.
int LunetCapabilityIndex(const char* name);
// "Focus", "OpticalZoom" or "LcdBrightness" (case-sensitive); -1 else.
int LunetRangeIndex(const char* name);
// The range's name in the model file.
const char* LunetRangeName(int index);

// The built-in tables, and the keyword form's tables and value words.
const tarsel::core::CapabilityValue* LunetDigitalZoomTable();
const tarsel::core::CapabilityValue* LunetWhiteBalanceTable();
const tarsel::core::CapabilityValue* LunetIsoSpeedTable();
const tarsel::cameras::KeywordTables& LunetKeywordTables();

} // namespace tarsel::lunet
