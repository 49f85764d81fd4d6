// The list of device types the camera-link library accepts: the value
// "Type_S" (a comma list of identification texts; the library takes a
// device whose product identification contains one of them) under the
// current user's key below. The family merges the identifications of the
// models the user chose into it and never removes one.
//
// Threads: any (the registry serialises its writers). Failure: a key that
// does not open or a value that cannot be written is skipped silently.
#pragma once

#include "platform/reg/Registry.h"

#include <string>
#include <vector>

namespace tarsel::vesk {

inline constexpr const char* kSupportedCameraKey = "SOFTWARE\\Brantel\\Vesk\\SupportedCamera";
inline constexpr const char* kSupportedCameraValue = "Type_S";

// Adds to "Type_S" of the open key (query and set rights) each
// identification that the text does not contain yet, also as part of a
// longer entry; new ones are appended in ascending order after one trailing
// "," of the old text is removed. Nothing is written when nothing is new.
void AddSupportedCameraTypes(HKEY key, const std::vector<std::string>& identifications);

// Opens (creating it when missing) the current user's key and adds the
// identifications there.
void AddSupportedCameraTypesOfUser(const std::vector<std::string>& identifications);

} // namespace tarsel::vesk
