// The text lists of the camera-link family: the lines of one section of a
// profile file, and the list form the family's interface hands out (texts
// each ended by a NUL, the whole ended by a second NUL).
//
// Threads: any. Failure: std::bad_alloc only.
#pragma once

#include "platform/ProfileSection.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarsel::vesk {

// The text without white space (blanks, tabs, line breaks) at either end.
std::string_view TrimWhiteSpace(std::string_view text);

// The lines of [section] in the profile file, as written (trimmed).
using tarsel::platform::ReadProfileSection;

// The texts, each followed by a NUL, and a final NUL; empty when there is no
// text. Empty texts are left out, as one would end the list early.
std::string MakeMultiString(const std::vector<std::string>& texts);

// The list's address for the interface: null for an empty list.
inline const char* MultiStringOrNull(const std::string& list) {
  return list.empty() ? nullptr : list.c_str();
}

} // namespace tarsel::vesk
