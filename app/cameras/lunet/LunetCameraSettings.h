// The ActiveX camera as the pages of its camera-settings sheet see it: the
// family-neutral pages' source over one CLunetWr, shared with the calls in
// flight. While focusing the camera takes its high resolution
// (CLunetWr::SetResolutionHigh).
//
// Threads: the camera operations run on the camera window's worker (see
// ICameraSettingsSource); each batch holds the camera's lock and one
// connection. Holds no Qt object. Failure: the camera's errors are thrown as
// _brantel_take_error; a monitor that cannot be switched throws its code.
#pragma once

#include "app/cameras/dialogs/CameraSettingsAdapter.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetWr.h"

// The camera is complete here: the adapter's members that the class's
// virtual table needs are instantiated wherever this header is included.

// What the ActiveX camera object does its own way for the shared source.
struct LunetSettingsFamily {
  using Camera = CLunetWr;
  // The camera's lock, then one connection.
  struct Batch {
    explicit Batch(CLunetWr* camera) : lock(camera), connection(camera) {}
    tarsel::lunet::CLunetLock lock;
    tarsel::lunet::CLunetConnection connection;
  };
  static CRange Range(CLunetWr& camera, const char* name);
  static bool UsesFocusResolution(CLunetWr& camera);
  static void TakeFocusResolution(CLunetWr& camera);
  static tarsel::dialogs::CaptureValueList ValuesOf(CLunetWr& camera, const char* name);
  static void ReadZoomRange(CLunetWr& camera, tarsel::dialogs::ZoomOpening& opening);
};

class CLunetCameraSettings : public tarsel::dialogs::CCameraSettingsAdapter<LunetSettingsFamily> {
public:
  using CCameraSettingsAdapter::CCameraSettingsAdapter;
};
