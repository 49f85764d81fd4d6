// The steps of writing and applying a capture-profile text that the families
// share. Writing: the exposure block ("Aperture" and "ExposureTime" only
// where the program mode sets them, then "ProgramMode"), and the property
// lines of a camera with the families' property getters. Applying: the
// lines in their order, "CamType" checked against the camera's type,
// "Aperture" and "ExposureTime" kept for the "ProgramMode" line that sends
// them, every other line handed to the family.
//
// Threads: the caller's. Failure: what the family's calls throw; applying a
// profile of another camera type throws _brantel_take_error(0x81020007).
#pragma once

#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileWriter.h"
#include "env/BrantelTakeError.h"

#include <cstdint>
#include <string>

namespace tarsel::cameras {

// The exposure values a profile gave before its "ProgramMode" line (0 when
// it gave none).
struct PendingExposure {
  std::int32_t aperture = 0;
  std::int32_t exposureTime = 0;
};

inline void WriteExposureLines(tarsel::core::CaptureProfileWriter& writer, std::int32_t mode,
                               std::int32_t aperture, std::int32_t exposureTime, bool setsAperture,
                               bool setsExposureTime) {
  if (setsAperture)
    writer.AddNumber("Aperture", aperture);
  if (setsExposureTime)
    writer.AddNumber("ExposureTime", exposureTime);
  writer.AddNumber("ProgramMode", mode);
}

// "ExpoBias" (when the mode uses it), "IsoSpeed", "Flash", "WhiteBalance",
// "Metering", "Resolution", "OpticalZoom", "FocusMode", and "FocusPosition"
// when the focus mode is `focusAtPosition`; read from the camera in that
// order.
template <class Camera>
void WritePropertyLines(tarsel::core::CaptureProfileWriter& writer, Camera& camera, bool usesExpoBias,
                        std::int32_t focusAtPosition) {
  if (usesExpoBias)
    writer.AddNumber("ExpoBias", camera.GetPropExpoBias());
  writer.AddNumber("IsoSpeed", camera.GetPropIsoSpeed());
  writer.AddNumber("Flash", camera.GetPropFlash());
  writer.AddNumber("WhiteBalance", camera.GetPropWhiteBalance());
  writer.AddNumber("Metering", camera.GetPropMetering());
  writer.AddNumber("Resolution", camera.GetPropResolution());
  writer.AddNumber("OpticalZoom", camera.GetPropOpticalZoom(nullptr));
  const std::int32_t focusMode = camera.GetPropFocusMode();
  writer.AddNumber("FocusMode", focusMode);
  if (focusMode == focusAtPosition)
    writer.AddNumber("FocusPosition", camera.GetPropFocusPosition());
}

// Sends `wanted` through `set` only when the camera does not already have it.
template <class Set> void ChangeIfDifferent(std::int32_t current, std::int32_t wanted, Set&& set) {
  if (current != wanted)
    set(wanted);
}

// Applies a property line ("ExpoBias", "IsoSpeed", "Flash", "WhiteBalance",
// "Metering", "Resolution", "OpticalZoom", "FocusMode", "FocusPosition",
// "ExternalFlash") to a camera with the families' property setters; the
// zoom and focus are sent only when they change. False for any other key.
template <class Camera> bool ApplyPropertyLine(Camera& camera, const std::string& key, std::int32_t number) {
  const auto is = [&key](const char* name) {
    return tarsel::core::CaptureProfileReader::SameText(key, name);
  };
  if (is("ExpoBias")) {
    camera.SetPropExpoBias(number);
  } else if (is("IsoSpeed")) {
    camera.SetPropIsoSpeed(number);
  } else if (is("Flash")) {
    camera.SetPropFlash(number);
  } else if (is("WhiteBalance")) {
    camera.SetPropWhiteBalance(number);
  } else if (is("Metering")) {
    camera.SetPropMetering(number);
  } else if (is("Resolution")) {
    camera.SetPropResolution(number);
  } else if (is("OpticalZoom")) {
    ChangeIfDifferent(camera.GetPropOpticalZoom(nullptr), number,
                      [&camera](std::int32_t v) { camera.SetPropOpticalZoom(v, nullptr); });
  } else if (is("FocusMode")) {
    ChangeIfDifferent(camera.GetPropFocusMode(), number,
                      [&camera](std::int32_t v) { camera.SetPropFocusMode(v); });
  } else if (is("FocusPosition")) {
    ChangeIfDifferent(camera.GetPropFocusPosition(), number,
                      [&camera](std::int32_t v) { camera.SetPropFocusPosition(v); });
  } else if (is("ExternalFlash")) {
    camera.SetExternalFlash(number);
  } else {
    return false;
  }
  return true;
}

// Applies the profile's lines: `cameraType()` gives the type "CamType" must
// name (asked at that line); `apply(key, number, pending)` applies any other
// line and says whether it knew the key. Returns whether any line was known.
template <class CameraType, class Apply>
bool ApplyProfileLines(tarsel::core::CaptureProfileReader& reader, CameraType&& cameraType, Apply&& apply) {
  using tarsel::core::CaptureProfileReader;
  bool applied = false;
  PendingExposure pending;
  std::string key;
  std::string value;
  while (reader.Next(key, value)) {
    if (CaptureProfileReader::SameText(key, "CamType")) {
      if (!CaptureProfileReader::SameText(value, cameraType()))
        throw _brantel_take_error(CaptureProfileReader::kOtherCameraType);
      continue;
    }
    const std::int32_t number = CaptureProfileReader::Number(value);
    if (CaptureProfileReader::SameText(key, "Aperture")) {
      pending.aperture = number;
      continue;
    }
    if (CaptureProfileReader::SameText(key, "ExposureTime")) {
      pending.exposureTime = number;
      continue;
    }
    const bool known = apply(key, number, static_cast<const PendingExposure&>(pending));
    applied = applied || known;
  }
  return applied;
}

} // namespace tarsel::cameras
