// The camera as the capability test dialog sees it: what the dialog reads
// and restores when it opens and closes, the detection its Start runs, and
// the removal of the model's description file. A camera family implements
// it over its camera object: a family that detects by the shared picture
// trial through ICapabilityTrialCamera, one with a detection of its own by
// implementing Detect.
//
// Threads: RunOnCamera on the user-interface thread; every other member only
// inside work that RunOnCamera runs, on the camera window's worker.
// Failure: members throw _brantel_take_error as the camera object does.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

class _ICapabilitiesCallback;

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

  // What Start hands the detection.
  struct DetectionRun {
    // Takes the report lines as they come; answers false once the run is to stop.
    _ICapabilitiesCallback& log;
    // Requested when the user stops the run or the worker stops; a
    // detection that waits on the camera wakes on it.
    std::stop_token stop;
    // The settings read when the dialog opened; none when that failed.
    std::optional<Settings> saved;
    // How long the picture trial waits after setting each resolution.
    std::chrono::milliseconds resolutionSettle{100};
  };
  struct DetectionResult {
    // False: the run was stopped; nothing was saved.
    bool completed = false;
    // After a completed run: the file the capabilities were saved in.
    std::string fileName;
  };

  virtual ~ICapabilityTestCamera() = default;

  // Queues `work` on the camera window's worker, after the jobs queued
  // before it; `stop` is set when the worker stops. False when nothing was
  // queued (the window has no camera).
  virtual bool RunOnCamera(std::function<void(std::stop_token stop)> work) = 0;

  virtual void Connect() = 0;
  virtual void DisConnect() = 0;
  virtual std::string GetModelName() = 0;
  virtual Settings ReadSettings() = 0;
  // Resolution, ISO speed, flash, white balance, exposure block, zoom, in this order.
  virtual void WriteSettings(const Settings& settings) = 0;

  // Finds out what the camera accepts, reporting to the run's log; a run
  // that reaches its end saves what it found to the model's description
  // file. May take minutes: it watches the log's answers and the stop token.
  // Throws on failure, a failed save included.
  virtual DetectionResult Detect(const DetectionRun& run) = 0;

  // Removes the model's description file, so that the defaults apply again.
  virtual void RestoreDefaults() = 0;
};
