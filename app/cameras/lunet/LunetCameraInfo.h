// The camera information dialog of the ActiveX camera: the family-neutral
// dialog (CCameraInfoDlg) over this source, which reads and writes the
// camera through CLunetWr. CLunetWr::ShowCameraInfo runs it.
//
// The camera's clock is its local wall clock, and so are the fields the
// dialog shows and sends: the source turns the control's date into those
// fields and back as they are, with no time zone in between.
//
// Threads: the source's members run on the camera window's worker (the
// dialog queues them there); each holds the camera's lock and one connection
// for all of its calls. Failure: the camera's _brantel_take_error.
#pragma once

#include "app/cameras/dialogs/CameraInfoSource.h"

class CLunetWr;

class CLunetCameraInfo : public tarsel::dialogs::ICameraInfoSource {
public:
  // The control keeps IDs of at most 31 characters.
  static constexpr int kMaxCameraId = 31;

  explicit CLunetCameraInfo(CLunetWr* camera) : m_camera(camera) {}

  int MaxCameraIdLength() const override { return kMaxCameraId; }
  tarsel::dialogs::CameraInfoValues ReadInfo() override;
  FILETIME ReadClock() override;
  void Apply(const std::optional<std::string>& cameraId, const std::optional<FILETIME>& clock) override;

  // The control's date as wall-clock fields carried as if they were UTC,
  // and back; false for a value without a form on the other side.
  static bool WallClockOfDate(double date, FILETIME* clock);
  static bool DateOfWallClock(const FILETIME& clock, double* date);

private:
  CLunetWr* m_camera;
};
