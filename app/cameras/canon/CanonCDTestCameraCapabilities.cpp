#include "app/cameras/canon/CanonCDTestCameraCapabilities.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCapabilityDetection.h"
#include "app/host/CameraWindow.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <utility>

namespace {

template <class Value> std::int32_t read(HRESULT (CanonCD_Wr::*getter)(Value*), CanonCD_Wr& camera) {
  Value value{};
  ThrowIfFailed((camera.*getter)(&value));
  return static_cast<std::int32_t>(value);
}

std::uint32_t code(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

} // namespace

bool CCanonCDTestCameraCapabilities::RunOnCamera(std::function<void(std::stop_token stop)> work) {
  ICameraWindow* window = ICameraWindow::FromObject(m_window.data());
  if (!window)
    return false;
  return window->QueueCameraCall(
      [this, work = std::move(work)](ICameraHiLevel& camera, std::stop_token stop) {
        m_camera = dynamic_cast<CanonCD_Wr*>(&camera);
        work(std::move(stop));
        m_camera = nullptr;
      });
}

CanonCD_Wr& CCanonCDTestCameraCapabilities::Camera() {
  if (!m_camera)
    ThrowError(E_FAIL, "The window holds no Canon camera.");
  return *m_camera;
}

void CCanonCDTestCameraCapabilities::Connect() {
  Camera().Connect();
}

void CCanonCDTestCameraCapabilities::DisConnect() {
  Camera().DisConnect();
}

std::string CCanonCDTestCameraCapabilities::GetModelName() {
  const char* name = Camera().GetModelName();
  return name ? name : "";
}

ICapabilityTestCamera::Settings CCanonCDTestCameraCapabilities::ReadSettings() {
  CanonCD_Wr& camera = Camera();
  Settings settings;
  settings.resolution = read(&CanonCD_Wr::GetPropResolution, camera);
  settings.isoSpeed = read(&CanonCD_Wr::GetPropIsoSpeed, camera);
  ThrowIfFailed(camera.GetPropOpticalZoom(&settings.opticalZoom, nullptr));
  settings.flash = read(&CanonCD_Wr::GetPropFlash, camera);
  settings.whiteBalance = read(&CanonCD_Wr::GetPropWhiteBalance, camera);
  std::uint32_t mode = 0;
  std::uint32_t aperture = 0;
  std::uint32_t time = 0;
  ThrowIfFailed(camera.GetExposure(&mode, &aperture, &time));
  settings.programMode = static_cast<std::int32_t>(mode);
  settings.aperture = static_cast<std::int32_t>(aperture);
  settings.exposureTime = static_cast<std::int32_t>(time);
  return settings;
}

void CCanonCDTestCameraCapabilities::WriteSettings(const Settings& settings) {
  CanonCD_Wr& camera = Camera();
  ThrowIfFailed(camera.SetPropResolution(settings.resolution));
  ThrowIfFailed(camera.SetPropIsoSpeed(code(settings.isoSpeed)));
  ThrowIfFailed(camera.SetPropFlash(code(settings.flash)));
  ThrowIfFailed(camera.SetPropWhiteBalance(code(settings.whiteBalance)));
  ThrowIfFailed(
      camera.SetExposure(code(settings.programMode), code(settings.aperture), code(settings.exposureTime)));
  ThrowIfFailed(camera.SetPropOpticalZoom(settings.opticalZoom, nullptr, nullptr));
}

ICapabilityTestCamera::DetectionResult CCanonCDTestCameraCapabilities::Detect(const DetectionRun& run) {
  CanonCD_Wr& camera = Camera();
  const HRESULT result = camera.ObtainCapabilitiesFromCamera(&run.log);
  if (result != 0) {
    // What the run built before it ended is not used: the file's sets (or the defaults) come back.
    camera.LoadCameraCapabilities();
    if (result == CCanonCapabilityDetection::kStopped)
      return {};
    ThrowError(result);
  }
  camera.SaveCapabilitiesToFile(nullptr);
  return {true, camera.BuildProfilePath()};
}

void CCanonCDTestCameraCapabilities::RestoreDefaults() {
  Camera().DeleteCapabilityProfile(nullptr);
}
