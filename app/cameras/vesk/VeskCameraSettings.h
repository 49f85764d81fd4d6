// The camera-link camera as the pages of its camera-settings sheet see it:
// the family-neutral pages' source over one CVeskDllWr, shared with the
// calls in flight. While focusing the camera uses its model's resolution
// (CVeskDllWr::SetModelResolution).
//
// Threads: the camera operations run on the camera window's worker (see
// ICameraSettingsSource). Holds no Qt object. Failure: the camera's errors
// are thrown as _brantel_take_error; a monitor that cannot be switched
// throws its code.
#pragma once

#include "app/cameras/dialogs/CameraSettingsAdapter.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/ui/CameraConnectGuard.h"

// The camera is complete here: the adapter's members that the class's
// virtual table needs are instantiated wherever this header is included.

// What the camera-link camera object does its own way for the shared source.
struct VeskSettingsFamily {
  using Camera = CVeskDllWr;
  using Batch = CCameraConnectGuard;
  static CRange Range(CVeskDllWr& camera, const char* name);
  static bool UsesFocusResolution(CVeskDllWr& camera);
  static void TakeFocusResolution(CVeskDllWr& camera);
  static tarsel::dialogs::CaptureValueList ValuesOf(CVeskDllWr& camera, const char* name);
  static void ReadZoomRange(CVeskDllWr& camera, tarsel::dialogs::ZoomOpening& opening);
};

class CVeskCameraSettings : public tarsel::dialogs::CCameraSettingsAdapter<VeskSettingsFamily> {
public:
  using CCameraSettingsAdapter::CCameraSettingsAdapter;

  // The external flash of the general page.
  std::int32_t SetExternalFlash(std::int32_t value);
  std::int32_t GetExternalFlash();
  tarsel::dialogs::CaptureValueList ExternalFlashValues();
};
