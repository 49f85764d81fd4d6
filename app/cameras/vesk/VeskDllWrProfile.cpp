// The camera's capture settings as capture-profile text (written and read)
// and in the keyword form.
#include "app/cameras/vesk/VeskDllWr.h"

#include "app/cameras/common/CaptureProfileSteps.h"
#include "app/cameras/vesk/VeskCall.h"
#include "app/cameras/vesk/VeskCapabilityDefaults.h"
#include "app/cameras/vesk/VeskKeywordSettings.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileWriter.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <mutex>
#include <string>
#include <string_view>

using tarsel::core::CaptureProfileReader;
using tarsel::core::CaptureProfileWriter;
using tarsel::vesk::CallConnection;
using tarsel::vesk::GuardResult;

namespace {

constexpr std::int32_t kManualFocusAtPosition = 4;

// The models whose default resolution is 4; the others' is 2.
constexpr const char* kModelResolutionLists[] = {
    "XC-500,XC-510,XC-520,XC-520Z",
    "XC-550,XC-600",
    "KT-100,KT-110",
};

std::int32_t modelResolution(std::string_view cameraType) {
  for (const char* list : kModelResolutionLists)
    if (tarsel::vesk::ModelListContains(list, cameraType))
      return 4;
  return 2;
}

} // namespace

HRESULT CVeskDllWr::GetCaptureSettingsText(ICaptureProfileStorage* storage) {
  return GuardResult([&] {
    if (!storage)
      throw _brantel_take_error(E_INVALIDARG);
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    CaptureProfileWriter writer;
    writer.AddText("CamType", m_cameraType);
    writer.AddNumber("LcdMode", m_monitorMode.load());
    {
      const CallConnection connection(this);
      std::int32_t mode = 2;
      std::int32_t aperture = 28;
      std::int32_t time = 25000;
      GetExposureProp3(&mode, &aperture, &time);
      tarsel::cameras::WriteExposureLines(writer, mode, aperture, time, UsesAperture(mode),
                                          UsesExposureTime(mode));
      tarsel::cameras::WritePropertyLines(writer, *this, UsesExpoBias(mode), kManualFocusAtPosition);
      writer.AddNumber("ExternalFlash", m_externalFlash);
    }
    writer.HandTo(*storage);
  });
}

HRESULT CVeskDllWr::ApplyCaptureSettingsText(ICaptureProfileStorage* storage) {
  if (!storage)
    throw _brantel_take_error(E_INVALIDARG);
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  CaptureProfileReader reader(*storage);
  // One connection for every line, not one per setting.
  const CallConnection connection(this);
  const auto is = [](const std::string& key, const char* name) {
    return CaptureProfileReader::SameText(key, name);
  };
  const bool applied = tarsel::cameras::ApplyProfileLines(
      reader, [this]() -> const std::string& { return m_cameraType; },
      [&](const std::string& key, std::int32_t number, const tarsel::cameras::PendingExposure& pending) {
        if (is(key, "LcdMode")) {
          if (number == kMonitorOff)
            ThrowIfFailed(LcdOff());
          else
            ThrowIfFailed(LcdOn(0));
          return true;
        }
        if (is(key, "ProgramMode")) {
          SetExposureProp3(number, pending.aperture, pending.exposureTime);
          return true;
        }
        return tarsel::cameras::ApplyPropertyLine(*this, key, number);
      });
  return applied ? 0 : 1;
}

HRESULT CVeskDllWr::ApplyKeywordSettings(const char* keywordSettings) {
  HRESULT warning = 0;
  const HRESULT result = GuardResult([&] {
    const tarsel::vesk::VeskKeywordSettings settings(keywordSettings, tarsel::vesk::FamilyKeywordTables());
    warning = settings.Warning();
    if (!settings.AnyMatched())
      return;
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    const CallConnection connection(this);
    if (settings.programMode) {
      // A mode is sent only with the values it needs.
      const std::int32_t mode = *settings.programMode;
      const bool complete =
          (!UsesAperture(mode) || settings.aperture) && (!UsesExposureTime(mode) || settings.exposureTime);
      if (complete)
        SetExposureProp3(mode, settings.aperture.value_or(0), settings.exposureTime.value_or(0));
    }
    tarsel::cameras::SendKeywordProperties(settings, *this);
  });
  return result != 0 ? result : warning;
}

bool CVeskDllWr::IsModelResolution() {
  return GetPropResolution() == modelResolution(GetModelName());
}

std::int32_t CVeskDllWr::SetModelResolution() {
  const std::int32_t value = modelResolution(GetModelName());
  SetPropResolution(value);
  return value;
}
