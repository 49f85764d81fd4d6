// The cameras the stand-in library simulates and its own settings, read from a
// small text file (CDSIM_CONFIG) or built in. The text is INI-like: a [sdk]
// section for the library, then one [camera] section per camera, in the order
// the source enumeration reports them; "key = value" lines, '#' comments,
// lists separated by commas, numbers decimal or 0x-hexadecimal. README.md
// lists the keys. A malformed text is refused as a whole with the line's
// number and what was wrong; nothing is half-applied.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarsel::cdsim {

struct VolumeConfig {
  std::uint64_t capacity = 0;
  std::uint64_t freeSpace = 0;
  std::uint32_t items = 0;
};

struct ResolutionConfig {
  std::uint16_t sizeCode = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

struct ImageFormatConfig {
  std::uint16_t quality = 0;
  std::uint16_t size = 0;
};

// The value lists a camera offers, by the names the configuration uses.
enum class ValueList {
  ProgramMode,
  Aperture,
  ExposureTime,
  ExposureBias,
  WhiteBalance,
  AfDistance,
  Flash,
  Iso,
  Metering,
  Count
};

struct CameraConfig {
  std::string name = "Sim Camera A"; // the source record's name
  std::string owner = "Owner";
  std::string modelText; // device property 2; empty: the name
  std::string firmware = "Firmware Version 1.00";
  std::uint32_t flags = 0x4000001C; // eligible, live view, monitor off around a release, AF lock
  std::uint32_t battery = 6;
  std::optional<std::uint32_t> clock; // seconds, local time; absent: the computer's clock
  std::vector<VolumeConfig> volumes{{64u << 20, 48u << 20, 5}};
  std::uint32_t remaining = 120;
  std::uint32_t zoomMax = 12;
  std::uint32_t zoomOptical = 8;
  std::uint16_t focalShortest = 58;
  std::uint16_t focalLongest = 174;
  std::uint16_t focalBase = 10;
  std::vector<std::uint32_t> digitalRatios{125, 150, 175, 200}; // percent, one per digital position
  std::vector<std::uint16_t> lists[static_cast<int>(ValueList::Count)] = {
      {0, 1, 2, 3, 4}, {24, 32, 40, 48, 56, 64}, {96, 104, 112, 120, 128},
      {32, 24, 16},    {0, 1, 2, 3, 4, 5},       {1, 3, 6},
      {0, 1, 2, 3},    {0, 72, 80, 88},          {3, 1, 4}};
  std::uint32_t failingLists = 0; // bit per ValueList whose enumeration cannot be opened
  std::uint16_t current[static_cast<int>(ValueList::Count)] = {1, 32, 120, 24, 0, 1, 1, 0, 3};
  std::uint16_t apertureBound = 80;
  std::vector<ResolutionConfig> resolutions{{0, 640, 480}, {1, 320, 240}};
  std::vector<ImageFormatConfig> imageFormats{{3, 0}, {2, 0}, {3, 1}, {2, 1}};
  ImageFormatConfig imageFormat{3, 0};
  std::uint32_t zoom = 0;
  bool afLockSupported = true;
  std::vector<std::uint32_t> kind2Items{0x20};
  std::vector<std::uint32_t> kind10Items{0x10, 0x20, 0x50};
  int jpegQuality = 85;
  std::uint32_t rawSize = 4096;

  const std::string& model() const { return modelText.empty() ? name : modelText; }
};

struct SdkConfig {
  std::uint32_t chunk = 65536; // transfer write size; 0: odd sizes of 1..4097 bytes
  std::uint32_t frameRate = 15;
  std::uint32_t frameWidth = 160;
  std::uint32_t frameHeight = 120;
  std::vector<CameraConfig> cameras{CameraConfig{}};
};

struct ConfigResult {
  std::optional<SdkConfig> config;
  std::string error; // "line N: ..." when config is empty
};

ConfigResult parseConfig(const std::string& text);

} // namespace tarsel::cdsim
