// The part of a family's picture-trial camera (ICapabilityTrialCamera) that
// is the same over every camera object offering the trial's operations by
// the same names: running the work on the camera the window holds, and the
// steps that only pass a call on. The family adds the steps its camera
// object does its own way.
//
// Threads: RunOnCamera on the user-interface thread; the other members run
// on the camera window's worker, inside the work RunOnCamera queued, on the
// camera the window holds at that time. Failure: the camera object's
// _brantel_take_error; E_FAIL (with the text the family gives) when the
// window holds no camera of the family.
#pragma once

#include "app/cameras/dialogs/CapabilityTrialCamera.h"
#include "app/host/CameraWindow.h"
#include "app/host/ConnectedCameraHost.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QPointer>
#include <QWidget>

#include <utility>

namespace tarsel::dialogs {

template <class CameraObject> class CCapabilityTrialAdapter : public ICapabilityTrialCamera {
public:
  bool RunOnCamera(std::function<void(std::stop_token stop)> work) override {
    ICameraWindow* window = ICameraWindow::FromObject(m_window.data());
    if (!window)
      return false;
    return window->QueueCameraCall(
        [this, work = std::move(work)](ICameraHiLevel& camera, std::stop_token stop) {
          m_camera = dynamic_cast<CameraObject*>(&camera);
          try {
            work(std::move(stop));
          } catch (...) {
            m_camera = nullptr;
            throw;
          }
          m_camera = nullptr;
        });
  }
  void Connect() override { Camera().Connect(); }
  void DisConnect() override { Camera().DisConnect(); }
  std::string GetModelName() override { return Camera().GetModelName(); }
  std::string GetCameraId() override { return Camera().GetCameraId(); }
  void SetProgramAuto() override { Camera().SetProgramAuto(); }
  void ResetElectricZoom() override { Camera().ResetElectricZoom(); }
  std::int32_t MoveOpticalZoom(std::int32_t tenths) override {
    return Camera().SetPropOpticalZoom(tenths, nullptr);
  }
  CRange GetCapabilityRange(const char* name) override { return Camera().GetCapabilityRange(name); }
  Settings ReadSettings() override {
    CameraObject& camera = Camera();
    Settings settings;
    settings.resolution = camera.GetPropResolution();
    settings.isoSpeed = camera.GetPropIsoSpeed();
    settings.opticalZoom = camera.GetPropOpticalZoom(nullptr);
    settings.flash = camera.GetPropFlash();
    settings.whiteBalance = camera.GetPropWhiteBalance();
    camera.GetExposureProp3(&settings.programMode, &settings.aperture, &settings.exposureTime);
    return settings;
  }
  void WriteSettings(const Settings& settings) override {
    CameraObject& camera = Camera();
    camera.SetPropResolution(settings.resolution);
    camera.SetPropIsoSpeed(settings.isoSpeed);
    camera.SetPropFlash(settings.flash);
    camera.SetPropWhiteBalance(settings.whiteBalance);
    camera.SetExposureProp3(settings.programMode, settings.aperture, settings.exposureTime);
    camera.SetPropOpticalZoom(settings.opticalZoom, nullptr);
  }
  std::int32_t GetSetting(Setting setting) override {
    CameraObject& camera = Camera();
    switch (setting) {
    case Setting::Aperture: {
      std::int32_t aperture = 0;
      camera.GetExposureProp3(nullptr, &aperture, nullptr);
      return aperture;
    }
    case Setting::WhiteBalance:
      return camera.GetPropWhiteBalance();
    case Setting::IsoSpeed:
      return camera.GetPropIsoSpeed();
    case Setting::Resolution:
      return camera.GetPropResolution();
    }
    return 0;
  }
  CRefPtr<IPictureFromCamera> TakeTestPicture() override {
    CRefPtr<IPictureFromCamera> picture = tarsel::host::TakePictureForCall(Camera());
    if (!picture || !picture->GetData() || picture->GetDataSize() == 0)
      ThrowError(E_FAIL, "The camera gave no test picture.");
    return picture;
  }

protected:
  // `window`: the camera window or a widget inside it; `noCamera`: the
  // failure's text when it holds no camera of the family.
  CCapabilityTrialAdapter(QWidget* window, const char* noCamera) : m_window(window), m_noCamera(noCamera) {}

  // The camera of the work that runs now.
  CameraObject& Camera() {
    if (!m_camera)
      ThrowError(E_FAIL, m_noCamera);
    return *m_camera;
  }

  // Sends one tried value through the family's setter of that setting.
  static void SendSetting(CameraObject& camera, Setting setting, std::int32_t value) {
    switch (setting) {
    case Setting::Aperture:
      camera.SetAperturePriority(value);
      break;
    case Setting::WhiteBalance:
      camera.SetPropWhiteBalance(value);
      break;
    case Setting::IsoSpeed:
      camera.SetPropIsoSpeed(value);
      break;
    case Setting::Resolution:
      camera.SetPropResolution(value);
      break;
    }
  }

private:
  QPointer<QWidget> m_window;
  const char* m_noCamera;
  // The camera of the work that runs now (worker only).
  CameraObject* m_camera = nullptr;
};

} // namespace tarsel::dialogs
