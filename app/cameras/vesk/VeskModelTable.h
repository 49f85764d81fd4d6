// The camera-link family's model table: first the models the user added
// ([Used Cameras] of the camera-list file), then the family's built-in
// models. Each row holds the model's identification list (the texts, comma-
// separated, by which the camera-link library recognises the device) and its
// display name.
//
// Threads: any. Failure: std::bad_alloc only.
#pragma once

#include "app/cameras/vesk/NamePair.h"

#include <string>
#include <vector>

namespace tarsel::vesk {

// The built-in rows, in table order.
const std::vector<CNamePair>& BuiltInCameraModels();

// The added models of the data folder's camera-list file, then the built-in rows.
std::vector<CNamePair> GetModelTable(const std::string& dataFolder);

} // namespace tarsel::vesk
