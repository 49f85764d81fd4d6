// The family's use-flag file "BRANTEL_SDK3.4" in the data folder: its
// section [ACTIVE CAMERAS] holds one line "model=1" per model the user
// enabled. Any thread. Failure: std::bad_alloc only; a missing or unreadable
// file gives an empty list.
#pragma once

#include <string>

namespace tarsel::vesk {

inline constexpr const char* kActiveCamerasSection = "ACTIVE CAMERAS";

// The model names of the section's lines (the text before each line's
// "="), each followed by a NUL, and a final NUL. A line without a name ends
// the list. A section with lines but no name gives two NULs, as it still
// makes the family one to use; no section (or an empty one) gives "".
std::string ReadActiveCameraList(const std::string& file);

} // namespace tarsel::vesk
