#include "app/cameras/lunet/LunetCameraSettings.h"

#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetCaptureProperties.h"
#include "app/cameras/lunet/LunetWr.h"
#include "env/BrantelTakeError.h"

using tarsel::dialogs::FocusOpening;
using tarsel::dialogs::LcdOpening;
using tarsel::dialogs::ZoomOpening;
using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;

bool CLunetCameraSettings::UseMonitor(bool useMonitor) {
  if (!useMonitor || m_camera->IsLcdOn())
    return false;
  ThrowIfFailed(m_camera->LcdOn(0));
  return true;
}

FocusOpening CLunetCameraSettings::OpenFocus(bool useMonitor) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  FocusOpening opening;
  const CRange range = m_camera->GetRange("Focus");
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  opening.mode = m_camera->GetPropFocusMode();
  // Also outside manual focus: Cancel gives it back.
  opening.position = m_camera->GetPropFocusPosition();
  opening.resolutionOnEntry = m_camera->GetPropResolution();
  if (opening.min != -1 && opening.max != -1 && !m_camera->IsResolutionHigh())
    m_camera->SetResolutionHigh();
  if (m_camera->NeedsElectricZoomReset()) {
    opening.digitalZoom = m_camera->GetPropElectricZoom();
    opening.digitalZooms = CLunetCaptureProperties::ValuesOf(*m_camera, "DigitalZoom");
  }
  opening.monitorSwitchedOn = UseMonitor(useMonitor);
  opening.capabilitiesKnown = m_camera->GetCapabilities(false);
  return opening;
}

void CLunetCameraSettings::SetFocus(std::int32_t mode, std::int32_t position) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  m_camera->SetPropFocusMode(mode);
  if (position >= 0)
    m_camera->SetPropFocusPosition(position);
}

void CLunetCameraSettings::SetFocusPosition(std::int32_t position) {
  m_camera->SetPropFocusPosition(position);
}

std::int32_t CLunetCameraSettings::SetDigitalZoom(std::int32_t value) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  m_camera->SetPropElectricZoom(value);
  return m_camera->GetPropElectricZoom();
}

std::int32_t CLunetCameraSettings::GetDigitalZoom() {
  return m_camera->GetPropElectricZoom();
}

std::int32_t CLunetCameraSettings::GetResolution() {
  return m_camera->GetPropResolution();
}

void CLunetCameraSettings::SetResolution(std::int32_t value) {
  m_camera->SetPropResolution(value);
}

ZoomOpening CLunetCameraSettings::OpenZoom(bool useMonitor) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  ZoomOpening opening;
  m_camera->ResetElectricZoom();
  opening.position = m_camera->GetPropOpticalZoom(&opening.factor);
  const CRangeD range = m_camera->GetOpticalZoomRange();
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  opening.minFactor = range.GetMinValue();
  opening.maxFactor = range.GetMaxValue();
  opening.monitorSwitchedOn = UseMonitor(useMonitor);
  opening.capabilitiesKnown = m_camera->GetCapabilities(false);
  return opening;
}

std::pair<std::int32_t, double> CLunetCameraSettings::SetOpticalZoom(std::int32_t position) {
  double factor = 0;
  const std::int32_t reached = m_camera->SetPropOpticalZoom(position, &factor);
  return {reached, factor};
}

LcdOpening CLunetCameraSettings::OpenLcd(bool useMonitor) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  LcdOpening opening;
  opening.monitorSwitchedOn = UseMonitor(useMonitor);
  opening.brightness = m_camera->GetPropLCDBrightness();
  const CRange range = m_camera->GetRange("LcdBrightness");
  opening.min = range.GetMin();
  opening.max = range.GetMax();
  return opening;
}

void CLunetCameraSettings::SetLcdBrightness(std::int32_t value) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  // The camera takes a new brightness only with its monitor off.
  ThrowIfFailed(m_camera->LcdOff());
  m_camera->SetPropLCDBrightness(value);
  ThrowIfFailed(m_camera->LcdOn(0));
}

std::int32_t CLunetCameraSettings::GetLcdBrightness() {
  return m_camera->GetPropLCDBrightness();
}

void CLunetCameraSettings::MonitorOff() {
  ThrowIfFailed(m_camera->LcdOff());
}

std::string CLunetCameraSettings::StatusAfter(const std::function<void()>& change) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  change();
  return tarsel::cameras::CameraStatusLine(*m_camera);
}

bool CLunetCameraSettings::NeedsDigitalZoomReset() const {
  return m_camera->NeedsElectricZoomReset();
}
