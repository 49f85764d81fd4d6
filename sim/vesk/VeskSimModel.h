// What distinguishes one simulated camera model from another: the INQUIRY
// identification, the firmware text, the value sets each setting accepts,
// the picture modes behind the resolution codes, the lens, and the busy times
// of its actions. Plain data; the built-in models are read-only tables.
//
// The camera-link family's built-in capability tables describe these models:
// the XC-701's ISO codes 0..9, the XC-702's digital-zoom codes, the lenses
// (XC-701 7.3-21.0, XC-702 6.6-19.1, KT-300 8.0-24.0) and the XC-702's and
// KT-300's resolution ids. Keep the two in step. The XC-500's lens is one
// the family leaves to the capability test to find.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarsel::vesksim {

enum class PictureFormat : std::uint32_t { Jpeg = 1, Tiff = 2, Raw = 3 };

struct ResolutionMode {
  std::uint32_t id = 0;
  PictureFormat format = PictureFormat::Jpeg;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int quality = 75; // JPEG quality: "N" 75, "H" 95
};

// What a write outside a setting's accepted set does.
enum class RejectPolicy {
  Nak,     // refuse with NAK
  KeepOld, // acknowledge and keep the old value (read-back shows the refusal)
  Nearest, // acknowledge and take the nearest accepted value
};

struct CameraModel {
  std::string name;     // model name: the product identification up to its first blank
  std::string vendor;   // INQUIRY bytes 8-15 (padded with blanks)
  std::string product;  // INQUIRY bytes 16-31 (padded with blanks)
  std::string revision; // INQUIRY bytes 32-35
  std::string firmware; // object 26 and the EXIF software text
  std::string make;     // EXIF maker text
  std::string cameraId; // object 22 at start

  std::vector<ResolutionMode> resolutions;
  std::uint32_t defaultResolution = 1;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> isoTable; // code -> ISO speed (0 = auto)
  std::vector<std::uint32_t> flashModes;
  std::vector<std::uint32_t> whiteBalances;
  std::vector<std::uint32_t> meteringModes;
  std::vector<std::uint32_t> apertures; // tenths of an f-number
  std::vector<std::uint32_t> exposureTimesUs;
  std::vector<std::uint32_t> digitalZooms;
  std::int32_t exposureBiasMin = -20;
  std::int32_t exposureBiasMax = 20;
  std::uint32_t zoomMin = 73; // tenths
  std::uint32_t zoomMax = 210;
  std::uint32_t zoomMinStep = 0; // the lens ignores moves smaller than this (0: none)
  std::uint32_t focusMin = 1;
  std::uint32_t focusMax = 240;
  std::uint32_t lcdMin = 1;
  std::uint32_t lcdMax = 7;
  RejectPolicy rejectPolicy = RejectPolicy::KeepOld;
  bool forgetsExposure = false; // exposure record back to program mode after every shot

  // Busy times of the actions, in milliseconds of the simulator's clock.
  std::uint32_t captureMs = 1500; // plus the exposure time
  std::uint32_t previewMs = 150;
  std::uint32_t eraseMs = 300;
  std::uint32_t eraseAllBaseMs = 2000;
  std::uint32_t eraseAllPerPictureMs = 100;
  std::uint32_t settingMs = 50;             // monitor mode, protect
  std::uint32_t notReadyAfterCaptureMs = 0; // DC1 to commands while the picture is stored
  std::uint32_t warmUpMs = 0;               // DC1 to commands after the camera is plugged in

  std::uint32_t blockSize = 32768;     // payload bytes per data record (1 .. 32826)
  bool uncheckedDataChecksums = false; // data records carry 0xFFFF
  std::uint64_t cardCapacityBytes = 256ull << 20;
};

// The largest payload of one data record: the record (payload + 70) must fit
// the 32896 bytes a bulk read carries.
inline constexpr std::uint32_t kMaxBlockSize = 32826;

const CameraModel* builtinModel(std::string_view name);
std::vector<std::string> builtinModelNames();
const ResolutionMode* findResolution(const CameraModel& model, std::uint32_t id);
// ISO speed of a code; 0 when the code is not in the table.
std::uint32_t isoSpeedOf(const CameraModel& model, std::uint32_t code);

} // namespace tarsel::vesksim
