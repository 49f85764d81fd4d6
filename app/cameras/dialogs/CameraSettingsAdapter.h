// The part of a family's camera-settings source (ICameraSettingsSource)
// that is the same over every camera object offering the pages' operations
// by the same names: the opening sequences of the focus, zoom and LCD pages
// and the steps that only pass a call on. The family's traits give what its
// camera object does its own way:
//   Camera            the camera object;
//   Batch             held around each batch of calls (made from Camera*);
//   Range(camera, name), UsesFocusResolution(camera),
//   TakeFocusResolution(camera), ValuesOf(camera, name) and
//   ReadZoomRange(camera, opening) (min, max and their factors).
//
// Threads: the camera operations run on the camera window's worker (see
// ICameraSettingsSource). Holds no Qt object. Failure: the camera's errors
// are thrown as _brantel_take_error; a monitor that cannot be switched
// throws its code.
#pragma once

#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/dialogs/ICameraSettingsSource.h"
#include "app/core/Range.h"
#include "env/BrantelTakeError.h"

namespace tarsel::dialogs {

template <class Family> class CCameraSettingsAdapter : public ICameraSettingsSource {
public:
  using Camera = typename Family::Camera;
  using Batch = typename Family::Batch;

  explicit CCameraSettingsAdapter(Camera* camera) : m_camera(camera) {}

  FocusOpening OpenFocus(bool useMonitor) override {
    const Batch batch(m_camera);
    FocusOpening opening;
    const CRange range = Family::Range(*m_camera, "Focus");
    opening.min = range.GetMin();
    opening.max = range.GetMax();
    opening.mode = m_camera->GetPropFocusMode();
    // Also outside manual focus: Cancel gives it back.
    opening.position = m_camera->GetPropFocusPosition();
    opening.resolutionOnEntry = m_camera->GetPropResolution();
    if (opening.min != -1 && opening.max != -1 && !Family::UsesFocusResolution(*m_camera))
      Family::TakeFocusResolution(*m_camera);
    if (m_camera->NeedsElectricZoomReset()) {
      opening.digitalZoom = m_camera->GetPropElectricZoom();
      opening.digitalZooms = Family::ValuesOf(*m_camera, "DigitalZoom");
    }
    opening.monitorSwitchedOn = UseMonitor(useMonitor);
    opening.capabilitiesKnown = m_camera->GetCapabilities(false);
    return opening;
  }
  void SetFocus(std::int32_t mode, std::int32_t position) override {
    const Batch batch(m_camera);
    m_camera->SetPropFocusMode(mode);
    if (position >= 0)
      m_camera->SetPropFocusPosition(position);
  }
  void SetFocusPosition(std::int32_t position) override { m_camera->SetPropFocusPosition(position); }
  std::int32_t SetDigitalZoom(std::int32_t value) override {
    const Batch batch(m_camera);
    m_camera->SetPropElectricZoom(value);
    return m_camera->GetPropElectricZoom();
  }
  std::int32_t GetDigitalZoom() override { return m_camera->GetPropElectricZoom(); }
  std::int32_t GetResolution() override { return m_camera->GetPropResolution(); }
  void SetResolution(std::int32_t value) override { m_camera->SetPropResolution(value); }
  ZoomOpening OpenZoom(bool useMonitor) override {
    const Batch batch(m_camera);
    ZoomOpening opening;
    m_camera->ResetElectricZoom();
    opening.position = m_camera->GetPropOpticalZoom(&opening.factor);
    Family::ReadZoomRange(*m_camera, opening);
    opening.monitorSwitchedOn = UseMonitor(useMonitor);
    opening.capabilitiesKnown = m_camera->GetCapabilities(false);
    return opening;
  }
  std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) override {
    double factor = 0;
    const std::int32_t reached = m_camera->SetPropOpticalZoom(position, &factor);
    return {reached, factor};
  }
  LcdOpening OpenLcd(bool useMonitor) override {
    const Batch batch(m_camera);
    LcdOpening opening;
    opening.monitorSwitchedOn = UseMonitor(useMonitor);
    opening.brightness = m_camera->GetPropLCDBrightness();
    const CRange range = Family::Range(*m_camera, "LcdBrightness");
    opening.min = range.GetMin();
    opening.max = range.GetMax();
    return opening;
  }
  void SetLcdBrightness(std::int32_t value) override {
    const Batch batch(m_camera);
    // The camera takes a new brightness only with its monitor off.
    ThrowIfFailed(m_camera->LcdOff());
    m_camera->SetPropLCDBrightness(value);
    ThrowIfFailed(m_camera->LcdOn(0));
  }
  std::int32_t GetLcdBrightness() override { return m_camera->GetPropLCDBrightness(); }
  void MonitorOff() override { ThrowIfFailed(m_camera->LcdOff()); }
  std::string StatusAfter(const std::function<void()>& change) override {
    const Batch batch(m_camera);
    change();
    return tarsel::cameras::CameraStatusLine(*m_camera);
  }
  bool NeedsDigitalZoomReset() const override { return m_camera->NeedsElectricZoomReset(); }

protected:
  Camera* m_camera;

private:
  // Switches the monitor on when asked and it is off; true when it did.
  bool UseMonitor(bool useMonitor) {
    if (!useMonitor || m_camera->IsLcdOn())
      return false;
    ThrowIfFailed(m_camera->LcdOn(0));
    return true;
  }
};

} // namespace tarsel::dialogs
