// The camera information dialog of a Canon camera: the family-neutral
// dialog (CCameraInfoDlg) over this source, which reads and writes the
// camera through CanonCD_Wr. CanonCD_Wr::ShowCameraInfo runs it.
//
// The camera's clock counts seconds that, read as UTC calendar time, give
// its wall clock: the dialog gets and gives exactly those fields.
//
// Threads: the source's members run on the camera window's worker (the
// dialog queues them there); the camera object serialises them with its
// other callers. Failure: the camera's codes are thrown as
// _brantel_take_error.
#pragma once

#include "app/cameras/dialogs/CameraInfoSource.h"

class CanonCD_Wr;

class CCanonCDCameraInfo : public tarsel::dialogs::ICameraInfoSource {
public:
  // The camera ID edit takes at most 32 characters.
  static constexpr int kMaxCameraId = 32;

  explicit CCanonCDCameraInfo(CanonCD_Wr* camera) : m_camera(camera) {}

  int MaxCameraIdLength() const override { return kMaxCameraId; }
  tarsel::dialogs::CameraInfoValues ReadInfo() override;
  FILETIME ReadClock() override;
  void Apply(const std::optional<std::string>& cameraId, const std::optional<FILETIME>& clock) override;

private:
  CanonCD_Wr* m_camera;
};
