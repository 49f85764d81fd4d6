// A Canon camera object seen through the operations its capture settings
// are written from and applied through, for WriteCaptureSettingsText,
// ApplyCaptureSettingsText and ApplyKeywordSettings.
//
// Threads and failure: those of the camera's operations; the view holds a
// reference and must not outlive the camera.
#pragma once

#include "app/cameras/canon/CanonSettingsCamera.h"

#include <memory>

class CanonCD_Wr;

std::unique_ptr<ICanonSettingsCamera> MakeCanonSettingsCamera(CanonCD_Wr& camera);
