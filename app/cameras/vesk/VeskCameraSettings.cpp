#include "app/cameras/vesk/VeskCameraSettings.h"

#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/vesk/VeskCaptureProperties.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/ui/CameraConnectGuard.h"
#include "env/BrantelTakeError.h"

using tarsel::dialogs::CaptureValueList;
using tarsel::dialogs::FocusOpening;
using tarsel::dialogs::LcdOpening;
using tarsel::dialogs::ZoomOpening;

bool CVeskCameraSettings::UseMonitor(bool useMonitor) {
  if (!useMonitor || m_camera->IsLcdOn())
    return false;
  ThrowIfFailed(m_camera->LcdOn(0));
  return true;
}

FocusOpening CVeskCameraSettings::OpenFocus(bool useMonitor) {
  const CCameraConnectGuard connection(m_camera);
  FocusOpening opening;
  const CRange range = m_camera->GetRangeByName("Focus");
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  opening.mode = m_camera->GetPropFocusMode();
  // Also outside manual focus: Cancel gives it back.
  opening.position = m_camera->GetPropFocusPosition();
  opening.resolutionOnEntry = m_camera->GetPropResolution();
  if (opening.min != -1 && opening.max != -1 && !m_camera->IsModelResolution())
    m_camera->SetModelResolution();
  if (m_camera->NeedsElectricZoomReset()) {
    opening.digitalZoom = m_camera->GetPropElectricZoom();
    opening.digitalZooms = CVeskCaptureProperties::ValuesOf(*m_camera, "DigitalZoom");
  }
  opening.monitorSwitchedOn = UseMonitor(useMonitor);
  opening.capabilitiesKnown = m_camera->GetCapabilities(false);
  return opening;
}

void CVeskCameraSettings::SetFocus(std::int32_t mode, std::int32_t position) {
  const CCameraConnectGuard connection(m_camera);
  m_camera->SetPropFocusMode(mode);
  if (position >= 0)
    m_camera->SetPropFocusPosition(position);
}

void CVeskCameraSettings::SetFocusPosition(std::int32_t position) {
  m_camera->SetPropFocusPosition(position);
}

std::int32_t CVeskCameraSettings::SetDigitalZoom(std::int32_t value) {
  const CCameraConnectGuard connection(m_camera);
  m_camera->SetPropElectricZoom(value);
  return m_camera->GetPropElectricZoom();
}

std::int32_t CVeskCameraSettings::GetDigitalZoom() {
  return m_camera->GetPropElectricZoom();
}

std::int32_t CVeskCameraSettings::GetResolution() {
  return m_camera->GetPropResolution();
}

void CVeskCameraSettings::SetResolution(std::int32_t value) {
  m_camera->SetPropResolution(value);
}

ZoomOpening CVeskCameraSettings::OpenZoom(bool useMonitor) {
  const CCameraConnectGuard connection(m_camera);
  ZoomOpening opening;
  m_camera->ResetElectricZoom();
  opening.position = m_camera->GetPropOpticalZoom(&opening.factor);
  const CRange range = m_camera->GetRangeByName("OpticalZoom");
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  m_camera->GetOpticalZoomRange(&opening.minFactor, &opening.maxFactor);
  opening.monitorSwitchedOn = UseMonitor(useMonitor);
  opening.capabilitiesKnown = m_camera->GetCapabilities(false);
  return opening;
}

std::pair<std::int32_t, double> CVeskCameraSettings::SetOpticalZoom(std::int32_t position) {
  double factor = 0;
  const std::int32_t reached = m_camera->SetPropOpticalZoom(position, &factor);
  return {reached, factor};
}

LcdOpening CVeskCameraSettings::OpenLcd(bool useMonitor) {
  const CCameraConnectGuard connection(m_camera);
  LcdOpening opening;
  opening.monitorSwitchedOn = UseMonitor(useMonitor);
  opening.brightness = m_camera->GetPropLCDBrightness();
  const CRange range = m_camera->GetRangeByName("LcdBrightness");
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  return opening;
}

void CVeskCameraSettings::SetLcdBrightness(std::int32_t value) {
  const CCameraConnectGuard connection(m_camera);
  // The camera takes a new brightness only with its monitor off.
  ThrowIfFailed(m_camera->LcdOff());
  m_camera->SetPropLCDBrightness(value);
  ThrowIfFailed(m_camera->LcdOn(0));
}

std::int32_t CVeskCameraSettings::GetLcdBrightness() {
  return m_camera->GetPropLCDBrightness();
}

void CVeskCameraSettings::MonitorOff() {
  ThrowIfFailed(m_camera->LcdOff());
}

std::string CVeskCameraSettings::StatusAfter(const std::function<void()>& change) {
  const CCameraConnectGuard connection(m_camera);
  change();
  return tarsel::cameras::CameraStatusLine(*m_camera);
}

bool CVeskCameraSettings::NeedsDigitalZoomReset() const {
  return m_camera->NeedsElectricZoomReset();
}

std::int32_t CVeskCameraSettings::SetExternalFlash(std::int32_t value) {
  m_camera->SetExternalFlash(value);
  return m_camera->GetExternalFlash();
}

std::int32_t CVeskCameraSettings::GetExternalFlash() {
  return m_camera->GetExternalFlash();
}

CaptureValueList CVeskCameraSettings::ExternalFlashValues() {
  return CVeskCaptureProperties::ValuesOf(*m_camera, "ExternalFlash");
}
