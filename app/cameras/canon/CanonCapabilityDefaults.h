// The Canon family's built-in capability tables: for each of the ten capture
// settings its look-up name, its section in a camera-model file and its
// table of the SDK's codes with their labels, and the quality table of the
// resolutions. Labels are shown as they stand (leading blanks, the seconds
// mark of exposure times). Tables end with {0, nullptr}; a row with id 0 and
// a label is an ordinary row.
//
// Threads: any (read-only tables). Failure: none.
#pragma once

#include "app/core/CapabilitySet.h"

#include <array>
#include <cstddef>

namespace tarsel::canon {

// The ten sets in the order the camera keeps them.
enum Capability : int {
  kProgramMode,
  kIsoSpeed,
  kFlashMode,
  kWhiteBalance,
  kMeteringMode,
  kExposureTime,
  kAperture,
  kExposureBias,
  kDigitalZoom,
  kAfDistance,
  kCapabilityCount
};

struct CapabilityDefaults {
  const char* lookupName; // the name callers ask for ("ProgamMode" for program modes)
  const char* section;    // the set's section in the model file
  const tarsel::core::CapabilityValue* table;
};

const std::array<CapabilityDefaults, kCapabilityCount>& CanonCapabilityDefaults();
// The index of the capability with this look-up name (exact case); -1 when none.
int CanonCapabilityIndex(const char* lookupName);

const tarsel::core::CapabilityValue* CanonQualityTable();
const tarsel::core::CapabilityValue* CanonWhiteBalanceTable();
const tarsel::core::CapabilityValue* CanonIsoSpeedTable();
const tarsel::core::CapabilityValue* CanonFlashModeTable();

} // namespace tarsel::canon
