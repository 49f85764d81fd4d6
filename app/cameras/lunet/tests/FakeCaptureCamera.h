// A camera for the capture-settings and bracketing tests: values kept in
// members, every call that would reach the camera logged ("flash=2"), and
// a refusal of chosen calls as the control raises it.
#pragma once

#include "app/cameras/lunet/LunetCapabilityTables.h"
#include "app/cameras/lunet/LunetCaptureCamera.h"
#include "env/BrantelTakeError.h"

#include <set>
#include <string>
#include <vector>

namespace tarsel::lunet::test {

class FakeCaptureCamera : public ILunetCaptureCamera {
public:
  static constexpr HRESULT kRefused = static_cast<HRESULT>(0x8103000Fu);

  std::recursive_mutex& Mutex() override { return lock; }
  std::int32_t Connect() override { return static_cast<std::int32_t>(++connections); }
  std::int32_t DisConnect() override { return static_cast<std::int32_t>(connections ? --connections : 0); }
  std::string GetCameraType() override { return type; }
  std::int32_t GetLcdMode() override { return lcd; }
  void SendLcdMode(std::int32_t v) override { lcd = sent("lcd", v); }
  void GetExposureProp3(std::int32_t* m, std::int32_t* a, std::int32_t* t) override {
    refuseIf("exposure?");
    *m = mode;
    *a = aperture;
    *t = time;
  }
  void SetExposureProp3(std::int32_t m, std::int32_t a, std::int32_t t) override {
    sent("exposure", m, a, t);
    mode = m;
    aperture = a;
    time = t;
  }
  std::int32_t GetPropExpoBias() override { return bias; }
  void SetPropExpoBias(std::int32_t v) override { bias = sent("bias", v); }
  std::int32_t GetPropIsoSpeed() override { return iso; }
  void SetPropIsoSpeed(std::int32_t v) override { iso = sent("iso", v); }
  std::int32_t GetPropFlash() override { return flash; }
  void SetPropFlash(std::int32_t v) override { flash = sent("flash", v); }
  std::int32_t GetPropWhiteBalance() override { return whiteBalance; }
  void SetPropWhiteBalance(std::int32_t v) override { whiteBalance = sent("wb", v); }
  std::int32_t GetPropMetering() override { return metering; }
  void SetPropMetering(std::int32_t v) override { metering = sent("metering", v); }
  std::int32_t GetPropResolution() override { return resolution; }
  void SetPropResolution(std::int32_t v) override { resolution = sent("resolution", v); }
  std::int32_t GetPropOpticalZoom(double*) override { return zoom; }
  std::int32_t SetPropOpticalZoom(std::int32_t v, double*) override { return zoom = sent("zoom", v); }
  std::int32_t GetPropFocusMode() override { return focusMode; }
  void SetPropFocusMode(std::int32_t v) override { focusMode = sent("focus", v); }
  std::int32_t GetPropFocusPosition() override { return focusPosition; }
  void SetPropFocusPosition(std::int32_t v) override { focusPosition = sent("position", v); }
  std::int32_t GetExternalFlash() override { return externalFlash; }
  std::int32_t SetExternalFlash(std::int32_t v) override { return externalFlash = v; }
  const tarsel::core::CapabilityValue* GetCapabilityTable(const char* name) override {
    const int index = LunetCapabilityIndex(name);
    return index < 0 ? nullptr : LunetCapabilityDefault(index).table;
  }

  std::recursive_mutex lock;
  unsigned connections = 0;
  std::vector<std::string> log;
  // Calls named as in the log ("flash", "exposure?") that the camera refuses.
  std::set<std::string> refused;
  std::string type = "VC320";
  std::int32_t lcd = 1, mode = 2, aperture = 28, time = 25000, bias = 0, iso = 0, flash = 0, whiteBalance = 0,
               metering = 2, resolution = 2, zoom = 10, focusMode = 1, focusPosition = 0, externalFlash = 0;

private:
  void refuseIf(const std::string& name) {
    if (refused.count(name))
      throw _brantel_take_error(kRefused);
  }
  template <class... Values> std::int32_t sent(const std::string& name, std::int32_t first, Values... rest) {
    refuseIf(name);
    std::string line = name + "=" + std::to_string(first);
    ((line += "," + std::to_string(rest)), ...);
    log.push_back(line);
    return first;
  }
};

} // namespace tarsel::lunet::test
