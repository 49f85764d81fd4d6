// The per-user data folder, as a family reads it from the settings object
// it keeps: the folder where the family's own files (model lists, model
// descriptions) live, with a trailing separator.
//
// Threads: any. Failure: throws _brantel_take_error with the settings'
// error code, or 87 when there is no settings object.
#pragma once

#include <string>

class ITarselSettings;

namespace tarsel::cameras {

std::string FamilyDataFolder(ITarselSettings* settings);

} // namespace tarsel::cameras
