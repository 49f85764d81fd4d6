// A capability test camera that detects by the shared picture trial
// (CCapabilityTrial): the single steps the trial takes (set a value and read
// it back, move the lens, take a test picture, replace and save the
// capability sets), and Detect running the trial over them.
//
// Threads and failure: as ICapabilityTestCamera; every step runs inside
// RunOnCamera work.
#pragma once

#include "app/cameras/dialogs/CapabilityTestCamera.h"
#include "app/core/CapabilitySet.h"
#include "app/core/Range.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"

#include <cstdint>
#include <string>
#include <vector>

class ICapabilityTrialCamera : public ICapabilityTestCamera {
public:
  // The settings the detection tries value by value.
  enum class Setting { Aperture, WhiteBalance, IsoSpeed, Resolution };

  // Runs CCapabilityTrial; the white balance put back after its step is
  // the one saved at opening, or the camera's when none was saved.
  DetectionResult Detect(const DetectionRun& run) final;

  virtual std::string GetCameraId() = 0;
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
};
