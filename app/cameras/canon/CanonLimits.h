// How much the Canon family believes of the counts and lists the SDK
// reports. The SDK speaks for a camera, so a count may be anything a 32-bit
// field holds; every loop driven by one stops at these bounds, well above
// what a camera has.
#pragma once

#include <cstdint>

namespace tarsel::canon {

// Digital zoom positions past the highest optical one (a camera has a few dozen).
inline constexpr std::uint32_t kMaxDigitalZoomSteps = 64;
// Values one enumeration hands out (offered values, records, volumes).
inline constexpr std::uint32_t kMaxEnumerated = 1024;
// Cameras the SDK lists.
inline constexpr std::uint32_t kMaxSources = 64;
// Items one release leaves to transfer (a picture and its raw twin, at most a
// burst).
inline constexpr std::uint32_t kMaxReleaseItems = 16;

} // namespace tarsel::canon
