// The file of a picture copied from a camera: a safe file name from the
// name the camera gives, the time the picture was taken, and the writing of
// the file as a whole or not at all.
//
// Any thread; each call uses only its arguments.
#pragma once

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/Win32Types.h"

#include <optional>
#include <string>

namespace tarsel::dialogs {

// The camera's file name made a plain name inside the target folder: path
// separators and control characters become "_", a name of only dots has
// its dots replaced and an empty one becomes "_", so "..", "/etc/x" or
// "a/../b" cannot lead out of the folder.
std::string SafePictureFileName(const std::string& cameraName);

// The time the picture was taken, from its EXIF date and time (local time,
// "YYYY:MM:DD HH:MM:SS"), as UTC; none without a valid date after 1990.
std::optional<FILETIME> PictureTakenTime(IPictureFromCamera& picture);

// Writes the bytes to `path` through a temporary file in the same folder,
// written whole and flushed before it is put in place, so that `path` is
// either the whole picture or left as it was; then gives the file `time` as
// its modification time (when given) and closes it. Throws _brantel_take_error with the system's
// error and the path as its explanation.
void WritePictureFile(const std::string& path, const BYTE* data, std::size_t size,
                      const std::optional<FILETIME>& time);

} // namespace tarsel::dialogs
