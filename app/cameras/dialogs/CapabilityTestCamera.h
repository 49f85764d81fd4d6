// The camera as the capability test dialog sees it: what the dialog reads
// and restores when it opens and closes, and the single steps of the
// detection (set a value and read it back, move the lens, take a test
// picture, replace and save the capability sets). A camera family
// implements it over its camera object.
//
// Threads: RunOnCamera on the user-interface thread; every other member only
// inside work that RunOnCamera runs, on the camera window's worker.
// Failure: members throw _brantel_take_error as the camera object does.
#pragma once

#include "app/core/CapabilitySet.h"
#include "app/core/Range.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

class ICapabilityTestCamera {
public:
  // The settings the dialog saves when it opens and puts back when it closes.
  struct Settings {
    std::int32_t resolution = 0;
    std::int32_t isoSpeed = 0;
    std::int32_t opticalZoom = 0;
    std::int32_t flash = 0;
    std::int32_t programMode = 0;
    std::int32_t aperture = 0;
    std::int32_t exposureTime = 0;
    std::int32_t whiteBalance = 0;
  };
  // The settings the detection tries value by value.
  enum class Setting { Aperture, WhiteBalance, IsoSpeed, Resolution };

  virtual ~ICapabilityTestCamera() = default;

  // Queues `work` on the camera window's worker, after the jobs queued
  // before it; `stop` is set when the worker stops. False when nothing was
  // queued (the window has no camera).
  virtual bool RunOnCamera(std::function<void(std::stop_token stop)> work) = 0;

  virtual void Connect() = 0;
  virtual void DisConnect() = 0;
  virtual std::string GetModelName() = 0;
  virtual std::string GetCameraId() = 0;
  virtual Settings ReadSettings() = 0;
  // Resolution, ISO speed, flash, white balance, exposure block, zoom, in this order.
  virtual void WriteSettings(const Settings& settings) = 0;

  // The lowest resolution and the flash off, before the detection.
  virtual void PrepareForTest() = 0;
  // Aperture: with aperture priority and a fixed exposure time.
  virtual void SetSetting(Setting setting, std::int32_t value) = 0;
  virtual std::int32_t GetSetting(Setting setting) = 0;
  // Program mode "auto" after the apertures were tried.
  virtual void SetProgramAuto() = 0;
  virtual void ResetElectricZoom() = 0;
  // Moves the lens toward `tenths`; the position reached.
  virtual std::int32_t MoveOpticalZoom(std::int32_t tenths) = 0;
  virtual void SetOpticalZoomRange(std::int32_t min, std::int32_t max) = 0;
  // One picture taken for the test alone (it joins no series and is never saved).
  virtual CRefPtr<IPictureFromCamera> TakeTestPicture() = 0;

  // The capability's built-in default values.
  virtual std::vector<CCapabilityEntry> GetDefaultValues(const char* name) = 0;
  virtual CRange GetCapabilityRange(const char* name) = 0;
  // Replaces the camera's set (none: the set offers its defaults again);
  // nothing is written to the file.
  virtual void StoreCapability(const char* name, const std::vector<CCapabilityEntry>& values) = 0;
  // Writes every set and range to the model's description file.
  virtual void SaveCapabilities() = 0;
  virtual std::string GetCapabilityFileName() = 0;
  // Removes the model's description file, so that the defaults apply again.
  virtual void RestoreDefaults() = 0;
};
