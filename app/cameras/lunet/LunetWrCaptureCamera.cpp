#include "app/cameras/lunet/LunetWrCaptureCamera.h"

#include "app/cameras/lunet/LunetWr.h"
#include "env/BrantelTakeError.h"

namespace tarsel::lunet {

std::recursive_mutex& CLunetWrCaptureCamera::Mutex() {
  return m_camera.Lock();
}

std::int32_t CLunetWrCaptureCamera::Connect() {
  return m_camera.Connect();
}

std::int32_t CLunetWrCaptureCamera::DisConnect() {
  return m_camera.DisConnect();
}

std::string CLunetWrCaptureCamera::GetCameraType() {
  return m_camera.GetCameraId();
}

std::int32_t CLunetWrCaptureCamera::GetLcdMode() {
  return m_camera.IsLcdOn() ? CLunetWr::kMonitorOn : CLunetWr::kMonitorOff;
}

void CLunetWrCaptureCamera::SendLcdMode(std::int32_t mode) {
  ThrowIfFailed(mode == CLunetWr::kMonitorOff ? m_camera.LcdOff() : m_camera.LcdOn(mode));
}

void CLunetWrCaptureCamera::GetExposureProp3(std::int32_t* mode, std::int32_t* aperture,
                                             std::int32_t* exposureTime) {
  m_camera.GetExposureProp3(mode, aperture, exposureTime);
}

void CLunetWrCaptureCamera::SetExposureProp3(std::int32_t mode, std::int32_t aperture,
                                             std::int32_t exposureTime) {
  m_camera.SetExposureProp3(mode, aperture, exposureTime);
}

std::int32_t CLunetWrCaptureCamera::GetPropExpoBias() {
  return m_camera.GetPropExpoBias();
}

void CLunetWrCaptureCamera::SetPropExpoBias(std::int32_t value) {
  m_camera.SetPropExpoBias(value);
}

std::int32_t CLunetWrCaptureCamera::GetPropIsoSpeed() {
  return m_camera.GetPropIsoSpeed();
}

void CLunetWrCaptureCamera::SetPropIsoSpeed(std::int32_t value) {
  m_camera.SetPropIsoSpeed(value);
}

std::int32_t CLunetWrCaptureCamera::GetPropFlash() {
  return m_camera.GetPropFlash();
}

void CLunetWrCaptureCamera::SetPropFlash(std::int32_t value) {
  m_camera.SetPropFlash(value);
}

std::int32_t CLunetWrCaptureCamera::GetPropWhiteBalance() {
  return m_camera.GetPropWhiteBalance();
}

void CLunetWrCaptureCamera::SetPropWhiteBalance(std::int32_t value) {
  m_camera.SetPropWhiteBalance(value);
}

std::int32_t CLunetWrCaptureCamera::GetPropMetering() {
  return m_camera.GetPropMetering();
}

void CLunetWrCaptureCamera::SetPropMetering(std::int32_t value) {
  m_camera.SetPropMetering(value);
}

std::int32_t CLunetWrCaptureCamera::GetPropResolution() {
  return m_camera.GetPropResolution();
}

void CLunetWrCaptureCamera::SetPropResolution(std::int32_t value) {
  m_camera.SetPropResolution(value);
}

std::int32_t CLunetWrCaptureCamera::GetPropOpticalZoom(double* factor) {
  return m_camera.GetPropOpticalZoom(factor);
}

std::int32_t CLunetWrCaptureCamera::SetPropOpticalZoom(std::int32_t position, double* factor) {
  return m_camera.SetPropOpticalZoom(position, factor);
}

std::int32_t CLunetWrCaptureCamera::GetPropFocusMode() {
  return m_camera.GetPropFocusMode();
}

void CLunetWrCaptureCamera::SetPropFocusMode(std::int32_t mode) {
  m_camera.SetPropFocusMode(mode);
}

std::int32_t CLunetWrCaptureCamera::GetPropFocusPosition() {
  return m_camera.GetPropFocusPosition();
}

void CLunetWrCaptureCamera::SetPropFocusPosition(std::int32_t position) {
  m_camera.SetPropFocusPosition(position);
}

std::int32_t CLunetWrCaptureCamera::GetExternalFlash() {
  return m_camera.GetExternalFlash();
}

std::int32_t CLunetWrCaptureCamera::SetExternalFlash(std::int32_t value) {
  return m_camera.SetExternalFlash(value);
}

const tarsel::core::CapabilityValue* CLunetWrCaptureCamera::GetCapabilityTable(const char* name) {
  return m_camera.GetCapabilityTable(name);
}

} // namespace tarsel::lunet
