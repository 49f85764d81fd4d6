// The capability test dialog's camera over a Canon camera object: the
// family's own detection (CanonCD_Wr::ObtainCapabilitiesFromCamera) with the
// dialog's log, the description file saved after a complete run, the cache
// read again from the file after a stopped or failed one (so no partial set
// stays in use), and the settings the dialog keeps and puts back.
//
// Threads: RunOnCamera on the user-interface thread; the other members run
// on the camera window's worker, inside the work RunOnCamera queued, on the
// camera the window holds at that time. Failure: the camera's codes as
// _brantel_take_error; E_FAIL when the window holds no Canon camera.
#pragma once

#include "app/cameras/dialogs/CapabilityTestCamera.h"

#include <QPointer>
#include <QWidget>

class CanonCD_Wr;

class CCanonCDTestCameraCapabilities : public ICapabilityTestCamera {
public:
  // `window`: the camera window or a widget inside it.
  explicit CCanonCDTestCameraCapabilities(QWidget* window) : m_window(window) {}

  bool RunOnCamera(std::function<void(std::stop_token stop)> work) override;
  void Connect() override;
  void DisConnect() override;
  std::string GetModelName() override;
  Settings ReadSettings() override;
  void WriteSettings(const Settings& settings) override;
  DetectionResult Detect(const DetectionRun& run) override;
  void RestoreDefaults() override;

private:
  CanonCD_Wr& Camera();

  QPointer<QWidget> m_window;
  // The camera of the work that runs now (worker only).
  CanonCD_Wr* m_camera = nullptr;
};
