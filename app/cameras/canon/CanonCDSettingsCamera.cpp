#include "app/cameras/canon/CanonCDSettingsCamera.h"

#include "app/cameras/canon/CanonCDWr.h"

namespace {

using u32 = std::uint32_t;
using i32 = std::int32_t;

class CCanonCDSettingsCamera final : public ICanonSettingsCamera {
public:
  explicit CCanonCDSettingsCamera(CanonCD_Wr& camera) : c(camera) {}

  std::recursive_mutex& CallMutex() override { return c.CallMutex(); }
  const char* GetModelName() override { return c.GetModelName(); }
  i32 Connect() override { return c.Connect(); }
  i32 DisConnect() override { return c.DisConnect(); }
  bool IsLcdOn() override { return c.IsLcdOn(); }
  HRESULT LcdOn(i32 mode) override { return c.LcdOn(mode); }
  HRESULT LcdOff() override { return c.LcdOff(); }
  HRESULT GetExposure(u32* p, u32* a, u32* t) override { return c.GetExposure(p, a, t); }
  HRESULT SetExposure(u32 p, u32 a, u32 t) override { return c.SetExposure(p, a, t); }
  bool IsApertureSettable(u32 p) override { return c.IsApertureSettable(p); }
  bool IsExposureTimeSettable(u32 p) override { return c.IsExposureTimeSettable(p); }
  bool IsExpoBiasSettable(u32 p) override { return c.IsExpoBiasSettable(p); }
  HRESULT GetPropExpoBias(u32* v) override { return c.GetPropExpoBias(v); }
  HRESULT SetPropExpoBias(u32 v) override { return c.SetPropExpoBias(v); }
  HRESULT GetPropIsoSpeed(u32* v) override { return c.GetPropIsoSpeed(v); }
  HRESULT SetPropIsoSpeed(u32 v) override { return c.SetPropIsoSpeed(v); }
  HRESULT GetPropFlash(u32* v) override { return c.GetPropFlash(v); }
  HRESULT SetPropFlash(u32 v) override { return c.SetPropFlash(v); }
  HRESULT GetPropWhiteBalance(u32* v) override { return c.GetPropWhiteBalance(v); }
  HRESULT SetPropWhiteBalance(u32 v) override { return c.SetPropWhiteBalance(v); }
  HRESULT GetPropMetering(u32* v) override { return c.GetPropMetering(v); }
  HRESULT SetPropMetering(u32 v) override { return c.SetPropMetering(v); }
  HRESULT GetPropResolution(i32* v) override { return c.GetPropResolution(v); }
  HRESULT SetPropResolution(i32 v) override { return c.SetPropResolution(v); }
  HRESULT GetPropOpticalZoom(i32* p, double* f) override { return c.GetPropOpticalZoom(p, f); }
  HRESULT SetPropOpticalZoom(i32 p, i32* a, double* f) override { return c.SetPropOpticalZoom(p, a, f); }
  HRESULT GetPropAFDistance(u32* v) override { return c.GetPropAFDistance(v); }
  HRESULT SetPropAFDistance(u32 v) override { return c.SetPropAFDistance(v); }

private:
  CanonCD_Wr& c;
};

} // namespace

std::unique_ptr<ICanonSettingsCamera> MakeCanonSettingsCamera(CanonCD_Wr& camera) {
  return std::make_unique<CCanonCDSettingsCamera>(camera);
}
