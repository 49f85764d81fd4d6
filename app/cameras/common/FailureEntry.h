// The error-log entry of a family's failure: the family's header line, then
// "ERROR: <message>(0x<code>) produced by <operation>", then, with a camera,
// its "Camera: <text>" line; every line ends in "\r\n".
//
// Threads: any.
#pragma once

#include <string>

class _brantel_take_error;

namespace tarsel::cameras {

// Which '.' of a place text ends the part that goes.
enum class PlaceCut { kFirstDot, kLastDot };

// The operation a place text names: after a "return" the first seven
// characters go (never past the end), then everything up to the first (or
// last) '.', then everything from the first '('.
std::string ShortenPlace(const char* place, PlaceCut cut);

// `header` without its line end ("SDK: 2.0"); no camera line when
// `cameraText` is null.
std::string FailureEntryText(const char* header, const _brantel_take_error& error,
                             const std::string& operation, const std::string* cameraText);

} // namespace tarsel::cameras
