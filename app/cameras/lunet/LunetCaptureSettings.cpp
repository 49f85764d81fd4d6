#include "app/cameras/lunet/LunetCaptureSettings.h"

#include "app/cameras/common/KeywordSettings.h"
#include "app/cameras/common/ResultGuard.h"
#include "app/cameras/lunet/LunetCapabilityTables.h"
#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileWriter.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <string>

namespace tarsel::lunet {
namespace {

using tarsel::core::CaptureProfileReader;
using tarsel::core::CaptureProfileWriter;
using Guard = std::lock_guard<std::recursive_mutex>;

constexpr std::int32_t kManualMode = 1;
constexpr std::int32_t kAutoMode = 2;
constexpr std::int32_t kAperturePriority = 3;
constexpr std::int32_t kShutterPriority = 4;
constexpr std::int32_t kFocusAtPosition = 4;

bool modeSetsAperture(std::int32_t mode) {
  return mode == kAperturePriority || mode == kManualMode;
}

bool modeSetsExposureTime(std::int32_t mode) {
  return mode == kShutterPriority || mode == kManualMode;
}

bool modeUsesExposureBias(std::int32_t mode) {
  return mode != kManualMode;
}

} // namespace

HRESULT CLunetCaptureSettings::GetCaptureSettingsText(ICaptureProfileStorage* storage) {
  return tarsel::cameras::GuardResult([&]() -> HRESULT {
    if (!storage)
      throw _brantel_take_error(E_POINTER);
    CaptureProfileWriter writer;
    BuildText(writer);
    writer.HandTo(*storage);
    return 0;
  });
}

void CLunetCaptureSettings::BuildText(CaptureProfileWriter& writer) {
  const Guard lock(m_camera.Mutex());
  const CLunetCaptureConnection connection(m_camera);
  writer.AddText("CamType", m_camera.GetCameraType());
  writer.AddNumber("LcdMode", m_camera.GetLcdMode());
  std::int32_t mode = kAutoMode;
  std::int32_t aperture = 28;
  std::int32_t exposureTime = 25000;
  try {
    std::int32_t read[3] = {0, 0, 0};
    m_camera.GetExposureProp3(&read[0], &read[1], &read[2]);
    mode = read[0];
    aperture = read[1];
    exposureTime = read[2];
  } catch (const _brantel_take_error&) {
    // A camera that cannot tell its exposure block is written with the presets.
  }
  if (modeSetsAperture(mode))
    writer.AddNumber("Aperture", aperture);
  if (modeSetsExposureTime(mode))
    writer.AddNumber("ExposureTime", exposureTime);
  writer.AddNumber("ProgramMode", mode);
  if (modeUsesExposureBias(mode))
    writer.AddNumber("ExpoBias", m_camera.GetPropExpoBias());
  writer.AddNumber("IsoSpeed", m_camera.GetPropIsoSpeed());
  writer.AddNumber("Flash", m_camera.GetPropFlash());
  writer.AddNumber("WhiteBalance", m_camera.GetPropWhiteBalance());
  writer.AddNumber("Metering", m_camera.GetPropMetering());
  writer.AddNumber("Resolution", m_camera.GetPropResolution());
  writer.AddNumber("OpticalZoom", m_camera.GetPropOpticalZoom(nullptr));
  const std::int32_t focusMode = m_camera.GetPropFocusMode();
  writer.AddNumber("FocusMode", focusMode);
  if (focusMode == kFocusAtPosition)
    writer.AddNumber("FocusPosition", m_camera.GetPropFocusPosition());
  writer.AddNumber("ExternalFlash", m_camera.GetExternalFlash());
}

HRESULT CLunetCaptureSettings::ApplyCaptureSettingsText(ICaptureProfileStorage* storage) {
  return tarsel::cameras::GuardResult([&]() -> HRESULT {
    if (!storage)
      throw _brantel_take_error(CaptureProfileReader::kNotAProfile);
    return ApplyText(*storage);
  });
}

HRESULT CLunetCaptureSettings::ApplyText(const ICaptureProfileStorage& storage) {
  CaptureProfileReader reader(storage);
  const Guard lock(m_camera.Mutex());
  const CLunetCaptureConnection connection(m_camera);
  const auto is = [](const std::string& key, const char* name) {
    return CaptureProfileReader::SameText(key, name);
  };
  // Sends a value only when the camera does not already have it.
  const auto change = [](std::int32_t current, std::int32_t wanted, auto&& set) {
    if (current != wanted)
      set(wanted);
  };
  bool applied = false;
  std::int32_t aperture = 0;
  std::int32_t exposureTime = 0;
  std::string key;
  std::string value;
  while (reader.Next(key, value)) {
    if (is(key, "CamType")) {
      if (!CaptureProfileReader::SameText(value, m_camera.GetCameraType()))
        throw _brantel_take_error(CaptureProfileReader::kOtherCameraType);
      continue;
    }
    const std::int32_t number = CaptureProfileReader::Number(value);
    if (is(key, "Aperture")) {
      aperture = number;
      continue;
    }
    if (is(key, "ExposureTime")) {
      exposureTime = number;
      continue;
    }
    bool known = true;
    if (is(key, "LcdMode")) {
      m_camera.SendLcdMode(number);
    } else if (is(key, "ProgramMode")) {
      try {
        m_camera.SetExposureProp3(number, aperture, exposureTime);
      } catch (const _brantel_take_error&) {
        // An exposure block the camera refuses leaves the rest of the profile to apply.
      }
    } else if (is(key, "ExpoBias")) {
      m_camera.SetPropExpoBias(number);
    } else if (is(key, "IsoSpeed")) {
      m_camera.SetPropIsoSpeed(number);
    } else if (is(key, "Flash")) {
      m_camera.SetPropFlash(number);
    } else if (is(key, "WhiteBalance")) {
      m_camera.SetPropWhiteBalance(number);
    } else if (is(key, "Metering")) {
      m_camera.SetPropMetering(number);
    } else if (is(key, "Resolution")) {
      m_camera.SetPropResolution(number);
    } else if (is(key, "OpticalZoom")) {
      change(m_camera.GetPropOpticalZoom(nullptr), number,
             [this](std::int32_t v) { m_camera.SetPropOpticalZoom(v, nullptr); });
    } else if (is(key, "FocusMode")) {
      change(m_camera.GetPropFocusMode(), number, [this](std::int32_t v) { m_camera.SetPropFocusMode(v); });
    } else if (is(key, "FocusPosition")) {
      change(m_camera.GetPropFocusPosition(), number,
             [this](std::int32_t v) { m_camera.SetPropFocusPosition(v); });
    } else if (is(key, "ExternalFlash")) {
      m_camera.SetExternalFlash(number);
    } else {
      known = false;
    }
    applied = applied || known;
  }
  return applied ? 0 : 1;
}

HRESULT CLunetCaptureSettings::ApplyKeywordSettings(const char* items) {
  return tarsel::cameras::GuardResult([&]() -> HRESULT {
    const tarsel::cameras::CKeywordSettings settings(items, LunetKeywordTables());
    if (!settings.AnyMatched())
      return settings.Warning();
    const Guard lock(m_camera.Mutex());
    const CLunetCaptureConnection connection(m_camera);
    if (settings.programMode) {
      // A mode is sent only with the values it sets.
      const std::int32_t mode = *settings.programMode;
      const bool complete = (mode == kAperturePriority && settings.aperture) ||
                            (mode == kShutterPriority && settings.exposureTime) ||
                            (mode == kManualMode && settings.aperture && settings.exposureTime) ||
                            mode == kAutoMode;
      if (complete)
        m_camera.SetExposureProp3(mode, settings.aperture.value_or(0), settings.exposureTime.value_or(0));
    }
    if (settings.expoBias)
      m_camera.SetPropExpoBias(*settings.expoBias);
    if (settings.flash)
      m_camera.SetPropFlash(*settings.flash);
    if (settings.isoSpeed)
      m_camera.SetPropIsoSpeed(*settings.isoSpeed);
    if (settings.whiteBalance)
      m_camera.SetPropWhiteBalance(*settings.whiteBalance);
    if (settings.metering)
      m_camera.SetPropMetering(*settings.metering);
    return settings.Warning();
  });
}

} // namespace tarsel::lunet
