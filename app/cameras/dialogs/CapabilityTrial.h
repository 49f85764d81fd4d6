// The capability detection: finds by trial which apertures, white-balance
// settings, optical-zoom range, ISO speeds and resolutions the camera
// accepts (a value counts when the camera reads it back), taking test
// pictures for the ISO speeds and resolutions, reports every step to its
// log and stores each result in the camera's capability sets as it goes.
// Only a run that reaches its end saves the sets to the model's file.
//
// Candidates: apertures and white balances from the sets' default lists;
// ISO speeds every value of the "ISOSpeed" range (a range of 0..0 tries 0
// alone); resolutions every value of the "Resolution" range when its bounds
// differ, else the default list, each id once.
//
// A log call that answers false, or a stop request seen after a test
// picture, ends the run as cancelled: the sets stored so far stay stored,
// the one under test keeps the defaults it was reset to, nothing is saved.
//
// Threads: Run on the camera window's worker (inside ICapabilityTestCamera::
// RunOnCamera work). Failure: Run throws the camera's _brantel_take_error;
// a lens that follows every request up to kMaxZoomRequests is one
// (E_FAIL), as is a camera that gives no test picture.
#pragma once

#include "app/cameras/dialogs/CapabilityTrialCamera.h"

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>

class _ICapabilitiesCallback;

class CCapabilityTrial {
public:
  enum class Outcome { Completed, Cancelled };
  // Requests beyond 10000 tenths, 100 apart, before the lens search gives up.
  static constexpr int kMaxZoomRequests = 200;
  static constexpr std::chrono::milliseconds kDefaultResolutionSettle{100};

  // `report` receives each report line (LogLine) and answers false once the
  // user stopped the run;
  // `savedWhiteBalance` is put back after the white-balance step.
  CCapabilityTrial(ICapabilityTrialCamera& camera, _ICapabilitiesCallback& report,
                   std::int32_t savedWhiteBalance, std::stop_token stop,
                   std::chrono::milliseconds resolutionSettle = kDefaultResolutionSettle);

  Outcome Run();
  // After a completed run: the file the sets were saved in.
  const std::string& FileName() const { return m_fileName; }

private:
  bool Report(const std::string& text);
  bool Stopped() const;
  bool TryValues(const char* capability, ICapabilityTrialCamera::Setting setting);
  bool FindZoomRange();
  bool TryIsoSpeeds();
  bool TryResolutions();

  ICapabilityTrialCamera& m_camera;
  _ICapabilitiesCallback& m_report;
  std::int32_t m_savedWhiteBalance;
  std::stop_token m_stop;
  std::chrono::milliseconds m_resolutionSettle;
  bool m_cancelled = false;
  std::string m_fileName;
};
