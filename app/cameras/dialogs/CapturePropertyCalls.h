// The capture-properties calls the same on every camera whose property
// operations take and give plain numbers (GetPropFlash, SetPropFlash, ...):
// what a family's ICapturePropertiesSource runs over its camera object.
//
// Threads and failure: those of the camera's operations; the caller holds
// the camera's lock and connection where the camera needs them.
#pragma once

#include "app/cameras/dialogs/ICapturePropertiesSource.h"

#include <cstdint>
#include <utility>

namespace tarsel::dialogs {

// The capability whose table lists each list's values, in the order of
// CaptureList ("ProgamMode" is spelled so).
inline constexpr const char* kCaptureCapabilityNames[kCaptureListCount] = {
    "ProgamMode", "ExposureTime", "Aperture",     "ExposureBias", "ISOSpeed",
    "FlashMode",  "WhiteBalance", "MeteringMode", "Resolution",   "AF Distance",
};
// The lists of a family without an AF distance.
inline constexpr std::size_t kCaptureListsWithoutAfDistance =
    static_cast<std::size_t>(CaptureList::AfDistance);

// The camera's value of a list; 0 for a list it keeps no value of this way.
template <class Camera> std::int32_t ReadCaptureValue(Camera& camera, CaptureList list) {
  switch (list) {
  case CaptureList::ExposureBias:
    return camera.GetPropExpoBias();
  case CaptureList::IsoSpeed:
    return camera.GetPropIsoSpeed();
  case CaptureList::FlashMode:
    return camera.GetPropFlash();
  case CaptureList::WhiteBalance:
    return camera.GetPropWhiteBalance();
  case CaptureList::Metering:
    return camera.GetPropMetering();
  case CaptureList::Resolution:
    return camera.GetPropResolution();
  default:
    return 0;
  }
}

// Sends a list's value to the camera; false (nothing sent) for a list it
// takes no value of this way.
template <class Camera> bool SendCaptureValue(Camera& camera, CaptureList list, std::int32_t value) {
  switch (list) {
  case CaptureList::ExposureBias:
    camera.SetPropExpoBias(value);
    return true;
  case CaptureList::IsoSpeed:
    camera.SetPropIsoSpeed(value);
    return true;
  case CaptureList::FlashMode:
    camera.SetPropFlash(value);
    return true;
  case CaptureList::WhiteBalance:
    camera.SetPropWhiteBalance(value);
    return true;
  case CaptureList::Metering:
    camera.SetPropMetering(value);
    return true;
  case CaptureList::Resolution:
    camera.SetPropResolution(value);
    return true;
  default:
    return false;
  }
}

// The camera's name, exposure block and single values into the snapshot;
// the digital zoom is kept there and then switched off on the camera.
template <class Camera> void ReadCaptureSettings(Camera& camera, CaptureSnapshot& snapshot) {
  snapshot.name = camera.GetCameraName();
  camera.GetExposureProp3(&snapshot.exposure.mode, &snapshot.exposure.aperture,
                          &snapshot.exposure.exposureTime);
  for (const CaptureList list : {CaptureList::FlashMode, CaptureList::IsoSpeed, CaptureList::WhiteBalance,
                                 CaptureList::Metering, CaptureList::ExposureBias, CaptureList::Resolution})
    snapshot.values[static_cast<std::size_t>(list)] = ReadCaptureValue(camera, list);
  snapshot.digitalZoom = camera.GetPropElectricZoom();
  camera.ResetElectricZoom();
}

// Moves the optical zoom; the position reached and its factor.
template <class Camera>
std::pair<std::int32_t, double> SendOpticalZoom(Camera& camera, std::int32_t position) {
  double factor = 0;
  const std::int32_t reached = camera.SetPropOpticalZoom(position, &factor);
  return {reached, factor};
}

} // namespace tarsel::dialogs
