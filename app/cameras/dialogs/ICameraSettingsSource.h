// The camera as the pages of the camera-settings sheet see it: what a
// family's adapter offers the family-neutral focus, zoom and monitor
// brightness pages.
//
// Threads: the camera operations run on the camera window's worker only,
// through ICameraWindow::QueueCameraCall, one at a time; they throw
// _brantel_take_error on failure. NeedsDigitalZoomReset is asked on the
// user-interface thread and never touches the camera.
#pragma once

#include "app/cameras/dialogs/ICapturePropertiesSource.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace tarsel::dialogs {

// What the focus page reads when it opens.
struct FocusOpening {
  // The model's focus range; -1 where unknown.
  std::int32_t min = -1;
  std::int32_t max = -1;
  std::int32_t mode = 1;
  std::int32_t position = -1;
  std::int32_t resolutionOnEntry = 0;
  std::int32_t digitalZoom = 0;
  CaptureValueList digitalZooms;
  bool monitorSwitchedOn = false;
  // The model's capabilities are known: no detection to offer.
  bool capabilitiesKnown = false;
};

// What the zoom page reads when it opens.
struct ZoomOpening {
  std::int32_t position = 0;
  double factor = 0;
  std::int32_t min = -1;
  std::int32_t max = -1;
  double minFactor = 0;
  double maxFactor = 0;
  bool monitorSwitchedOn = false;
  bool capabilitiesKnown = false;
};

// What the monitor-brightness page reads when it opens.
struct LcdOpening {
  std::int32_t brightness = 0;
  std::int32_t min = -1;
  std::int32_t max = -1;
  bool monitorSwitchedOn = false;
};

class ICameraSettingsSource {
public:
  virtual ~ICameraSettingsSource() = default;

  // Worker thread. `useMonitor`: switch the camera's monitor on when it is
  // off (the opening then says so).
  // Reads the focus page's values; switches the camera to the resolution
  // used while focusing (resolutionOnEntry gives the one to return to).
  virtual FocusOpening OpenFocus(bool useMonitor) = 0;
  // Mode 1 automatic, 2 macro, 4 manual; then the position unless it is negative.
  virtual void SetFocus(std::int32_t mode, std::int32_t position) = 0;
  virtual void SetFocusPosition(std::int32_t position) = 0;
  // Sets the digital zoom and returns what the camera then holds.
  virtual std::int32_t SetDigitalZoom(std::int32_t value) = 0;
  virtual std::int32_t GetDigitalZoom() = 0;
  virtual std::int32_t GetResolution() = 0;
  virtual void SetResolution(std::int32_t value) = 0;
  // Switches the digital zoom off and reads the lens.
  virtual ZoomOpening OpenZoom(bool useMonitor) = 0;
  // The position reached and its factor.
  virtual std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) = 0;
  virtual LcdOpening OpenLcd(bool useMonitor) = 0;
  // Sets the monitor's brightness with the monitor switched off and on again.
  virtual void SetLcdBrightness(std::int32_t value) = 0;
  virtual std::int32_t GetLcdBrightness() = 0;
  virtual void MonitorOff() = 0;
  // Runs `change` and then composes the camera's status line, under one
  // connection of the camera.
  virtual std::string StatusAfter(const std::function<void()>& change) = 0;

  // Any thread.
  virtual bool NeedsDigitalZoomReset() const = 0;
};

} // namespace tarsel::dialogs
