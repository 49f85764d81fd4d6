// The camera information dialog of a camera-link camera: the family-neutral
// dialog (CCameraInfoDlg) over this source, which reads and writes the
// camera through CVeskDllWr. CVeskDllWr::ShowCameraInfo runs it.
//
// Threads: the source's members run on the camera window's worker (the
// dialog queues them there); the camera object serialises them with its
// other callers.
#pragma once

#include "app/cameras/dialogs/CameraInfoSource.h"

class CVeskDllWr;

class CVeskCameraInfo : public tarsel::dialogs::ICameraInfoSource {
public:
  // The camera keeps IDs of at most 31 characters.
  static constexpr int kMaxCameraId = 31;

  explicit CVeskCameraInfo(CVeskDllWr* camera) : m_camera(camera) {}

  int MaxCameraIdLength() const override { return kMaxCameraId; }
  tarsel::dialogs::CameraInfoValues ReadInfo() override;
  FILETIME ReadClock() override;
  void Apply(const std::optional<std::string>& cameraId, const std::optional<FILETIME>& clock) override;

private:
  CVeskDllWr* m_camera;
};
