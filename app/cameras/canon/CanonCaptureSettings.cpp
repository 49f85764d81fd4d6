#include "app/cameras/canon/CanonCaptureSettings.h"

#include "app/cameras/canon/CanonKeywordSettings.h"
#include "app/cameras/canon/CanonResultGuard.h"
#include "app/cameras/common/CaptureProfileSteps.h"
#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileWriter.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <string>

using tarsel::core::CaptureProfileReader;
using tarsel::core::CaptureProfileWriter;

namespace tarsel::canon {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// A getter's value; what it did not fill stays 0 (its result is not wanted).
template <class Value, class Getter> Value readValue(Getter&& getter) {
  Value value = 0;
  static_cast<void>(getter(&value));
  return value;
}

std::int32_t asNumber(std::uint32_t value) {
  return static_cast<std::int32_t>(value);
}

void throwIfFailed(HRESULT result) {
  if (result != 0)
    throw _brantel_take_error(result);
}

} // namespace

HRESULT WriteCaptureSettingsText(ICanonSettingsCamera& camera, ICaptureProfileStorage* storage) {
  return GuardResult([&] {
    if (!storage)
      throw _brantel_take_error(E_INVALIDARG);
    const Lock lock(camera.CallMutex());
    CaptureProfileWriter writer;
    const char* model = camera.GetModelName();
    writer.AddText("CamType", model ? model : "");
    writer.AddNumber("LcdMode", camera.IsLcdOn() ? 1 : 0);

    // Without a readable exposure block the starting values stand.
    std::uint32_t program = 0;
    std::uint32_t aperture = 28;
    std::uint32_t exposureTime = 25000;
    std::uint32_t read[3] = {};
    if (camera.GetExposure(&read[0], &read[1], &read[2]) == 0) {
      program = read[0];
      aperture = read[1];
      exposureTime = read[2];
    }
    tarsel::cameras::WriteExposureLines(writer, asNumber(program), asNumber(aperture), asNumber(exposureTime),
                                        camera.IsApertureSettable(program),
                                        camera.IsExposureTimeSettable(program));
    if (camera.IsExpoBiasSettable(program))
      writer.AddNumber(
          "ExpoBias", asNumber(readValue<std::uint32_t>([&](auto* v) { return camera.GetPropExpoBias(v); })));
    writer.AddNumber("IsoSpeed",
                     asNumber(readValue<std::uint32_t>([&](auto* v) { return camera.GetPropIsoSpeed(v); })));
    writer.AddNumber("Flash",
                     asNumber(readValue<std::uint32_t>([&](auto* v) { return camera.GetPropFlash(v); })));
    writer.AddNumber("WhiteBalance", asNumber(readValue<std::uint32_t>(
                                         [&](auto* v) { return camera.GetPropWhiteBalance(v); })));
    writer.AddNumber("Metering",
                     asNumber(readValue<std::uint32_t>([&](auto* v) { return camera.GetPropMetering(v); })));
    writer.AddNumber("Resolution",
                     readValue<std::int32_t>([&](auto* v) { return camera.GetPropResolution(v); }));
    writer.AddNumber("OpticalZoom",
                     readValue<std::int32_t>([&](auto* v) { return camera.GetPropOpticalZoom(v, nullptr); }));
    writer.AddNumber("AF Distance", asNumber(readValue<std::uint32_t>(
                                        [&](auto* v) { return camera.GetPropAFDistance(v); })));
    writer.HandTo(*storage);
  });
}

HRESULT ApplyCaptureSettingsText(ICanonSettingsCamera& camera, const ICaptureProfileStorage* storage) {
  bool applied = false;
  const HRESULT result = GuardResult([&] {
    if (!storage)
      throw _brantel_take_error(E_INVALIDARG);
    const Lock lock(camera.CallMutex());
    CaptureProfileReader reader(*storage);
    const auto is = [](const std::string& key, const char* name) {
      return CaptureProfileReader::SameText(key, name);
    };
    const auto modelName = [&camera]() -> const char* {
      const char* model = camera.GetModelName();
      return model ? model : "";
    };
    applied = tarsel::cameras::ApplyProfileLines(
        reader, modelName,
        [&](const std::string& key, std::int32_t signedNumber,
            const tarsel::cameras::PendingExposure& pending) {
          const auto number = static_cast<std::uint32_t>(signedNumber);
          if (is(key, "LcdMode")) {
            throwIfFailed(number == 0 ? camera.LcdOff() : camera.LcdOn(0));
          } else if (is(key, "ProgramMode")) {
            // A refused exposure block does not stop the other settings.
            static_cast<void>(camera.SetExposure(number, static_cast<std::uint32_t>(pending.aperture),
                                                 static_cast<std::uint32_t>(pending.exposureTime)));
          } else if (is(key, "ExpoBias")) {
            throwIfFailed(camera.SetPropExpoBias(number));
          } else if (is(key, "IsoSpeed")) {
            throwIfFailed(camera.SetPropIsoSpeed(number));
          } else if (is(key, "Flash")) {
            throwIfFailed(camera.SetPropFlash(number));
          } else if (is(key, "WhiteBalance")) {
            throwIfFailed(camera.SetPropWhiteBalance(number));
          } else if (is(key, "Metering")) {
            throwIfFailed(camera.SetPropMetering(number));
          } else if (is(key, "Resolution")) {
            throwIfFailed(camera.SetPropResolution(signedNumber));
          } else if (is(key, "OpticalZoom")) {
            std::int32_t position = 0;
            throwIfFailed(camera.GetPropOpticalZoom(&position, nullptr));
            if (position != signedNumber)
              throwIfFailed(camera.SetPropOpticalZoom(signedNumber, nullptr, nullptr));
          } else if (is(key, "AF Distance")) {
            std::uint32_t distance = 0;
            throwIfFailed(camera.GetPropAFDistance(&distance));
            if (distance != number)
              throwIfFailed(camera.SetPropAFDistance(number));
          } else {
            return false;
          }
          return true;
        });
  });
  if (result != 0)
    return result;
  return applied ? 0 : kNothingApplied;
}

HRESULT ApplyKeywordSettings(ICanonSettingsCamera& camera, const char* items) {
  HRESULT warning = 0;
  bool connected = false;
  const HRESULT result = GuardResult([&] {
    const CCanonKeywordSettings settings(items);
    warning = settings.Warning();
    if (!settings.AnyMatched())
      return;
    const Lock lock(camera.CallMutex());
    camera.Connect();
    connected = true;
    if (settings.programMode && settings.IsProgramModeComplete())
      camera.SetExposure(static_cast<std::uint32_t>(*settings.programMode),
                         static_cast<std::uint32_t>(settings.aperture.value_or(0)),
                         static_cast<std::uint32_t>(settings.exposureTime.value_or(0)));
    tarsel::cameras::SendKeywordProperties(settings, camera);
    connected = false;
    camera.DisConnect();
  });
  if (result != 0) {
    if (connected)
      camera.DisConnect();
    return result;
  }
  return warning;
}

} // namespace tarsel::canon
