// The camera-link family's built-in capability profile: for each of the
// eleven settings its section name in a camera-model file, its default
// range and its default value table, chosen by the camera type (the model's
// identification text), and the models' default optical-zoom ranges.
//
// The ids are the camera-link library's values; labels are shown as they
// stand, leading blanks and signs included. Tables end with {0, nullptr}.
//
// Threads: any (read-only tables). Failure: none.
#pragma once

#include "app/core/CapabilitySet.h"
#include "app/core/Range.h"

#include <string_view>

namespace tarsel::vesk {

// The capabilities, in index order.
enum Capability : int {
  kProgramModeCapability,
  kIsoSpeedCapability,
  kFlashModeCapability,
  kExternalFlashCapability,
  kWhiteBalanceCapability,
  kMeteringModeCapability,
  kExposureTimeCapability,
  kApertureCapability,
  kExposureBiasCapability,
  kResolutionCapability,
  kDigitalZoomCapability,
  kDefaultCapabilityCount
};

struct CapabilityDefaults {
  const char* lookupName; // the name GetCapabilityIndex takes
  const char* section;    // the set's section in the model file
  CRange range;
  const tarsel::core::CapabilityValue* table;
};

// The defaults of capability `index` (0 .. kDefaultCapabilityCount - 1) for the model.
CapabilityDefaults DefaultCapability(int index, std::string_view cameraType);

// The model's optical-zoom range in tenths; -1..-1 for a model the zoom table lacks.
CRange DefaultOpticalZoomRange(std::string_view cameraType);

// Whether the camera type occurs in a comma-separated model list (as part
// of it: the model tables match the way the library's lists do).
bool ModelListContains(std::string_view list, std::string_view cameraType);

// The generic tables that picture information labels values with.
const tarsel::core::CapabilityValue* WhiteBalanceTable();
const tarsel::core::CapabilityValue* IsoSpeedTable();

} // namespace tarsel::vesk
