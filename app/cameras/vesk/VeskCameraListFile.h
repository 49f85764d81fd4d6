// The camera-link family's sections of the camera-list file "ExtraCams.cams"
// in the per-user data folder: [Used Cameras] (models the user added: device
// identification = model name) and [Ignored Cameras] (attached devices the
// user chose to ignore: identification = any text). Other families keep
// sections of their own in the same file.
//
// A line written here never breaks the file: in both texts "=", "[", "]",
// line breaks and other control characters, and a leading ";" or "#", are
// replaced by "_" (the identification comes from the device, which names
// itself; the text ends up as a key of the selection file). An
// identification that is empty once trimmed is not written.
//
// Threads: any (the profile calls serialise their writers). Failure: reads
// of a missing or unreadable file give no lines; a write that fails is
// ignored, as nothing the user can do follows from it.
#pragma once

#include "app/cameras/vesk/NamePair.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarsel::vesk {

inline constexpr const char* kCameraListFile = "ExtraCams.cams";
inline constexpr const char* kUsedCamerasSection = "Used Cameras";
inline constexpr const char* kIgnoredCamerasSection = "Ignored Cameras";

// One pair per line of the section: the text before the line's first "=" and
// the rest (empty without "=").
std::vector<CNamePair> ReadCameraListSection(const std::string& dataFolder, const char* section);

// Writes identification=text into [Used Cameras] when `used`, else into
// [Ignored Cameras]; a line of the same identification is replaced. False
// when nothing was written.
bool WriteCameraListLine(const std::string& dataFolder, std::string_view identification,
                         std::string_view text, bool used);

// The text with every character that would break a profile line or change
// its meaning replaced by "_", trimmed of blanks.
std::string ProfileSafeText(std::string_view text);

} // namespace tarsel::vesk
