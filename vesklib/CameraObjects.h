// The numbers of the camera's registers, data objects and actions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarsel::vesk::camera {

// Registers.
inline constexpr std::uint8_t kResolution = 1;
inline constexpr std::uint8_t kCameraTime = 2;
inline constexpr std::uint8_t kCurrentPicture = 4;
inline constexpr std::uint8_t kFlash = 7;
inline constexpr std::uint8_t kPicCount = 10;
inline constexpr std::uint8_t kRemainCount = 11;
inline constexpr std::uint8_t kPicSize = 12;
inline constexpr std::uint8_t kIndexSize = 13;
inline constexpr std::uint8_t kWhiteBalance = 20;
inline constexpr std::uint8_t kPowerSaveHost = 23;
inline constexpr std::uint8_t kPowerSaveCamera = 24;
inline constexpr std::uint8_t kLed = 30;
inline constexpr std::uint8_t kFocusMode = 33;
inline constexpr std::uint8_t kLcdBrightness = 35;
inline constexpr std::uint8_t kPowerSaveLcd = 38;
inline constexpr std::uint8_t kProtect = 39;
inline constexpr std::uint8_t kMetering = 70;
inline constexpr std::uint8_t kElectricZoom = 72;
inline constexpr std::uint8_t kFolderCount = 83; // read: number of folders; write: select a folder
inline constexpr std::uint8_t kIsoSpeed = 85;
inline constexpr std::uint8_t kFocusPosition = 103;

// Data objects.
inline constexpr std::uint8_t kPicture = 14; // the current picture, or the last preview frame
inline constexpr std::uint8_t kIndex = 15;
inline constexpr std::uint8_t kCameraId = 22;
inline constexpr std::uint8_t kFirmwareVersion = 26;
inline constexpr std::uint8_t kCameraProp = 46;
inline constexpr std::uint8_t kPictureProp = 47;
inline constexpr std::uint8_t kMemoryProp = 67;
inline constexpr std::uint8_t kExpoBias = 69;
inline constexpr std::uint8_t kOpticalZoom = 71;
inline constexpr std::uint8_t kPicTagProp = 74;
inline constexpr std::uint8_t kFileName = 79;
inline constexpr std::uint8_t kFolderName = 84;
inline constexpr std::uint8_t kCaptureProp = 87;
inline constexpr std::uint8_t kFolderProp = 91;
inline constexpr std::uint8_t kExposureProp = 102;
inline constexpr std::uint8_t kCustomValue = 124;

// Actions.
inline constexpr std::uint8_t kEraseLast = 0;
inline constexpr std::uint8_t kEraseAll = 1;
inline constexpr std::uint8_t kCapture = 2;
inline constexpr std::uint8_t kPreview = 5;
inline constexpr std::uint8_t kErasePicture = 7;
inline constexpr std::uint8_t kLcdMode = 8;
inline constexpr std::uint8_t kProtectPicture = 9;

// The divisor that travels with tenths values.
inline constexpr std::uint32_t kDivisor = 10;
// The longest camera ID the camera keeps.
inline constexpr std::size_t kMaxCameraIdLength = 31;

} // namespace tarsel::vesk::camera
