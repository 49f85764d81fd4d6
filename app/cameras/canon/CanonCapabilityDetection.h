// The capability detection run of a Canon camera: it questions the camera
// for its firmware, optical and digital zoom, AF lock, resolutions,
// apertures, exposure times and the values of its other capture settings,
// logs a heading per step and a line per value, and rebuilds the camera's
// capability cache from the answers. A step the camera refuses marks its
// capability "Not Supported" and the run goes on; apertures and exposure
// times the camera will not list are tried one by one from the family's
// table (the trial leaves the camera in the trial's program mode with the
// last value it accepted). The digital-zoom step puts the zoom back where
// it found it on every exit. Numbers are logged in the C locale.
//
// Threads: the caller holds the camera's lock for the whole run. Failure:
// a false answer of the log throws Stopped (the cache keeps what was built);
// a failed resolution, aperture or exposure-time step throws
// _brantel_take_error with its code; the builders return their codes.
#pragma once

#include "app/cameras/canon/CanonCapabilities.h"
#include "app/core/ICapabilitiesCallback.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <functional>
#include <string>

class CCanonDeviceProps;

class CCanonCapabilityDetection {
public:
  // The user stopped the run.
  static constexpr HRESULT kStopped = static_cast<HRESULT>(0x8010006Eu);
  // No set could be made.
  static constexpr HRESULT kNoSet = static_cast<HRESULT>(0x80004005u);
  struct Stopped {};

  // `probeAfLock` clears the camera's AF-lock support word, probes again
  // and returns the word (8: AF lock works).
  CCanonCapabilityDetection(std::uint32_t source, CCanonCapabilities& cache, _ICapabilitiesCallback& log,
                            std::function<std::uint32_t()> probeAfLock);

  // Every step after the run's opening, in order; the cache was cleared.
  void Run(CCanonDeviceProps& props);

  HRESULT BuildResolutionSet();
  HRESULT BuildApertureSet();
  HRESULT BuildExposureTimeSet();

private:
  struct Trial;
  void Heading(const char* text);
  void Value(const std::string& text);
  void DetectOpticalZoom();
  void DetectDigitalZoom();
  template <class Enumeration> void DetectListed(const char* heading, int capability);
  void DetectParameter(const char* heading, int capability, std::uint32_t parameter, std::uint32_t valueSize);
  template <class Enumeration, std::uint32_t WriteEntry> HRESULT BuildListedOrTried(const Trial& trial);
  std::uint16_t ReadParameter(std::uint32_t parameter);

  std::uint32_t m_source;
  CCanonCapabilities& m_cache;
  _ICapabilitiesCallback& m_log;
  std::function<std::uint32_t()> m_probeAfLock;
};
