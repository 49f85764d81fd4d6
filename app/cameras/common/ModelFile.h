// The upkeep of a family's camera-model file ("<model>.camd" in the
// family's data folder): an INI file with one section per capability, its
// range sections, and [FocusRange], [OpticalZoomRange] and
// [LcdBrightnessRange]. Older files kept the focus and zoom ranges as
// "MinFocus", "MaxFocus", "MinZoom" and "MaxZoom" in [parameters].
//
// Threads: any. Failure: MoveOldRanges and ReplaceModelFile throw
// _brantel_take_error ("Cannot save camera parameters to file") when a range
// or the file cannot be written.
#pragma once

#include <functional>
#include <string>

namespace tarsel::cameras {

// Moves the older [parameters] ranges of `file` into [FocusRange] and
// [OpticalZoomRange]: a pair with at least one key other than -1 is written
// as "Min" and "Max" as it stands, then both keys are deleted, so a file is
// rewritten once.
void MoveOldRanges(const std::string& file);

// Writes `file` whole or not at all: `write` is handed a scratch copy of the
// file (the file's bytes, or nothing when it does not exist) in a folder of
// its own beside it, and the copy then replaces the file by a rename. A
// write that throws, or a process that dies meanwhile, leaves the old file.
void ReplaceModelFile(const std::string& file, const std::function<void(const std::string& scratch)>& write);

} // namespace tarsel::cameras
