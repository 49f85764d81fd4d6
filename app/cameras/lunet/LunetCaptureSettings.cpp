#include "app/cameras/lunet/LunetCaptureSettings.h"

#include "app/cameras/common/CaptureProfileSteps.h"
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

bool modeUsesExpoBias(std::int32_t mode) {
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
  tarsel::cameras::WriteExposureLines(writer, mode, aperture, exposureTime, modeSetsAperture(mode),
                                      modeSetsExposureTime(mode));
  tarsel::cameras::WritePropertyLines(writer, m_camera, modeUsesExpoBias(mode), kFocusAtPosition);
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
  const bool applied = tarsel::cameras::ApplyProfileLines(
      reader, [this] { return m_camera.GetCameraType(); },
      [&](const std::string& key, std::int32_t number, const tarsel::cameras::PendingExposure& pending) {
        if (is(key, "LcdMode")) {
          m_camera.SendLcdMode(number);
          return true;
        }
        if (is(key, "ProgramMode")) {
          try {
            m_camera.SetExposureProp3(number, pending.aperture, pending.exposureTime);
          } catch (const _brantel_take_error&) {
            // An exposure block the camera refuses leaves the rest of the profile to apply.
          }
          return true;
        }
        return tarsel::cameras::ApplyPropertyLine(m_camera, key, number);
      });
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
    tarsel::cameras::SendKeywordProperties(settings, m_camera);
    return settings.Warning();
  });
}

} // namespace tarsel::lunet
