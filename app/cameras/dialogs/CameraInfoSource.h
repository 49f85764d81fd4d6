// What the camera information dialog asks of its camera: one family's
// camera behind the family-neutral dialog (CCameraInfoDlg).
//
// Threads: every member runs on the camera window's worker (the dialog
// queues them there); each opens and closes the camera's connection itself.
// Failure: thrown as _brantel_take_error.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tarsel::dialogs {

struct CameraInfoValues {
  std::string model;
  std::string firmware;
  // The name the user gives the camera.
  std::string cameraId;
  bool hasMedia = false;
  std::int32_t storedPictures = 0;
  std::int32_t remainingPictures = 0;
  std::int64_t freeBytes = 0;
};

// The model, name and card of a camera object that gives them plainly
// (GetCameraId, GetCameraName, GetMemoryProp, GetCameraProp, GetRemainCount,
// GetMemoryFree); the firmware is left to the family.
template <class Camera> CameraInfoValues ReadPlainCameraInfo(Camera& camera) {
  CameraInfoValues values;
  // The interface's "camera ID" is the model text; its "name" the ID the user gives.
  values.model = camera.GetCameraId();
  values.cameraId = camera.GetCameraName();
  values.hasMedia = camera.GetMemoryProp();
  if (values.hasMedia) {
    values.storedPictures = camera.GetCameraProp();
    values.remainingPictures = camera.GetRemainCount();
    values.freeBytes = camera.GetMemoryFree();
  }
  return values;
}

class ICameraInfoSource {
public:
  virtual ~ICameraInfoSource() = default;

  // The longest camera ID the camera keeps.
  virtual int MaxCameraIdLength() const = 0;
  // Everything but the clock; the card's values only when it holds one.
  virtual CameraInfoValues ReadInfo() = 0;
  // The camera's clock: its wall-clock fields, carried as if they were UTC.
  virtual FILETIME ReadClock() = 0;
  // Renames the camera when `cameraId` is given, then sets its clock (the
  // computer's local wall-clock time, carried the same way) when `clock` is.
  virtual void Apply(const std::optional<std::string>& cameraId, const std::optional<FILETIME>& clock) = 0;
};

} // namespace tarsel::dialogs
